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
    bool load(const QString& path);

    // Writes the whole object as indented JSON. The old file is replaced only
    // once the new one is complete on disk, so a crash or a full disk never
    // leaves a truncated settings file. True when the whole document was written.
    bool save(const QString& path) const;

private:
    QJsonObject m_object;
};
