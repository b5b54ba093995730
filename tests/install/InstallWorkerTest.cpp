#include "core/Paths.h"
#include "install/InstallTarget.h"
#include "install/InstallWorker.h"
#include "install/LauncherFiles.h"
#include "platform/ShellLink.h"
#include "tests/install/InstallFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>
#include <memory>
#include <ostream>

#include <sys/statvfs.h>

using namespace install;

namespace {

struct Progress
{
    int step;
    int total;
    QString text;
    bool operator==(const Progress& other) const
    {
        return step == other.step && total == other.total && text == other.text;
    }
};

void PrintTo(const Progress& p, std::ostream* out)
{
    *out << p.step << "/" << p.total << " " << p.text.toStdString();
}

struct WorkerRun
{
    QList<Progress> progress;
    QList<bool> finished;
};

WorkerRun runWorker(int mode, const InstallOptions& options)
{
    WorkerRun run;
    InstallWorker worker(mode, options);
    // Direct connections: the slots run on the worker thread while this one
    // waits, and wait() orders their writes before the reads below.
    QObject::connect(&worker, &InstallWorker::installProgress, [&run](int step, int total, const QString& text) {
        run.progress.append({step, total, text});
    });
    QObject::connect(&worker, &InstallWorker::installFinished, [&run](bool res) { run.finished.append(res); });
    worker.start();
    EXPECT_TRUE(worker.wait(60000));
    return run;
}

// One progress step per title, counted from 1 of total (by default as
// many as there are titles).
QList<Progress> steps(const QStringList& titles, int total = -1)
{
    QList<Progress> list;
    for (int i = 0; i < titles.size(); ++i)
        list.append({i + 1, total < 0 ? int(titles.size()) : total, titles[i]});
    return list;
}

QStringList repeated(const QString& text, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << text;
    return list;
}

const QString kFiles = "Installing files...";
const Progress kDone = {1, 1, "Done."};
const Progress kFailed = {1, 1, "Installation failed."};

InstallOptions options(bool startMenu, bool quickLaunch, bool desktop, bool userData, const QString& path)
{
    InstallOptions o;
    o.m_createStartMenuItems = startMenu;
    o.m_createQuickLaunchItems = quickLaunch;
    o.m_createDesktopIcon = desktop;
    o.m_removeUserData = userData;
    o.m_path = path;
    return o;
}

// The paths named by the log lines that start with a prefix, in order.
QStringList loggedPaths(const QString& prefix)
{
    QStringList paths;
    for (const QString& line : testsupport::logLines()) {
        const int at = line.indexOf(prefix);
        if (at >= 0)
            paths << line.mid(at + prefix.size()).section("; result", 0, 0);
    }
    return paths;
}

// The registry store on a small volume of its own, which fill() makes full:
// the uninstall entry then cannot be written, while the launcher files and
// the install's journal, on another volume, can.
class RegistryVolume
{
public:
    RegistryVolume() : m_mount(root(), 256 * 1024, false) {}
    ~RegistryVolume() { QFile::remove(filler()); }

    bool isMounted() const { return m_mount.isMounted(); }
    QString error() const { return m_mount.error(); }

    // Takes all the room there is left; empty() gives it back.
    void fill()
    {
        struct statvfs info = {};
        ASSERT_EQ(::statvfs(QFile::encodeName(root()).constData(), &info), 0);
        testsupport::writeFile(filler(), QByteArray(int(info.f_bavail * info.f_frsize), 'x'));
        ASSERT_EQ(::statvfs(QFile::encodeName(root()).constData(), &info), 0);
        ASSERT_EQ(info.f_bavail, 0u);
    }
    void empty() { QFile::remove(filler()); }

private:
    static QString root() { return testsupport::homeDir() + "/.config/QMXLauncher/registry"; }
    static QString filler() { return root() + "/filler"; }

    testsupport::PrivateMount m_mount;
};

class InstallWorkerTest : public InstallFixture
{
protected:

    QStringList installedFiles() const
    {
        QStringList files;
        for (const QString& name : launcherFileNames()) {
            if (QFileInfo::exists(target() + "/" + name))
                files << name;
        }
        return files;
    }
};

TEST_F(InstallWorkerTest, InstallsFilesShortcutsAndTheEntry)
{
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Quillmere 4\nExec=\"" + target().toUtf8()
        + "/QMXLauncher.exe\"\nIcon=" + target().toUtf8() + "/QMXLauncher.png\nTerminal=false\n"
        "StartupWMClass=QMXLauncher.exe\n";
    const struct {
        const char* what;
        bool startMenu, quickLaunch, desktop, userData;
        QStringList titles;
    } cases[] = {
        {"the install dialog with both boxes ticked", true, false, true, false,
         repeated(kFiles, fileCount()) + QStringList{"Creating start menu links...", "Creating desktop links...",
                                            "Creating uninstall keys..."}},
        {"no shortcuts", false, false, false, false, repeated(kFiles, fileCount()) + QStringList{"Creating uninstall keys..."}},
        {"every shortcut; the user-data flag adds nothing to an install", true, true, true, true,
         repeated(kFiles, fileCount()) + QStringList{"Creating start menu links...", "Creating quick launch links...",
                                            "Creating desktop links...", "Creating uninstall keys..."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(target()).removeRecursively();
        for (const char* folder : {kStartMenu, kQuickLaunch, kDesktop})
            QFile::remove(linkPath(folder));

        const WorkerRun run = runWorker(1, options(c.startMenu, c.quickLaunch, c.desktop, c.userData, target()));
        EXPECT_EQ(run.progress, steps(c.titles) + QList<Progress>{kDone});
        EXPECT_EQ(run.finished, QList<bool>{true});

        for (const QString& name : launcherFileNames())
            EXPECT_EQ(testsupport::readFile(target() + "/" + name), dummyContent(name)) << name.toStdString();
        const struct {
            const char* folder;
            bool wanted;
        } links[] = {{kStartMenu, c.startMenu}, {kQuickLaunch, c.quickLaunch}, {kDesktop, c.desktop}};
        for (const auto& link : links) {
            EXPECT_EQ(testsupport::readFile(linkPath(link.folder)), link.wanted ? entry : QByteArray()) << link.folder;
            EXPECT_EQ(bool(QFileInfo(linkPath(link.folder)).permissions() & QFileDevice::ExeOwner), link.wanted);
        }
        EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe"));
    }
    const int jobs = fileCount() + 3;
    EXPECT_TRUE(testsupport::logContains(QString("install (%1/%1) Creating uninstall keys...").arg(jobs)));
}

TEST_F(InstallWorkerTest, AFailingFileRollsBackTheCopiedOnesNewestFirst)
{
    const QStringList names = launcherFileNames();
    QFile::remove(source() + "/" + names[2]);

    const WorkerRun run = runWorker(1, options(true, false, true, false, target()));
    EXPECT_EQ(run.progress, steps(repeated(kFiles, 3), fileCount() + 3) + steps(repeated("Rolling back...", 2))
                                + QList<Progress>{kFailed});
    EXPECT_EQ(run.finished, QList<bool>{false});
    EXPECT_EQ(loggedPaths("CopyFileJob Rollback: "), QStringList({target() + "/" + names[1], target() + "/" + names[0]}));
    EXPECT_EQ(installedFiles(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(linkPath(kStartMenu)));
    EXPECT_FALSE(QFileInfo::exists(linkPath(kDesktop)));
    EXPECT_FALSE(entryExists());
}

TEST_F(InstallWorkerTest, AFailingEntryRollsBackEverythingButLeavesTheKey)
{
    RegistryVolume store;
    if (!store.isMounted())
        GTEST_SKIP() << "cannot mount a volume of its own: " << store.error().toStdString();
    prepareEntry(4);
    store.fill();
    const WorkerRun run = runWorker(1, options(true, false, true, false, target()));
    store.empty();
    const QStringList titles = repeated(kFiles, fileCount())
        + QStringList{"Creating start menu links...", "Creating desktop links...", "Creating uninstall keys..."};
    EXPECT_EQ(run.progress, steps(titles) + steps(repeated("Rolling back...", fileCount() + 2)) + QList<Progress>{kFailed});
    EXPECT_EQ(run.finished, QList<bool>{false});
    EXPECT_EQ(installedFiles(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(linkPath(kStartMenu)));
    EXPECT_FALSE(QFileInfo::exists(linkPath(kDesktop)));
    // The entry is one change: the key that was there stays as it was.
    EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe").mid(0, 4));
    const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
    ASSERT_EQ(criticals.size(), 1);
    EXPECT_TRUE(criticals[0].endsWith(
        " InstallWorker failed: Creating uninstall keys...: cannot write the uninstall entry: result 29"))
        << criticals[0].toStdString();
}

// A working installation with every shortcut, of other contents than the
// source holds now; an install that fails part way, into the same folder or
// into a new one, leaves it exactly as it was: its files, its shortcuts and
// its uninstall entry. A new folder is left without a file.
TEST_F(InstallWorkerTest, AFailedInstallLeavesAnInstallationAsItWas)
{
    const int files = launcherFileNames().size();
    RegistryVolume store;
    if (!store.isMounted())
        GTEST_SKIP() << "cannot mount a volume of its own: " << store.error().toStdString();
    const struct {
        const char* what;
        bool intoNewFolder;
        QString missing;       // a launcher file missing from the source
        bool largeFile;        // the file before the executable is large
        qint64 fileSizeLimit;  // 0: none
        bool fullStore;        // no room for the uninstall entry
        int rolledBack;        // the jobs done before the one that fails
    } cases[] = {
        {"a launcher file missing from the source", false, launcherFileNames().at(2), false, 0, false, 2},
        {"a disk too full for a large file", false, QString(), true, 32 * 1024, false, files - 2},
        {"a disk too full for the uninstall entry, the last job", false, QString(), false, 0, true, files + 3},
        {"into a new folder: a disk too full for the uninstall entry", true, QString(), false, 0, true, files + 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString installed = testsupport::rootDir() + "/Installed";
        QDir(installed).removeRecursively();
        for (const QString& name : launcherFileNames())
            testsupport::writeFile(source() + "/" + name, "older " + dummyContent(name));
        ASSERT_EQ(runWorker(1, options(true, true, true, false, installed)).finished, QList<bool>{true});
        for (const char* file : {"Game/bin/qmx_x64.exe", "log.txt", "QMXLauncher.conf"})
            testsupport::writeFile(installed + "/" + file, "x");
        // A shortcut that the player made a link to the menu's one.
        ASSERT_TRUE(QFile::remove(linkPath(kDesktop)));
        ASSERT_TRUE(QFile::link(linkPath(kStartMenu), linkPath(kDesktop)));

        for (const QString& name : launcherFileNames())
            testsupport::writeFile(source() + "/" + name, dummyContent(name));
        if (c.largeFile)
            testsupport::writeFile(source() + "/" + launcherFileNames().at(files - 2),
                                   testsupport::randomBytes(1, 64 * 1024));
        if (!c.missing.isEmpty())
            QFile::remove(source() + "/" + c.missing);
        const QString into = c.intoNewFolder ? target() : installed;
        QDir(target()).removeRecursively();
        const QMap<QString, QString> before = testsupport::describeTree(installed);
        const QMap<QString, QString> home = testsupport::describeTree(testsupport::homeDir());

        WorkerRun run;
        {
            std::unique_ptr<testsupport::FileSizeLimit> limit;
            if (c.fileSizeLimit)
                limit.reset(new testsupport::FileSizeLimit(c.fileSizeLimit));
            if (c.fullStore)
                store.fill();
            run = runWorker(1, options(true, true, true, false, into));
            store.empty();
        }
        EXPECT_EQ(run.finished, QList<bool>{false});
        EXPECT_EQ(run.progress.mid(run.progress.size() - 1 - c.rolledBack),
                  steps(repeated("Rolling back...", c.rolledBack)) + QList<Progress>{kFailed});
        EXPECT_EQ(testsupport::describeTree(installed), before);
        EXPECT_EQ(testsupport::describeTree(testsupport::homeDir()), home);
        EXPECT_EQ(storedEntry(), expectedEntry(installed, installed + "/QMXLauncher.exe"));
        if (c.intoNewFolder) {
            EXPECT_EQ(installedFiles(), QStringList());
            for (const QString& entry : testsupport::describeTree(target()))
                EXPECT_EQ(entry, "dir");
        }
    }
}

TEST_F(InstallWorkerTest, UninstallUndoesEverythingInReverseAndRemovesTheWorkingData)
{
    ASSERT_EQ(runWorker(1, options(true, true, true, false, target())).finished, QList<bool>{true});
    const QString data = specialFolderPath(SpecialFolder::ProductData, false);
    testsupport::writeFile(data + "state.json", "{}");
    for (const char* file : {"Update/a.7z", "UpdateTemp/c1/patch.conf", "Game/bin/qmx_x64.exe", "log.txt",
                             "QMXLauncher.conf", "Session.conf"})
        testsupport::writeFile(target() + "/" + file, "x");
    testsupport::clearLog();

    const WorkerRun run = runWorker(0, options(true, true, true, true, target()));
    const QStringList titles = QStringList{"Creating uninstall keys...", "Removing user data...",
                                           "Creating desktop links...", "Creating quick launch links...",
                                           "Creating start menu links..."}
        + repeated(kFiles, fileCount());
    EXPECT_EQ(run.progress, steps(titles) + QList<Progress>{kDone});
    EXPECT_EQ(run.finished, QList<bool>{true});
    EXPECT_TRUE(testsupport::logContains(QString("uninstall (%1/%1) Installing files...").arg(fileCount() + 5)));

    QStringList reversed;
    for (const QString& name : launcherFileNames())
        reversed.prepend(target() + "/" + name);
    EXPECT_EQ(loggedPaths("CopyFileJob Rollback: "), reversed);
    EXPECT_EQ(loggedPaths("CreateShellLinkJob Rollback: "),
              QStringList({linkPath(kDesktop), linkPath(kQuickLaunch), linkPath(kStartMenu)}));

    EXPECT_FALSE(entryExists());
    EXPECT_FALSE(QFileInfo::exists(data));
    EXPECT_EQ(installedFiles(), QStringList());
    // What stays: the folder itself, its emptied subfolders and files of others.
    QStringList left = QDir(target()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList{"Session.conf"} + fileFolders());
    EXPECT_TRUE(QDir(target() + "/platforms").isEmpty());

    // Once more, with everything already gone: still a success.
    const WorkerRun again = runWorker(0, options(true, true, true, true, target()));
    EXPECT_EQ(again.progress.last(), kDone);
    EXPECT_EQ(again.finished, QList<bool>{true});
}

// The player moved the game elsewhere and linked it back: the uninstall
// removes the link, not what it points to.
TEST_F(InstallWorkerTest, UninstallLeavesWhatALinkedFolderPointsTo)
{
    ASSERT_EQ(runWorker(1, options(false, false, false, false, target())).finished, QList<bool>{true});
    const QString elsewhere = testsupport::rootDir() + "/other disk/games";
    const QString kept = testsupport::writeFile(elsewhere + "/bin/qmx_x64.exe", "the moved game");
    ASSERT_TRUE(QFile::link(elsewhere, target() + "/Game"));

    EXPECT_EQ(runWorker(0, options(false, false, false, false, target())).finished, QList<bool>{true});
    EXPECT_FALSE(QFileInfo(target() + "/Game").isSymLink());
    EXPECT_EQ(testsupport::readFile(kept), "the moved game");
}

TEST_F(InstallWorkerTest, RefusesAnEmptyOrRelativePath)
{
    // A working directory and an uninstall entry that a refused run must not touch.
    const QString cwd = testsupport::rootDir() + "/cwd";
    for (const char* file : {"Game/qmx_x64.exe", "Update/a.7z", "log.txt", "QMXLauncher.exe"})
        testsupport::writeFile(cwd + "/" + file, "keep");
    prepareEntry(9);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));

    const struct {
        int mode;
        QString path;
    } cases[] = {
        {0, ""}, {1, ""}, {0, "."}, {1, "."}, {0, "relative/dir"}, {1, "Install Dir"}, {0, ":/resources"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " \"" + c.path.toStdString() + "\"");
        testsupport::clearLog();
        const WorkerRun run = runWorker(c.mode, options(true, true, true, true, c.path));
        EXPECT_EQ(run.progress, QList<Progress>{kFailed});
        EXPECT_EQ(run.finished, QList<bool>{false});
        EXPECT_TRUE(testsupport::logContains("InstallWorker failed: installation path is not absolute: \"" + c.path));
        for (const char* file : {"Game/qmx_x64.exe", "Update/a.7z", "log.txt", "QMXLauncher.exe"})
            EXPECT_EQ(testsupport::readFile(cwd + "/" + file), "keep") << file;
        EXPECT_EQ(storedEntry().size(), 9);
        EXPECT_FALSE(QFileInfo::exists(linkPath(kDesktop)));
    }
    QDir::setCurrent(previous);
}

// The folder is checked where the install runs, too: one that holds files
// of others, or a file in place of a folder, gets nothing.
TEST_F(InstallWorkerTest, RefusesAFolderThatIsNotItsOwn)
{
    const QString file = testsupport::writeFile(testsupport::rootDir() + "/a file", "mine");
    testsupport::writeFile(target() + "/notes.txt", "mine");
    for (const QString& path : {target(), file, file + "/Games"}) {
        SCOPED_TRACE(path.toStdString());
        testsupport::clearLog();
        const WorkerRun run = runWorker(1, options(true, false, true, false, path));
        EXPECT_EQ(run.progress, QList<Progress>{kFailed});
        EXPECT_EQ(run.finished, QList<bool>{false});
        EXPECT_TRUE(testsupport::logContains("InstallWorker failed: not a folder to install into: \"" + path + "\""));
        EXPECT_EQ(installedFiles(), QStringList());
        EXPECT_FALSE(QFileInfo::exists(linkPath(kDesktop)));
        EXPECT_FALSE(entryExists());
    }
    EXPECT_EQ(testsupport::readFile(file), "mine");
}

TEST_F(InstallWorkerTest, LauncherFilesAreCopiedPastAFailure)
{
    const QString copy = testsupport::rootDir() + "/Temp/qm_1a2b";
    QFile::remove(source() + "/platforms/libqxcb.so");
    EXPECT_FALSE(installLauncherFiles(source(), copy));
    const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
    ASSERT_EQ(criticals.size(), 1);
    EXPECT_TRUE(criticals[0].endsWith(" AutoUpdate job failed: Installing files..."));
    for (const QString& name : launcherFileNames()) {
        const QByteArray expected = name == "platforms/libqxcb.so" ? QByteArray() : dummyContent(name);
        EXPECT_EQ(testsupport::readFile(copy + "/" + name), expected) << name.toStdString();
    }
    EXPECT_EQ(storedEntry(), expectedEntry(copy, copy + "/QMXLauncher.exe"));

    testsupport::writeFile(source() + "/platforms/libqxcb.so", dummyContent("platforms/libqxcb.so"));
    EXPECT_TRUE(installLauncherFiles(source(), copy));
    EXPECT_EQ(testsupport::readFile(copy + "/platforms/libqxcb.so"), dummyContent("platforms/libqxcb.so"));

    // An empty directory would mean the file-system root.
    testsupport::clearLog();
    EXPECT_FALSE(installLauncherFiles(source(), ""));
    EXPECT_FALSE(installLauncherFiles("", copy));
    EXPECT_TRUE(testsupport::logContains("installLauncherFiles failed: empty directory"));
}

// An installation of an earlier release, whose list of launcher files had
// others: a library of another version beside this one's, a plug-in, and a
// plug-in folder of its own. Its record names them, so the folder counts as
// the installation it is; an install or a self-update over it removes what
// the new list lacks, and the uninstall removes them all.
TEST_F(InstallWorkerTest, TheFilesOfAnEarlierListAreTheInstallationsOwn)
{
    const QStringList earlier = {"libicuuc.so.71", "platforms/libqwayland.so", "wayland-shell/libxdg-shell.so"};
    const QString record = target() + "/QMXLauncher.files";
    const auto worker = [&](int mode) {
        return runWorker(mode, options(true, false, true, false, target())).finished == QList<bool>{true};
    };
    const struct {
        const char* what;
        std::function<bool()> run;
        bool removesAll;
    } cases[] = {
        {"an install over it", [&] { return worker(1); }, false},
        {"a self-update over it", [&] { return installLauncherFiles(source(), target()); }, false},
        {"its uninstall", [&] { return worker(0); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(target()).removeRecursively();
        for (const QString& name : launcherFileNames() + earlier)
            testsupport::writeFile(target() + "/" + name, "older " + dummyContent(name));
        testsupport::writeFile(record, ((launcherFileNames() + earlier).join('\n') + '\n').toUtf8());
        EXPECT_EQ(examineTargetFolder(target()), TargetFolder::Usable);

        EXPECT_TRUE(c.run());
        for (const QString& name : earlier)
            EXPECT_FALSE(QFileInfo::exists(target() + "/" + name)) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target() + "/wayland-shell"));
        if (!c.removesAll) {
            EXPECT_EQ(installedFiles(), launcherFileNames());
            EXPECT_EQ(testsupport::readFile(record), (launcherFileNames().join('\n') + '\n').toUtf8());
        } else {
            EXPECT_FALSE(QFileInfo::exists(record));
            QStringList left = QDir(target()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            left.sort();
            EXPECT_EQ(left, fileFolders());
        }
    }
}

// A path with ".." through a folder that does not exist yet names, once
// cleaned, the folder above it: that is the folder examined, written into
// and recorded, never a new one that the file system does not see.
TEST_F(InstallWorkerTest, APathIsCleanedBeforeItIsExamined)
{
    const QString games = testsupport::rootDir() + "/Games";
    testsupport::writeFile(games + "/notes.txt", "the player's");
    const struct {
        QString path;
        QString folder; // empty: refused
    } cases[] = {
        {games + "/new/..", {}},
        {games + "/new/../QMX_EN/", games + "/QMX_EN"},
        {games + "//QMX_EN2/.", games + "/QMX_EN2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        testsupport::clearLog();
        const WorkerRun run = runWorker(1, options(true, false, false, false, c.path));
        EXPECT_EQ(run.finished, QList<bool>{!c.folder.isEmpty()});
        EXPECT_FALSE(QFileInfo::exists(games + "/new"));
        EXPECT_FALSE(QFileInfo::exists(games + "/QMXLauncher.exe"));
        EXPECT_EQ(testsupport::readFile(games + "/notes.txt"), "the player's");
        if (c.folder.isEmpty()) {
            EXPECT_TRUE(testsupport::logContains("InstallWorker failed: not a folder to install into: \"" + games + "\""));
            continue;
        }
        EXPECT_TRUE(QFileInfo::exists(c.folder + "/QMXLauncher.exe"));
        EXPECT_EQ(storedEntry(), expectedEntry(c.folder, c.folder + "/QMXLauncher.exe"));
        EXPECT_EQ(platform::shellLinkTarget(linkPath(kStartMenu)), c.folder + "/QMXLauncher.exe");
    }
}

} // namespace
