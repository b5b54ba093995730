#include "core/Log.h"
#include "core/ProductInfo.h"
#include "install/HandOver.h"
#include "install/LauncherFiles.h"
#include "install/SelfUpdate.h"
#include "platform/FileIdentity.h"
#include "tests/install/HandOverFixture.h"
#include "tests/support/ModalSteps.h"
#include "tests/support/StandInLauncher.h"
#include "tests/support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <functional>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::SeenBox;

QHash<int, QVariant> withPath(const QString& path, QHash<int, QVariant> options = {})
{
    options.insert(install::HandOverPath, path);
    return options;
}

QHash<int, QVariant> withPid(int pid, QHash<int, QVariant> options = {})
{
    options.insert(install::HandOverPid, pid);
    return options;
}

// The new launcher, version 4.1.2, runs the action from the application
// directory; the old one, 4.0.10174, is installed in the target folder.
class SelfUpdateTest : public HandOverFixture
{
protected:
    void SetUp() override
    {
        HandOverFixture::SetUp();
        installOldLauncher();
        g_launcherProduct.version = Version(4, 1, 2);
    }

    void installOldLauncher()
    {
        for (const QString& name : install::launcherFileNames())
            testsupport::writeFile(target() + "/" + name, oldContent(name));
        prepareEntry(9);
        QFile::remove(target() + "/started.txt");
    }

    static QByteArray oldContent(const QString& name) { return "old " + name.toUtf8(); }

    // Every launcher file in the target as it came from: the old
    // installation or the update's folder. Names the first that differs.
    QString firstFileNotFrom(bool update) const
    {
        for (const QString& name : install::launcherFileNames()) {
            const QByteArray expected = update ? testsupport::readFile(source() + "/" + name) : oldContent(name);
            if (testsupport::readFile(target() + "/" + name) != expected)
                return name;
        }
        return QString();
    }

    QList<platform::RegistryValue> newEntry() const
    {
        QList<platform::RegistryValue> entry = expectedEntry(target(), target() + "/QMXLauncher.exe");
        entry[2].text = "4.1.2";
        return entry;
    }

    // The lines of the "log.txt" in a folder, and whether one contains text.
    static QStringList logOf(const QString& dir)
    {
        QStringList lines = QString::fromUtf8(testsupport::readFile(dir + "/log.txt")).split('\n');
        lines.removeAll(QString());
        return lines;
    }
    static bool logOfContains(const QString& dir, const QString& text) { return !logOf(dir).filter(text).isEmpty(); }

    // A start would show within this time; the stand-in records itself at once.
    static bool launcherStartedIn(const QString& dir)
    {
        QThread::msleep(300);
        return testsupport::standInStart(dir).started;
    }
};

TEST_F(SelfUpdateTest, AMissingOptionShowsTheBoxAndNothingElse)
{
    // A live process id: waiting for it would take the whole time-out.
    const int live = int(QCoreApplication::applicationPid());
    const struct {
        const char* what;
        QHash<int, QVariant> options;
    } cases[] = {
        {"no option", {}},
        {"--path alone", withPath(target())},
        {"--pid alone", withPid(live)},
        {"a --pid that is no number", withPath(target(), withPid(0))},
        {"an empty --path", withPath("", withPid(live))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::clearLog();
        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
        EXPECT_EQ(runSelfUpdate(c.options), 1);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.title, "Quillmere 4");
        EXPECT_EQ(seen.text, "Update failed: missing option");
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        EXPECT_TRUE(testsupport::logContains("Update path: " + c.options.value(0).toString()));
        EXPECT_TRUE(testsupport::logContains("Update pid: " + QString::number(c.options.value(1).toInt())));
        EXPECT_FALSE(testsupport::logContains("Wait for PID"));
        EXPECT_EQ(firstFileNotFrom(false), QString());
        EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe"));
        EXPECT_FALSE(launcherStartedIn(target()));
    }
}

TEST_F(SelfUpdateTest, ReplacesTheLauncherInTheInstallationThePathNames)
{
    const struct {
        const char* what;
        QString path;
        bool converted;
    } cases[] = {
        {"the installation folder", target(), false},
        {"the old executable", target() + "/QMXLauncher.exe", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        installOldLauncher();
        QFile::remove(target() + "/log.txt");
        testsupport::clearLog();

        const QString executable = platform::fileIdentity(target() + "/QMXLauncher.exe");

        // The old launcher has already quit, the usual case: nothing to wait
        // for, and no failure. The lines go to the installation's log.
        EXPECT_EQ(runSelfUpdate(withPath(c.path, withPid(endedProcessId()))), 0);
        // Another file at the executable's path, which the starting side's
        // hand-over mark tells from the one it handed over from.
        EXPECT_NE(platform::fileIdentity(target() + "/QMXLauncher.exe"), executable);
        const QStringList lines = logOf(target());
        EXPECT_EQ(lines.filter("Wait for PID").size(), 1) << lines.join('\n').toStdString();
        EXPECT_EQ(lines.filter(QRegularExpression("^debg .*Wait for PID: OK$")).size(), 1);
        EXPECT_TRUE(lines.filter(QRegularExpression("^crit ")).isEmpty()) << lines.join('\n').toStdString();
        EXPECT_EQ(logOfContains(target(), "Update path is not a directory: " + c.path + " converting to " + target()),
                  c.converted);
        EXPECT_TRUE(logOfContains(target(), "Update source: " + source()));
        EXPECT_TRUE(logOfContains(target(), "Update dest: " + target()));
        EXPECT_FALSE(testsupport::logContains("Update source: "));
        // Its own log again afterwards.
        Log::instance()->info("after the hand-over");
        EXPECT_TRUE(testsupport::logContains("after the hand-over"));

        EXPECT_EQ(firstFileNotFrom(true), QString());
        EXPECT_EQ(storedEntry(), newEntry());
        const testsupport::StandInStart start = testsupport::waitForStandInStart(target());
        EXPECT_TRUE(start.started);
        EXPECT_EQ(start.program, target() + "/QMXLauncher.exe");
        EXPECT_EQ(start.arguments, QStringList());
    }
}

// A path that is not absolute, or that names nothing in an installation,
// is not the old launcher's: nothing is waited for, written or started.
TEST_F(SelfUpdateTest, APathOutsideAnInstallationChangesNothing)
{
    const QString others = testsupport::rootDir() + "/Others";
    const QString notes = testsupport::writeFile(others + "/notes.txt", "mine");
    const QString cwd = testsupport::rootDir() + "/cwd";
    QDir().mkpath(cwd);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));
    const struct {
        const char* what;
        QString path;
        QString logLine;
    } cases[] = {
        {"a relative path", "Install Dir", "Update failed: path is not absolute: \"Install Dir\""},
        {"a relative executable", "Install Dir/QMXLauncher.exe",
         "Update failed: path is not absolute: \"Install Dir/QMXLauncher.exe\""},
        {"something that does not exist in an installation", target() + "/QMXLauncher.old",
         "Update failed: no launcher in \"" + target() + "/QMXLauncher.old\""},
        {"a folder that does not exist", others + "/New", "Update failed: no launcher in \"" + others + "/New\""},
        {"a folder of others", others, "Update failed: no launcher in \"" + others + "\""},
        {"a file of others", notes, "Update failed: no launcher in \"" + notes + "\""},
        {"the home folder", testsupport::homeDir(), "Update failed: no launcher in \"" + testsupport::homeDir() + "\""},
    };
    QDir(cwd).mkpath("Install Dir");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::clearLog();
        // A live process id: waiting for it would take the whole time-out.
        EXPECT_EQ(runSelfUpdate(withPath(c.path, withPid(int(QCoreApplication::applicationPid())))), 1);
        const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), 1);
        EXPECT_TRUE(criticals[0].endsWith(c.logLine)) << criticals[0].toStdString();
        EXPECT_EQ(firstFileNotFrom(false), QString());
        EXPECT_EQ(storedEntry(), expectedEntry(target(), target() + "/QMXLauncher.exe"));
        EXPECT_EQ(QDir(cwd + "/Install Dir").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        EXPECT_EQ(QDir(others).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"notes.txt"}));
        EXPECT_FALSE(launcherStartedIn(target()));
    }
    QDir::setCurrent(previous);
}

TEST_F(SelfUpdateTest, WaitsForTheOldLauncherBeforeTouchingItsFiles)
{
    // What the old launcher's file holds at the moment it ends.
    const int pid = startParent("cat '" + target() + "/libQt5Core.so.5' > '" + markerPath() + "'");

    EXPECT_EQ(runSelfUpdate(withPath(target() + "/QMXLauncher.exe", withPid(pid))), 0);
    EXPECT_TRUE(logOfContains(target(), "Wait for PID: OK"));
    EXPECT_EQ(testsupport::readFile(markerPath()), oldContent("libQt5Core.so.5"));
    EXPECT_EQ(firstFileNotFrom(true), QString());
    EXPECT_TRUE(testsupport::waitForStandInStart(target()).started);
}

TEST_F(SelfUpdateTest, AFailedReplacementStartsNothing)
{
    const struct {
        const char* what;
        std::function<void()> prepare;
        QString path;
        QStringList logLines;
    } cases[] = {
        {"a launcher file that cannot be copied", [this] { QFile::remove(source() + "/libQt5Gui.so.5"); }, target(),
         {"AutoUpdate job failed: Installing files...", "Failed to uptate files from " + source() + " in " + target()}},
        // Each copy would delete its own source first.
        {"the update's own folder as the destination", [] {}, source(),
         {"Failed to uptate files from " + source() + " in " + source() + ": the same folder"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        testsupport::writeFile(c.path + "/log.txt", QByteArray()); // the update's own log, in the second case
        testsupport::clearLog();
        EXPECT_EQ(runSelfUpdate(withPath(c.path, withPid(endedProcessId()))), 1);
        // In the log of the installation it failed to replace.
        const QStringList criticals = logOf(c.path).filter(QRegularExpression("^crit "));
        ASSERT_EQ(criticals.size(), c.logLines.size()) << logOf(c.path).join('\n').toStdString();
        for (int i = 0; i < criticals.size(); ++i)
            EXPECT_TRUE(criticals[i].endsWith(c.logLines[i])) << criticals[i].toStdString();
        EXPECT_FALSE(launcherStartedIn(c.path));
    }
    for (const QString& name : install::launcherFileNames()) {
        if (name != "libQt5Gui.so.5") {
            EXPECT_TRUE(QFile::exists(source() + "/" + name)) << name.toStdString();
        }
    }
}

} // namespace
