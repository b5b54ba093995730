#pragma once

#include "content/patch/IPatchProgress.h"
#include "content/patch/PatchConfig.h"
#include "content/patch/jdiff/JDiffProgress.h"

#include <QCryptographicHash>
#include <QString>

// Applies one unpacked patch directory to the game directory: rebuilds each
// "modified" file from its delta in the work directory, checks it by SHA-1
// before and after, and puts it in place of the old file; moves each "added"
// file in and deletes each "removed" one, with the folders it empties.
// Built for one directory: construct, load, apply once (apply moves files out
// of the patch and work directories).
//
// A failure stops the run where it happens and nothing done before is
// undone, but a game file is never left half-written or lost: it is replaced
// by one rename of a complete, checked file.
class Patch : public jdiff::JDiffProgress
{
public:
    // listener (not owned, may be null) hears the progress of apply.
    explicit Patch(IPatchProgress* listener);
    ~Patch() override;

    // Reads "patch.conf" in patchDir; on success patchDir becomes the
    // patch directory. Failures are logged by PatchConfig.
    bool load(const QString& patchDir);

    const PatchConfig& config() const { return m_config; }

    // Applies the loaded patch; false when a step that fails the run fails.
    // Every entry is checked before any file is touched: an entry that is not
    // an object or whose path is empty, absolute or leads out of its
    // directory fails the run at once.
    //
    // Every game file to rebuild is compared with its "sha1_old" first: when
    // one differs (or is missing), nothing is written and gameDiffers tells.
    // A file removed to make room for an added one (a path that turns from
    // a file into a folder, or back) goes before the additions, the others
    // after them; folders that the removals leave empty go too.
    bool apply(const QString& gameDir, const QString& workDir);
    // Whether the last apply failed because a game file is not the one the
    // patch was made for.
    bool gameDiffers() const { return m_gameDiffers; }

    // The file's digest as lower-case hexadecimal, empty when it cannot be
    // opened. The bytes read count towards the run's progress.
    QString fileHash(const QString& path, QCryptographicHash::Algorithm algorithm);

    void jdiffProgress(qint64 patchPos, qint64 patchSize) override;

private:
    // An entry with its paths below the game, patch and work directories.
    struct Entry {
        PatchContent content;
        QString relativePath; // cleaned
        QString gameFile;
        QString patchFile;
        QString workFile;
    };

    bool resolve(const QList<PatchContent>& contents, const QString& gameDir, const QString& workDir,
                 QList<Entry>& entries) const;
    // Compares the game file with the entry's digests before anything is
    // written; false when it is neither the old file nor the new one.
    bool checkModified(const Entry& entry, bool& upToDate);
    bool applyModified(const Entry& entry);
    bool applyAdded(const Entry& entry);
    void applyRemoved(const QString& gameDir, const Entry& entry);
    void report();

    QString m_patchDir;
    PatchConfig m_config;
    IPatchProgress* m_listener;
    qint64 m_current = 0; // position in the delta being decoded
    qint64 m_done = 0;
    qint64 m_total = 0;
    bool m_gameDiffers = false;
};
