#pragma once

#include "core/IProgramSettings.h"

#include <QJsonObject>

// Settings kept as one flat JSON object ("general.ui_language" is one key at
// the top level, not a path), loaded and saved whole.
class JsonSettings : public IProgramSettings
{
public:
    void setValue(const QString& key, const QVariant& value) override;
    QVariant value(const QString& key) const override;

    // False for a missing, unreadable or malformed file; the settings held
    // before stay. A top-level array loads as empty settings.
    //
    // A file that is there but cannot be read or parsed (a hand edit gone
    // wrong) is moved aside, to "<name>.unreadable" or, where an earlier
    // one stands, "<name>.unreadable.2" and so on, with one critical line:
    // the next save would otherwise replace what the player wrote in it.
    bool load(const QString& path);

    // The name of the settings file whose unreadable copy a directory entry
    // is ("QMXLauncher.conf" for "QMXLauncher.conf.unreadable.2"); an empty
    // text for any other entry.
    static QString unreadableCopyTarget(const QString& entryName);

    // Writes the whole object as indented JSON. The old file is replaced only
    // once the new one is complete on disk, so a crash or a full disk never
    // leaves a truncated settings file. True when the whole document was written.
    bool save(const QString& path) const;

private:
    QJsonObject m_object;
};

// Saves settings that are a JsonSettings store to the launcher's settings
// file, with one critical line when that fails; other stores (those of
// tests) keep their values themselves.
void saveLauncherSettings(IProgramSettings* settings);
