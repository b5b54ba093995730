#pragma once

#include "platform/Registry.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace platform {
class KeptFile;
}

namespace install {

// The journal of an install in progress in one folder, ".QMXLauncher.install"
// in it: every change the install makes is written down (and flushed to the
// disk) before it is made, and what it replaces is kept under the journal's
// tag until the whole list has run. An install that is cut off (killed, a
// power cut) leaves the journal behind; the next install into the folder,
// and the next start of the launcher there, read it and roll the cut-off
// install back, so that the folder, its shortcuts and its uninstall entry
// are again what they were, with nothing of it left. Once the list has run
// the journal says so (commit): from then on what was kept is only let go,
// and a cut-off install is finished instead.
//
// The journal is locked while its install runs, so no other process rolls
// back a live one, and a second install into the same folder waits for the
// first to end.
class InstallJournal
{
public:
    explicit InstallJournal(const QString& folder);
    // A journal that was not ended stays for the next install to read.
    ~InstallJournal();
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // Takes the folder's journal, making the folder when missing, after
    // rolling back or finishing what an earlier cut-off install left. False,
    // with one critical line, when it cannot be written or another install
    // into the folder does not end within a few seconds.
    bool begin();

    // Keeps what stands at path (an absolute path) under the journal's tag,
    // once it is written down that path is about to be replaced or removed.
    // Without a journal, kept is kept as by itself. False when it cannot be
    // written down or kept; path is then as it was.
    static bool keep(InstallJournal* journal, const QString& path, platform::KeptFile& kept);

    // Writes down, before it is written, the uninstall entry that stood at
    // key (none when !existed).
    bool recordEntry(const QString& key, bool existed, const QList<platform::RegistryValue>& previous);

    // The whole list has run: from now on what was kept is let go. False,
    // with errno telling why, when that cannot be written down.
    bool commit();
    // Removes the journal: the install is complete, or rolled back.
    void end();

    // The name of the journal in the folder.
    static QString fileName();

private:
    bool append(const QJsonObject& record);

    QString m_folder;
    QString m_path;
    QString m_tag;
    int m_fd = -1;
};

// What the next start of the launcher in folder does: finishes or rolls back
// an install into it that was cut off, if its journal is there and no live
// process holds it.
void finishInterruptedInstall(const QString& folder);

} // namespace install
