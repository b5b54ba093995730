#include "content/patch/Patch.h"
#include "tests/content/patch/PatchTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "tools/jdiff-encode/JDiffEncoder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace patchtest;

namespace {

// Every file below dir by relative path, with its content.
QMap<QString, QByteArray> snapshot(const QString& dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path), testsupport::readFile(path));
    }
    return files;
}

// A game directory, a patch directory and a work directory below base, and
// the "patch.conf" that is built up entry by entry.
class PatchSetup
{
public:
    explicit PatchSetup(const QString& base)
        : game(base + "/Game"), patch(base + "/UpdateTemp/patch"), work(base + "/UpdateTemp/work")
    {
        QDir().mkpath(game);
        QDir().mkpath(patch);
    }

    QString gameFile(const QString& path, const QByteArray& content) const
    {
        return testsupport::writeFile(game + "/" + path, content);
    }

    // The game file holds old; the delta rebuilds new from it.
    void modify(const QString& path, const QByteArray& old, const QByteArray& neu)
    {
        gameFile(path, old);
        testsupport::writeFile(patch + "/" + path, jdiff::encode(old, neu));
        modified.append(QJsonObject{
            {"path", path}, {"sha1_old", sha1(old)}, {"sha1_new", sha1(neu)}, {"size", qint64(neu.size())}});
    }

    void add(const QString& path, const QByteArray& content)
    {
        testsupport::writeFile(patch + "/" + path, content);
        added.append(QJsonObject{{"path", path}});
    }

    void remove(const QString& path) { removed.append(QJsonObject{{"path", path}}); }

    void writeConfig() const
    {
        const QJsonObject lists{{"modified", modified}, {"added", added}, {"removed", removed}};
        testsupport::writeFile(patch + "/patch.conf",
                               QJsonDocument(QJsonObject{{"version_from", "1.0.0"}, {"patch", lists}}).toJson());
    }

    bool apply(IPatchProgress* listener) const
    {
        writeConfig();
        Patch run(listener);
        EXPECT_TRUE(run.load(patch));
        return run.apply(game, work);
    }

    const QString game;
    const QString patch;
    const QString work;
    QJsonArray modified;
    QJsonArray added;
    QJsonArray removed;
};

TEST(PatchApply, BringsAGameDirectoryToTheNextVersion)
{
    const QByteArray exeOld = randomBytes(20000, 1);
    QByteArray exeNew = exeOld;
    exeNew.replace(5000, 300, randomBytes(500, 2));
    const QByteArray levelOld = randomBytes(9000, 3);
    const QByteArray levelNew = levelOld.left(4000) + "inserted" + levelOld.mid(4100);
    const QByteArray same = "already the new version";

    struct Mode {
        const char* name;
        bool listen;
        bool workElsewhere;
    };
    QVector<Mode> modes = {{"with a listener", true, false}, {"without a listener", false, false}};
    // Where this machine has a second file system at hand, the work
    // directory goes there: files then move across by copying.
    const QString shm = "/dev/shm";
    if (QFileInfo(shm).isDir() && QStorageInfo(shm).device() != QStorageInfo(testsupport::rootDir()).device())
        modes.append({"work directory on another file system", true, true});

    int run = 0;
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        PatchSetup setup(testsupport::rootDir() + QString("/run%1").arg(run++));
        QTemporaryDir otherFileSystem(shm + "/patch-test-XXXXXX");
        const QString work = mode.workElsewhere ? otherFileSystem.path() + "/work" : setup.work;

        setup.modify("bin/game.exe", exeOld, exeNew);
        setup.modify("data/level.dat", levelOld, levelNew);
        setup.modify("data/same.dat", "the old version", same);
        setup.gameFile("data/same.dat", same);
        setup.add("readme.txt", "new readme");
        setup.add("new/dir/file.bin", randomBytes(3000, 4));
        setup.remove("old.txt");
        setup.remove("gone.txt");
        setup.gameFile("readme.txt", "old readme");
        setup.gameFile("old.txt", "obsolete");
        QFile::setPermissions(setup.game + "/bin/game.exe", QFile::permissions(setup.game + "/bin/game.exe")
                                                                  | QFile::ExeOwner | QFile::ExeGroup);
        // A second name for the old file: it keeps the old content when the
        // rebuilt file replaces the name instead of being written into it.
        ASSERT_EQ(::link(QFile::encodeName(setup.game + "/bin/game.exe").constData(),
                         QFile::encodeName(setup.game + "/game.exe.link").constData()),
                  0);

        qint64 total = 0;
        for (const char* path : {"bin/game.exe", "data/level.dat", "data/same.dat"})
            total += QFileInfo(setup.game + "/" + path).size() + QFileInfo(setup.patch + "/" + path).size();
        total += exeNew.size() + levelNew.size() + same.size() + 10 + 3000;

        testsupport::clearLog();
        setup.writeConfig();
        PatchProgressRecorder progress;
        Patch patch(mode.listen ? &progress : nullptr);
        ASSERT_TRUE(patch.load(setup.patch));
        ASSERT_TRUE(patch.apply(setup.game, work));

        const QMap<QString, QByteArray> expected{
            {"bin/game.exe", exeNew},
            {"data/level.dat", levelNew},
            {"data/same.dat", same},
            {"readme.txt", "new readme"},
            {"new/dir/file.bin", randomBytes(3000, 4)},
            {"game.exe.link", exeOld},
        };
        EXPECT_EQ(snapshot(setup.game), expected);
        EXPECT_TRUE(QFile::permissions(setup.game + "/bin/game.exe").testFlag(QFile::ExeOwner));
        EXPECT_TRUE(snapshot(work).isEmpty()); // rebuilt files moved out
        EXPECT_FALSE(QFile::exists(setup.patch + "/readme.txt"));

        const QString G = setup.game + "/data/level.dat";
        const QString D = setup.patch + "/data/level.dat";
        const QString W = work + "/data/level.dat";
        const QString sameHash = sha1(same);
        EXPECT_TRUE(testsupport::logLines().value(0).startsWith("debg"));
        for (const QString& line : QStringList{
                 "applying patch to ",
                 "patch apply old hash match new hash for: data/same.dat actual: " + sameHash + " new: " + sameHash,
                 "patch apply success:  orig: " + G + " patch:" + D + " work: " + W,
                 "patch apply add file: " + setup.game + "/new/dir/file.bin",
                 "patch apply remove obsolete file: " + setup.game + "/old.txt",
             })
            EXPECT_TRUE(testsupport::logContains(line)) << line.toStdString();
        EXPECT_TRUE(testsupport::logContains("patch apply failed to remove obsolete file: " + setup.game + "/gone.txt"));

        if (mode.listen) {
            ASSERT_FALSE(progress.reports.isEmpty());
            qint64 last = 0;
            for (const Report& r : progress.reports) {
                EXPECT_GE(r.first, last);
                EXPECT_EQ(r.second, total);
                last = r.first;
            }
            EXPECT_EQ(progress.reports.last(), Report(total, total));
        }
    }
}

TEST(PatchApply, AnEmptyPatchTouchesNothing)
{
    PatchSetup setup(testsupport::rootDir());
    setup.gameFile("a.txt", "a");
    PatchProgressRecorder progress;
    EXPECT_TRUE(setup.apply(&progress));
    EXPECT_TRUE(progress.reports.isEmpty());
    EXPECT_EQ(testsupport::logLines().size(), 1);
    EXPECT_TRUE(testsupport::logContains("applying patch to "));
}

// A game file that is not the one the patch was made for is found before
// anything is written: the files before it in the list stay as they were,
// and the run says why it failed.
TEST(PatchApply, FailuresLeaveTheGameFileWhole)
{
    const QByteArray old = randomBytes(6000, 5);
    const QByteArray neu = old.left(3000) + randomBytes(100, 6) + old.mid(3000);
    const QByteArray firstOld = randomBytes(3000, 9);
    const QByteArray firstNew = firstOld + "rebuilt";
    const struct {
        const char* name;
        std::function<void(PatchSetup&, QJsonObject&)> change;
        std::function<QString(const PatchSetup&)> logLine;
        QByteArray gameContent; // of a.dat afterwards; null: missing
        bool gameDiffers;
        bool firstRebuilt; // the entry before a.dat
    } cases[] = {
        {"old hash mismatch",
         [](PatchSetup& s, QJsonObject&) { s.gameFile("a.dat", "changed by the player"); },
         [](const PatchSetup&) {
             return "patch apply old hash mismatch for: a.dat actual: " + sha1("changed by the player")
                    + " excpected: ";
         },
         "changed by the player", true, false},
        {"game file missing",
         [](PatchSetup& s, QJsonObject&) { QFile::remove(s.game + "/a.dat"); },
         [](const PatchSetup&) { return QString("patch apply old hash mismatch for: a.dat actual:  excpected: "); },
         QByteArray(), true, false},
        {"game file missing, and no new digest to compare with",
         [](PatchSetup& s, QJsonObject& entry) {
             QFile::remove(s.game + "/a.dat");
             entry.remove("sha1_new");
         },
         [old](const PatchSetup&) { return "patch apply old hash mismatch for: a.dat actual:  excpected: " + sha1(old); },
         QByteArray(), true, false},
        {"upper-case digest",
         [](PatchSetup&, QJsonObject& entry) { entry["sha1_old"] = entry["sha1_old"].toString().toUpper(); },
         [old](const PatchSetup&) { return "patch apply old hash mismatch for: a.dat actual: " + sha1(old); },
         old, true, false},
        {"new hash mismatch",
         [](PatchSetup&, QJsonObject& entry) { entry["sha1_new"] = QString(40, '0'); },
         [neu](const PatchSetup&) {
             return "patch apply new hash mismatch for: a.dat actual: " + sha1(neu) + " excpected: " + QString(40, '0');
         },
         old, false, true},
        {"corrupt delta",
         [](PatchSetup& s, QJsonObject&) { testsupport::writeFile(s.patch + "/a.dat", patchtest::bytes({0xA7})); },
         [](const PatchSetup& s) {
             return "patch apply failed: code: 20 orig: " + s.game + "/a.dat patch: " + s.patch
                    + "/a.dat temp: " + s.work + "/a.dat";
         },
         old, false, true},
        {"work directory cannot be made",
         [](PatchSetup& s, QJsonObject&) { testsupport::writeFile(s.work, "a file where the folder goes"); },
         [](const PatchSetup& s) { return "patch apply failed to create temp file: " + s.work + "/0.dat"; },
         old, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PatchSetup setup(testsupport::rootDir() + "/" + c.name);
        setup.modify("0.dat", firstOld, firstNew);
        setup.modify("a.dat", old, neu);
        QJsonObject entry = setup.modified[1].toObject();
        c.change(setup, entry);
        setup.modified[1] = entry;
        testsupport::clearLog();
        setup.writeConfig();
        Patch patch(nullptr);
        ASSERT_TRUE(patch.load(setup.patch));
        EXPECT_FALSE(patch.apply(setup.game, setup.work));
        EXPECT_EQ(patch.gameDiffers(), c.gameDiffers);
        EXPECT_TRUE(testsupport::logContains(c.logLine(setup))) << c.logLine(setup).toStdString();
        QFile game(setup.game + "/a.dat");
        EXPECT_EQ(game.exists() ? testsupport::readFile(game.fileName()) : QByteArray(), c.gameContent);
        EXPECT_EQ(testsupport::readFile(setup.game + "/0.dat"), c.firstRebuilt ? firstNew : firstOld);
    }
}

// Every entry of the game directory: "dir" for a folder, else the content.
QMap<QString, QByteArray> entries(const QString& dir)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found.insert(QDir(dir).relativeFilePath(path), it.fileInfo().isDir() ? "dir" : testsupport::readFile(path));
    }
    return found;
}

TEST(PatchApply, RemovalsMakeRoomAndTakeTheFoldersTheyEmpty)
{
    const struct {
        const char* name;
        std::function<void(PatchSetup&)> build;
        bool applied;
        QMap<QString, QByteArray> after;
    } cases[] = {
        {"a file becomes a folder",
         [](PatchSetup& s) {
             s.gameFile("data", "a file");
             s.add("data/x", "x");
             s.remove("data");
         },
         true, {{"data", "dir"}, {"data/x", "x"}}},
        {"a folder becomes a file",
         [](PatchSetup& s) {
             s.gameFile("data/a", "a");
             s.gameFile("data/sub/b", "b");
             s.add("data", "a file now");
             s.remove("data/a");
             s.remove("data/sub/b");
         },
         true, {{"data", "a file now"}}},
        {"removals empty nested folders",
         [](PatchSetup& s) {
             s.gameFile("a/b/c.txt", "c");
             s.gameFile("keep.txt", "keep");
             s.remove("a/b/c.txt");
         },
         true, {{"keep.txt", "keep"}}},
        {"a folder that holds the player's file stays",
         [](PatchSetup& s) {
             s.gameFile("a/b/c.txt", "c");
             s.gameFile("a/mine.txt", "mine");
             s.remove("a/b/c.txt");
         },
         true, {{"a", "dir"}, {"a/mine.txt", "mine"}}},
        {"the player's file in a folder that becomes a file",
         [](PatchSetup& s) {
             s.gameFile("data/a", "a");
             s.gameFile("data/mine", "mine");
             s.add("data", "a file now");
             s.remove("data/a");
         },
         false, {{"data", "dir"}, {"data/mine", "mine"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PatchSetup setup(testsupport::rootDir() + "/" + c.name);
        c.build(setup);
        EXPECT_EQ(setup.apply(nullptr), c.applied);
        EXPECT_EQ(entries(setup.game), c.after);
    }
}

TEST(PatchApply, ADeltaStopsAtTheDeclaredSize)
{
    const QByteArray old = randomBytes(6000, 7);
    const QByteArray neu = old + randomBytes(20000, 8);
    const qint64 exact = neu.size();
    const struct {
        const char* name;
        QJsonValue size; // undefined: no "size"
        bool applied;
    } cases[] = {
        {"the size of the rebuilt file", exact, true},
        {"one byte less", exact - 1, false},
        {"one byte less, as a string", QString::number(exact - 1), false},
        {"far less", 100, false},
        {"no size", QJsonValue(QJsonValue::Undefined), true},
        {"a size that is no number", "big", true},
        {"a negative size", -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PatchSetup setup(testsupport::rootDir() + "/" + c.name);
        setup.modify("a.dat", old, neu);
        QJsonObject entry = setup.modified[0].toObject();
        if (c.size.isUndefined())
            entry.remove("size");
        else
            entry["size"] = c.size;
        setup.modified[0] = entry;
        testsupport::clearLog();
        EXPECT_EQ(setup.apply(nullptr), c.applied);
        EXPECT_EQ(testsupport::readFile(setup.game + "/a.dat"), c.applied ? neu : old);
        if (c.applied)
            continue;
        // Stopped there, not once the whole file was written.
        const qint64 declared = entry["size"].toVariant().toLongLong();
        EXPECT_LE(QFileInfo(setup.work + "/a.dat").size(), declared);
        const QString line = "patch apply failed: code: 21 orig: " + setup.game + "/a.dat patch: " + setup.patch
                             + "/a.dat temp: " + setup.work + "/a.dat";
        EXPECT_TRUE(testsupport::logContains(line)) << line.toStdString();
    }
}

TEST(PatchApply, AnAddedFileThatCannotTakeItsPlaceFailsTheRun)
{
    PatchSetup setup(testsupport::rootDir());
    setup.add("data", "a file where the game has a folder");
    setup.add("later.txt", "never moved");
    setup.gameFile("data/keep.txt", "kept");
    EXPECT_FALSE(setup.apply(nullptr));
    EXPECT_TRUE(testsupport::logContains("patch apply failed to add file:  src: " + setup.patch
                                         + "/data dst: " + setup.game + "/data"));
    EXPECT_EQ(snapshot(setup.game), (QMap<QString, QByteArray>{{"data/keep.txt", "kept"}}));
    EXPECT_TRUE(QFile::exists(setup.patch + "/later.txt"));
}

// A link in the game or work directory may point anywhere (the player's,
// or one an earlier archive brought in that points back up): no entry may
// read, write or delete through it, and no link is moved into the game.
TEST(PatchApply, NeverActsThroughALink)
{
    const struct {
        const char* name;
        std::function<void(PatchSetup&, const QString& outside)> build;
        const char* logLine; // followed by the entry's path
    } cases[] = {
        {"modified through a game folder link",
         [](PatchSetup& s, const QString& outside) {
             s.modify("lnk/f.dat", "outside f", "rewritten");
             QFile::remove(s.game + "/lnk/f.dat");
             QDir(s.game + "/lnk").removeRecursively();
             QFile::link(outside, s.game + "/lnk");
         },
         "patch apply invalid path: lnk/f.dat"},
        {"added through a game folder link",
         [](PatchSetup& s, const QString& outside) {
             s.add("lnk/g.dat", "planted");
             QFile::link(outside, s.game + "/lnk");
         },
         "patch apply invalid path: lnk/g.dat"},
        {"removed through a folder link that points back up",
         [](PatchSetup& s, const QString&) {
             QDir().mkpath(s.game + "/a");
             QFile::link("../..", s.game + "/a/up");
             s.remove("a/up/outside/h.dat");
         },
         "patch apply invalid path: a/up/outside/h.dat"},
        {"modified through a work folder link",
         [](PatchSetup& s, const QString& outside) {
             s.modify("w/f.dat", "old", "new");
             QDir().mkpath(s.work);
             QFile::link(outside, s.work + "/w");
         },
         "patch apply invalid path: w/f.dat"},
        {"an added link",
         [](PatchSetup& s, const QString&) {
             s.add("real.dat", "real");
             s.added = QJsonArray{QJsonObject{{"path", "l.dat"}}};
             QFile::link("real.dat", s.patch + "/l.dat");
         },
         "patch apply failed to add file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = testsupport::rootDir() + "/" + c.name;
        PatchSetup setup(base + "/app");
        const QString outside = base + "/outside";
        testsupport::writeFile(outside + "/f.dat", "outside f");
        testsupport::writeFile(outside + "/h.dat", "outside h");
        c.build(setup, outside);
        const QMap<QString, QByteArray> before = snapshot(outside);

        testsupport::clearLog();
        EXPECT_FALSE(setup.apply(nullptr));
        EXPECT_TRUE(testsupport::logContains(c.logLine)) << c.logLine;
        EXPECT_EQ(snapshot(outside), before);
        EXPECT_FALSE(QFileInfo(setup.game + "/l.dat").isSymLink());
    }
}

// "size" is the publisher's word: sizes that would overflow the run's total
// keep the progress within its range.
TEST(PatchApply, HugeDeclaredSizesKeepTheProgressInRange)
{
    PatchSetup setup(testsupport::rootDir());
    for (const char* path : {"a.dat", "b.dat", "c.dat"}) {
        setup.modify(path, "old", "new");
        setup.gameFile(path, "new");
    }
    const QJsonValue sizes[] = {QString("9000000000000000000"), QString("9000000000000000000"), qint64(-5)};
    for (int i = 0; i < 3; ++i) {
        QJsonObject entry = setup.modified[i].toObject();
        entry["size"] = sizes[i];
        setup.modified[i] = entry;
    }
    PatchProgressRecorder progress;
    EXPECT_TRUE(setup.apply(&progress));
    ASSERT_FALSE(progress.reports.isEmpty());
    qint64 last = 0;
    for (const Report& r : progress.reports) {
        EXPECT_GE(r.first, last);
        EXPECT_LE(r.first, r.second);
        last = r.first;
    }
}

TEST(PatchApply, RefusesEntriesBeforeTouchingAnyFile)
{
    const QString attacks[] = {"", ".", "./", "../outside.txt", "/etc/hostname", "a/../../outside.txt",
                               "a/../b.txt", "data/../../../outside.txt"};
    const char* lists[] = {"modified", "added", "removed"};
    int run = 0;
    auto check = [&](const char* list, const QJsonValue& bad, const QString& what) {
        SCOPED_TRACE(QString("%1 entry %2").arg(list, what).toStdString());
        const QString base = testsupport::rootDir() + QString("/run%1").arg(run++);
        PatchSetup setup(base + "/app");
        // A valid entry of each kind comes first; none of them may happen.
        setup.modify("a.dat", "old", "new");
        setup.add("b.dat", "added");
        setup.remove("c.dat");
        setup.gameFile("c.dat", "to remove");
        const QString outside = testsupport::writeFile(base + "/app/UpdateTemp/outside.txt", "outside");
        testsupport::writeFile(base + "/app/outside.txt", "outside");
        QJsonArray& array = QString(list) == "modified" ? setup.modified
                            : QString(list) == "added"  ? setup.added
                                                        : setup.removed;
        array.append(bad);
        setup.writeConfig();
        const QMap<QString, QByteArray> before = snapshot(base);

        PatchProgressRecorder progress;
        EXPECT_FALSE(setup.apply(&progress));
        EXPECT_EQ(snapshot(base), before);
        EXPECT_TRUE(progress.reports.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(setup.work));
    };
    for (const char* list : lists) {
        check(list, QJsonValue(3), "a number");
        check(list, QJsonObject(), "an empty object");
        for (const QString& path : attacks) {
            check(list, QJsonObject{{"path", path}, {"sha1_old", sha1("outside")}, {"sha1_new", sha1("x")}},
                  "\"" + path + "\"");
            EXPECT_TRUE(testsupport::logContains("patch apply invalid path: " + path));
        }
    }
}

TEST(PatchApply, FileHashReadsInBlocksOf2048)
{
    const struct {
        int size;
        int reports;
    } cases[] = {{0, 0}, {1, 1}, {2047, 1}, {2048, 1}, {2049, 2}, {5000, 3}};
    PatchProgressRecorder progress;
    Patch patch(&progress);
    qint64 done = 0;
    for (const auto& c : cases) {
        const QByteArray content = randomBytes(c.size, quint32(c.size));
        const QString path = testsupport::writeFile(testsupport::rootDir() + QString("/f%1").arg(c.size), content);
        progress.reports.clear();
        EXPECT_EQ(patch.fileHash(path, QCryptographicHash::Sha1), sha1(content)) << c.size;
        EXPECT_EQ(progress.reports.size(), c.reports) << c.size;
        done += c.size;
        if (c.reports > 0) {
            EXPECT_EQ(progress.reports.last().first, done) << c.size;
        }
    }
    progress.reports.clear();
    EXPECT_EQ(patch.fileHash(testsupport::rootDir() + "/missing", QCryptographicHash::Sha1), "");
    EXPECT_TRUE(progress.reports.isEmpty());
    EXPECT_EQ(Patch(nullptr).fileHash(testsupport::rootDir() + "/f5000", QCryptographicHash::Md5),
              QString::fromLatin1(QCryptographicHash::hash(randomBytes(5000, 5000), QCryptographicHash::Md5).toHex()));
}

TEST(PatchApply, LoadKeepsTheDirectoryOfTheLastGoodConfig)
{
    PatchSetup setup(testsupport::rootDir());
    setup.add("b.dat", "added");
    setup.writeConfig();
    Patch patch(nullptr);
    ASSERT_TRUE(patch.load(setup.patch));
    EXPECT_FALSE(patch.load(testsupport::rootDir() + "/elsewhere"));
    EXPECT_TRUE(testsupport::logContains("PatchConfig failed to open: " + testsupport::rootDir()
                                         + "/elsewhere/patch.conf"));
    EXPECT_EQ(patch.config().versionFrom(), Version(1, 0, 0));
    EXPECT_TRUE(patch.apply(setup.game, setup.work));
    EXPECT_EQ(testsupport::readFile(setup.game + "/b.dat"), "added");
}

} // namespace
