#pragma once

#include "content/archive/ArchiveItem.h"
#include "content/archive/SevenZipAbi.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <vector>

// Writes the items of one extraction below the destination directory.
//
// Nothing is created through a symbolic link: every folder on an item's way
// is opened relative to the destination without following links, so a link
// already on disk or extracted earlier cannot redirect a write. Each file or
// link is written under a temporary name in its folder and renamed over its
// real name only when the library reports that its item ended well; a failed
// item leaves nothing under its name (items finished before it stay).
//
// The library calls beginItem, write and endItem in turn, possibly from its
// decoder threads; the calls are serialised here.
class DestinationWriter
{
public:
    DestinationWriter() = default;
    ~DestinationWriter();
    DestinationWriter(const DestinationWriter&) = delete;
    DestinationWriter& operator=(const DestinationWriter&) = delete;

    // Removes the temporary files of writers whose process ended before
    // they could, anywhere below destDir.
    static void removeLeftovers(const QString& destDir);

    // Creates destDir with its missing parents and opens it; the items to
    // write follow, by archive index.
    bool open(const QString& destDir, std::vector<ArchiveItem> items);

    // The data of item index goes to *stream (null for folders and skipped
    // items). An error stops the extraction.
    sevenzip::HRESULT beginItem(std::uint32_t index, sevenzip::ISequentialOutStream** stream);
    sevenzip::HRESULT write(std::uint64_t serial, const void* data, std::uint32_t size, std::uint32_t* processed);
    // Puts the item in place when result is OpOk; otherwise drops it and
    // answers E_FAIL, which stops the extraction.
    sevenzip::HRESULT endItem(std::int32_t result);
    // A bad result for an item the library could not hand out.
    void reportFailure(std::uint32_t indexType, std::uint32_t index, std::int32_t result);

    // After the library's Extract: drops an unfinished item, then true when
    // every item was written and nothing failed.
    bool finish();
    // The first thing that went wrong, for the log.
    QString failure() const;

private:
    struct Current {
        bool active = false;
        std::uint32_t index = 0;
        std::uint64_t serial = 0;
        int fd = -1;
        QByteArray name;
        QByteArray tempName;
        QByteArray linkTarget;
    };

    int openFolder(const QStringList& parts, QString& reason);
    bool enterParent(const QString& path);
    bool createTemp(ArchiveItem::Kind kind);
    sevenzip::HRESULT placeCurrent();
    void discardCurrent();
    sevenzip::HRESULT fail(const QString& reason);

    mutable std::mutex m_mutex;
    int m_rootFd = -1;
    std::vector<ArchiveItem> m_items;
    std::vector<bool> m_done;
    // The folder of the last item, kept open for the next one.
    QString m_parentPath;
    int m_parentFd = -1;
    Current m_current;
    std::uint64_t m_serial = 0;
    QString m_failure;
};
