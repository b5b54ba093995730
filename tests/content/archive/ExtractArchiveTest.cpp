#include "content/archive/ExtractArchive.h"
#include "tests/content/archive/ArchiveTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

using namespace archivetest;
using testsupport::describeTree;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class Unpack : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return testsupport::rootDir() + "/" + relative; }

    // A small tree with an x86 executable (the branch filters have code to
    // change), incompressible data, text, an executable script and empty
    // entries.
    void writeMixedTree(const QString& dir)
    {
        writeFile(dir + "/bin/true", readFile("/usr/bin/true"));
        writeFile(dir + "/data/noise.bin", noise(48 * 1024, 1));
        writeFile(dir + "/data/text.txt", QByteArray("the quick brown fox\n").repeated(2000));
        writeFile(dir + "/run.sh", "#!/bin/sh\necho run\n");
        QFile::setPermissions(dir + "/run.sh", QFile::permissions(dir + "/run.sh") | QFile::ExeOwner | QFile::ExeGroup);
        writeFile(dir + "/data/empty", QByteArray());
        QDir().mkpath(dir + "/empty-dir/nested-empty");
    }

    // Entries a failed extraction must not leave behind.
    static QStringList temporaries(const QString& dir)
    {
        QStringList found;
        QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (QFileInfo(it.next()).fileName().startsWith(".unpack-"))
                found << it.filePath();
        }
        return found;
    }
};

TEST_F(Unpack, EveryCoderSolidAndNot)
{
    const QString source = path("src");
    writeMixedTree(source);
    const auto expected = describeTree(source);

    const struct {
        const char* name;
        QStringList options;
    } coders[] = {
        {"default choice, filters for executables", {}},
        {"LZMA", {"-mf=off", "-m0=LZMA"}},
        {"LZMA2", {"-mf=off", "-m0=LZMA2"}},
        {"LZMA2 in small blocks, decoded by several threads", {"-mf=off", "-m0=LZMA2:d=64k:c=64k", "-mmt=4"}},
        {"BCJ", {"-mf=off", "-m0=BCJ", "-m1=LZMA"}},
        {"BCJ2", {"-mf=off", "-m0=BCJ2", "-m1=LZMA", "-m2=LZMA", "-m3=LZMA", "-mb0:1", "-mb0s1:2", "-mb0s2:3"}},
        {"ARM64", {"-mf=off", "-m0=ARM64", "-m1=LZMA2"}},
        {"ARM", {"-mf=off", "-m0=ARM", "-m1=LZMA2"}},
        {"ARMT", {"-mf=off", "-m0=ARMT", "-m1=LZMA2"}},
        {"PPC", {"-mf=off", "-m0=PPC", "-m1=LZMA2"}},
        {"SPARC", {"-mf=off", "-m0=SPARC", "-m1=LZMA2"}},
        {"IA64", {"-mf=off", "-m0=IA64", "-m1=LZMA2"}},
        {"RISCV", {"-mf=off", "-m0=RISCV", "-m1=LZMA2"}},
        {"Delta", {"-mf=off", "-m0=Delta:4", "-m1=LZMA2"}},
        {"Copy", {"-mf=off", "-m0=Copy"}},
    };
    int n = 0;
    for (const auto& coder : coders) {
        for (const QString solid : {"-ms=on", "-ms=off"}) {
            SCOPED_TRACE(std::string(coder.name) + " " + solid.toStdString());
            const QString archive = pack(source, path("a%1.7z").arg(n), QStringList(coder.options) << solid);
            ASSERT_FALSE(archive.isEmpty());
            const QString dest = path("out%1").arg(n++);
            EXPECT_TRUE(unpackArchive(archive, dest, nullptr));
            EXPECT_EQ(describeTree(dest), expected);
        }
    }
}

TEST_F(Unpack, KeepsUnicodeNamesAndModificationTimes)
{
    const QString source = path("src");
    // Cyrillic, CJK and a character outside the basic plane (a surrogate
    // pair on the library's side).
    const QString name = QString::fromUtf8("\xC3\x9Cnic\xC3\xB6" "de/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB "
                                           "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE.txt");
    writeFile(source + "/" + name, "content");
    const QDateTime stamp = QDateTime::fromString("2021-03-04T05:06:07.250Z", Qt::ISODateWithMs);
    QFile file(source + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    const QString archive = pack(source, path("u.7z"));
    ASSERT_TRUE(unpackArchive(archive, path("dest"), nullptr));
    EXPECT_EQ(describeTree(path("dest")), describeTree(source));
    EXPECT_EQ(QFileInfo(path("dest/") + name).lastModified().toUTC(), stamp);
}

TEST_F(Unpack, ReplacesWhatIsThereAndCreatesMissingFolders)
{
    const QString source = path("src");
    writeFile(source + "/text.txt", "new");
    writeFile(source + "/was-a-link", "file now");
    const QString archive = pack(source, path("r.7z"));

    // An existing destination: a longer old file, a file the archive does
    // not name, and a link to a file outside.
    const QString dest = path("dest");
    writeFile(dest + "/text.txt", "old and much longer");
    writeFile(dest + "/keep.txt", "kept");
    writeFile(path("outside/target"), "outside");
    makeLink(path("outside/target"), dest + "/was-a-link");

    ASSERT_TRUE(unpackArchive(archive, dest, nullptr));
    EXPECT_EQ(readFile(dest + "/text.txt"), "new");
    EXPECT_EQ(readFile(dest + "/keep.txt"), "kept");
    EXPECT_FALSE(QFileInfo(dest + "/was-a-link").isSymLink()); // the link itself is replaced
    EXPECT_EQ(readFile(dest + "/was-a-link"), "file now");
    EXPECT_EQ(readFile(path("outside/target")), "outside");

    ASSERT_TRUE(unpackArchive(archive, path("missing/a/b"), nullptr));
    EXPECT_EQ(readFile(path("missing/a/b/text.txt")), "new");
}

TEST_F(Unpack, FailuresReportFalseAndLeaveNoPartialFile)
{
    writeFile(path("src/first.txt"), QByteArray("FIRST").repeated(1000));
    writeFile(path("src/second.txt"), QByteArray("SECOND").repeated(1000));
    // Stored, one block per file: the second file's bytes are in the clear.
    const QString stored = pack(path("src"), path("stored.7z"), {"-mf=off", "-m0=Copy", "-ms=off"});
    ASSERT_FALSE(stored.isEmpty());
    const QByteArray bytes = readFile(stored);

    const struct {
        const char* name;
        std::function<QString()> prepare; // returns the archive; may fill the destination
        const char* reason;
        QStringList present; // entries of the destination that must exist afterwards
        qint64 fileSizeLimit = 0; // while unpacking; 0: none
    } cases[] = {
        {"missing archive", [&] { return path("nothing.7z"); }, "cannot read the archive", {}},
        {"a folder as the archive", [&] { QDir().mkpath(path("folder.7z")); return path("folder.7z"); },
         "cannot read the archive", {}},
        {"not a 7z file", [&] { return writeFile(path("text.7z"), "just some text, not an archive"); },
         "not a readable 7z archive", {}},
        {"7z data behind other bytes", [&] { return writeFile(path("prefixed.7z"), "MZ" + bytes); },
         "not a readable 7z archive", {}},
        {"truncated", [&] { return writeFile(path("cut.7z"), bytes.left(bytes.size() - 40)); },
         "not a readable 7z archive", {}},
        {"a flipped byte in the second file",
         [&] {
             QByteArray damaged = bytes;
             const int at = damaged.indexOf("SECOND") + 100;
             damaged[at] = char(damaged[at] ^ 0x20);
             return writeFile(path("flipped.7z"), damaged);
         },
         "CRC error in second.txt", {"first.txt"}},
        {"encrypted data",
         [&] { return pack(path("src"), path("enc.7z"), {"-pSecret"}); }, "encrypted item refused: first.txt", {}},
        {"encrypted names",
         [&] { return pack(path("src"), path("enc-names.7z"), {"-pSecret", "-mhe=on"}); }, "encrypted archive", {}},
        {"a folder where a file goes",
         [&] { QDir().mkpath(path("dest/second.txt/inside")); return stored; },
         "cannot replace second.txt", {"first.txt", "second.txt", "second.txt/inside"}},
        // Files may grow to 5500 bytes: the first takes 5000, the second 6000.
        {"the disk full at the second file", [&] { return stored; }, "cannot write second.txt: File too large",
         {"first.txt"}, 5500},
        {"a destination that cannot be created",
         [&] {
             writeFile(path("dest"), "a file in the way");
             return stored;
         },
         "cannot create the destination", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(path("dest")).removeRecursively();
        QFile::remove(path("dest"));
        testsupport::clearLog();
        const QString archive = c.prepare();
        {
            std::unique_ptr<testsupport::FileSizeLimit> limit;
            if (c.fileSizeLimit > 0)
                limit.reset(new testsupport::FileSizeLimit(c.fileSizeLimit));
            EXPECT_FALSE(unpackArchive(archive, path("dest"), nullptr));
        }
        // The reason, as the one critical line of the failure.
        const QStringList critical = testsupport::criticalLogLines();
        ASSERT_EQ(critical.size(), 1) << testsupport::logLines().join('\n').toStdString();
        EXPECT_TRUE(critical.first().contains(QString("unpack failed: ") + c.reason)) << critical.first().toStdString();
        EXPECT_TRUE(critical.first().endsWith(": " + archive)) << critical.first().toStdString();
        if (!QFileInfo(path("dest")).isDir())
            continue;
        QSet<QString> entries;
        for (const QString& entry : describeTree(path("dest")).keys())
            entries.insert(entry);
        for (const QString& entry : c.present)
            EXPECT_TRUE(entries.remove(entry)) << entry.toStdString();
        EXPECT_TRUE(entries.isEmpty()) << QStringList(entries.values()).join(' ').toStdString();
        EXPECT_TRUE(temporaries(path("dest")).isEmpty());
    }
}

// What an unpack would write, known before anything is: every item with
// its kind and cleaned path, or the refusal an unpack would log.
TEST_F(Unpack, ListingNamesEveryItem)
{
    const QString source = path("src");
    writeMixedTree(source);
    makeLink("data/text.txt", source + "/link");
    const QString archive = pack(source, path("mixed.7z"));
    ASSERT_FALSE(archive.isEmpty());
    std::vector<ArchiveItem> items;
    ASSERT_TRUE(listArchive(archive, items));
    QMap<QString, QString> listed;
    for (const ArchiveItem& item : items) {
        const QString kind = item.kind == ArchiveItem::Kind::Directory ? "dir"
                             : item.kind == ArchiveItem::Kind::Symlink ? "link"
                             : item.kind == ArchiveItem::Kind::File    ? "file"
                                                                       : "skip";
        listed.insert(item.path, kind);
    }
    QMap<QString, QString> expected;
    const QMap<QString, QString> tree = describeTree(source);
    for (auto it = tree.constBegin(); it != tree.constEnd(); ++it)
        expected.insert(it.key(), it.value().section(':', 0, 0));
    EXPECT_EQ(listed, expected);

    for (const QString& refused : {writeFile(path("text.7z"), "not an archive"),
                                   pack(path("src"), path("enc.7z"), {"-pSecret"})}) {
        testsupport::clearLog();
        EXPECT_FALSE(listArchive(refused, items));
        EXPECT_TRUE(items.empty());
        ASSERT_EQ(testsupport::logLines().size(), 1);
        EXPECT_TRUE(testsupport::logLines().first().startsWith("crit"));
        EXPECT_TRUE(testsupport::logLines().first().contains("unpack failed: "));
    }
}

TEST_F(Unpack, LeftoversOfAKilledUnpackAreRemoved)
{
    const QString dest = path("dest");
    const QStringList leftovers = {".unpack-4242-1-0", "data/.unpack-4242-17-3", "data/deep/.unpack-1-2-99"};
    for (const QString& name : leftovers)
        writeFile(dest + "/" + name, "half written");
    // A temporary link goes, what it points to stays.
    writeFile(dest + "/kept.txt", "kept");
    makeLink("kept.txt", dest + "/data/.unpack-4242-18-0");
    // Names of others, and a folder that a link leads to, are left alone.
    const QStringList others = {".unpack-", ".unpack-1-2", ".unpack-x-1-2", "data/.unpack-1-2-3.txt", ".hidden"};
    for (const QString& name : others)
        writeFile(dest + "/" + name, "not ours");
    writeFile(path("outside/.unpack-1-1-1"), "outside");
    makeLink(path("outside"), dest + "/linked");

    removeUnpackLeftovers(dest);

    QStringList left = temporaries(dest);
    left.sort();
    EXPECT_EQ(left.join(' '), QStringList({dest + "/.unpack-", dest + "/.unpack-1-2", dest + "/.unpack-x-1-2",
                                           dest + "/data/.unpack-1-2-3.txt"})
                                  .join(' '));
    EXPECT_EQ(readFile(dest + "/kept.txt"), "kept");
    EXPECT_EQ(readFile(dest + "/.hidden"), "not ours");
    EXPECT_TRUE(QFileInfo::exists(path("outside/.unpack-1-1-1")));
    for (const QString& name : leftovers)
        EXPECT_TRUE(testsupport::logContains("unpack leftover removed: " + dest + "/" + name)) << name.toStdString();
}

TEST_F(Unpack, PathsLeavingTheDestinationAreRefused)
{
    const QString outside = path("outside");
    const QString dest = path("dest/inner");
    const struct {
        const char* name;
        std::function<QString()> prepare;
        const char* reason;
    } cases[] = {
        {"a parent step in a name",
         [&] {
             writeFile(path("spf/evil"), "evil");
             QDir().mkpath(path("spf/sub"));
             sevenZip({"a", "-spf", path("up.7z"), "../evil"}, path("spf/sub"));
             return path("up.7z");
         },
         "item path refused: ../evil"},
        {"an absolute name",
         [&] {
             writeFile(outside + "/abs", "evil");
             sevenZip({"a", "-spf", path("abs.7z"), outside + "/abs"}, path("."));
             QFile::remove(outside + "/abs");
             return path("abs.7z");
         },
         "item path refused: /"},
        {"a link to an absolute path",
         [&] {
             makeLink(outside, path("l1/out"));
             return pack(path("l1"), path("l1.7z"));
         },
         "link leaving the destination refused: out"},
        {"a link climbing out",
         [&] {
             makeLink("../../../outside", path("l2/sub/out"));
             return pack(path("l2"), path("l2.7z"));
         },
         "link leaving the destination refused: sub/out"},
        {"a link whose climb passes a name",
         [&] {
             QDir().mkpath(path("l3/a"));
             makeLink("a/../b", path("l3/l"));
             return pack(path("l3"), path("l3.7z"));
         },
         "link leaving the destination refused: l"},
        {"a file below a link of the archive",
         [&] {
             QDir().mkpath(path("l4a/sub"));
             makeLink("sub", path("l4a/lnk"));
             writeFile(path("l4b/lnk/x"), "through");
             sevenZip({"a", "-snl", path("l4.7z"), "sub", "lnk"}, path("l4a"));
             sevenZip({"a", path("l4.7z"), "lnk/x"}, path("l4b"));
             return path("l4.7z");
         },
         "not a folder (a link is never followed): lnk"},
        {"a file below a link already in the destination",
         [&] {
             makeLink(outside, dest + "/lnk");
             writeFile(path("l5/lnk/x"), "through");
             return pack(path("l5"), path("l5.7z"));
         },
         "not a folder (a link is never followed): lnk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(path("dest")).removeRecursively();
        QDir(outside).removeRecursively();
        QDir().mkpath(outside);
        testsupport::clearLog();
        const QString archive = c.prepare();
        EXPECT_FALSE(unpackArchive(archive, dest, nullptr));
        EXPECT_TRUE(testsupport::logContains(c.reason)) << testsupport::logLines().join('\n').toStdString();
        EXPECT_TRUE(describeTree(outside).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(path("dest/evil")));
        EXPECT_TRUE(temporaries(path("dest")).isEmpty());
    }
}

TEST_F(Unpack, LinksThatStayInsideAreExtracted)
{
    const QString source = path("src");
    writeFile(source + "/text.txt", "text");
    writeFile(source + "/sub/a.txt", "a");
    makeLink("sub/a.txt", source + "/to-a");
    makeLink("../text.txt", source + "/sub/up");
    makeLink("./a.txt", source + "/sub/here");
    makeLink("../sub", source + "/sub/deeper/back");
    makeLink("missing", source + "/dangling");
    const QString archive = pack(source, path("links.7z"));

    ASSERT_TRUE(unpackArchive(archive, path("dest"), nullptr));
    EXPECT_EQ(describeTree(path("dest")), describeTree(source));
    EXPECT_EQ(readFile(path("dest/sub/up")), "text");
}

// Records what the sink receives, from whichever thread.
class RecordingSink : public ISevenZipCallback
{
public:
    void progress(quint64 total, quint64 completed) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back({total, completed});
    }
    std::mutex mutex;
    std::vector<std::pair<quint64, quint64>> calls;
};

TEST_F(Unpack, ProgressEndsAtTheTotalByteCount)
{
    const QString source = path("src");
    writeMixedTree(source);
    qint64 bytes = 0;
    for (const char* file : {"bin/true", "data/noise.bin", "data/text.txt", "run.sh"})
        bytes += QFileInfo(source + "/" + QString::fromLatin1(file)).size();
    const QString archive = pack(source, path("p.7z"), {"-m0=LZMA2:d=64k:c=64k", "-mmt=4"});

    RecordingSink sink;
    ASSERT_TRUE(unpackArchive(archive, path("dest"), &sink));
    ASSERT_FALSE(sink.calls.empty());
    EXPECT_EQ(sink.calls.back(), std::make_pair(quint64(bytes), quint64(bytes)));
    for (const auto& call : sink.calls)
        EXPECT_LE(call.second, call.first);
}

} // namespace
