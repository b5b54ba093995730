#pragma once

// The built "QMXLauncher.exe" as real processes on the X server of the test
// (xvfb-run): installations of it in folders of the test, its runs there, and
// its windows answered as a user would, with xdotool. Keys go to the window
// that has the focus.

#include "core/Version.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace testsupport {
class BareRoot;
class TestHttpServer;
}

namespace launcherprocess {

const int kWindowWaitMs = 30000;
const int kExitWaitMs = 30000;
// The version of the newer launcher that the tests build (NextLauncherVersion.cpp).
const QString kNextLauncherVersion = "4.0.10175";

// Runs xdotool, bounded; its standard output.
QString xdotool(const QStringList& arguments);
// The class part of a window's WM_CLASS, read with xprop.
QString windowClass(const QString& window);

// The visible windows that a search finds, oldest first.
QStringList visibleWindows(const QStringList& search);
// Waits until a search finds count visible windows and gives the focus to
// the newest; its id, empty when they did not come.
QString waitForWindows(const QStringList& search, int count);
// The launcher's windows, of every run: the main windows, the dialogs and
// the boxes over them. A new one is on top, so it is the one that takes keys.
QString waitForWindows(int count);
// A window by its whole title.
QString waitForWindow(const QString& title);
void waitUntilGone(const QString& title);
void pressKeys(const QStringList& keys);
// A left click at a point of a window, in its own coordinates.
void clickAt(const QString& window, int x, int y);

// The ids of the running processes whose executable lies below dir.
QList<qint64> processesBelow(const QString& dir);
// Waits, bounded, until a process runs from exactly this executable; its
// id, or 0.
qint64 waitForProcessOf(const QString& executable);
// Waits, bounded, until no process runs from below dir.
bool waitUntilNoProcessBelow(const QString& dir, int timeoutMs = kExitWaitMs);
// Ends every process that runs from below dir.
void killProcessesBelow(const QString& dir);

// Waits, bounded, until the condition holds; whether it did.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 60000);

// Closes the launcher window running from dir, as a user does once the
// window is idle, and waits until no process runs from there.
void closeLauncherIn(const QString& dir);

// Publishes the game's version folders below versionsDir for the server:
// the full packages of fulls (empty: the newest version) and the patches
// between them, and a launcher product that offers the files of
// nextLauncherDir as kNextLauncherVersion, or no launcher content.
void publishMirror(const testsupport::TestHttpServer& server, const QString& versionsDir,
                   const QList<Version>& fulls = {}, const QString& nextLauncherDir = QString());

// The SHA-1 of each launcher file in dir, by name (of nothing for a missing one).
QMap<QString, QByteArray> launcherFilesOf(const QString& dir);

// The launcher in a folder of the test, with its settings, and its runs
// there. The folder is the application directory of every run.
class Installation
{
public:
    enum Content {
        LinkedLauncher, // a copy of the built executable, the other launcher files linked beside it
        WholeLauncher,  // the executable with every launcher file beside it
        AlreadyThere,   // nothing copied: the folder holds an installation
    };
    explicit Installation(const QString& dir, Content content = LinkedLauncher);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    QString dir() const { return m_dir; }
    QString exe() const { return m_dir + "/QMXLauncher.exe"; }

    void writeSettings(const QJsonObject& settings);
    QJsonObject settings() const;
    QString log() const;

    // Waits for the manifest check of a current game to end: it has nothing
    // to do once the manifest is read, and the window is ready a moment later.
    void waitUntilReady() const;

    // The runs from now on start inside root, below which the folder lies.
    void runInside(const testsupport::BareRoot* root) { m_root = root; }

    // Starts a run, with a temporary folder of the test's own. The
    // single-instance guard is the user's within a network namespace, and
    // every test process has one of its own, so runs of other tests never
    // meet; the processes that a run starts inherit both. variables are
    // set for the run on top of the test's own.
    QProcess* start(const QStringList& arguments = {}, const QMap<QString, QString>& variables = {});
    // The same where there is no screen (a console, ssh): no X display, no
    // Wayland, no Qt platform chosen, but for what variables set; from
    // workingDir when one is given.
    QProcess* startWithoutDisplay(const QStringList& arguments, const QString& workingDir = QString(),
                                  const QMap<QString, QString>& variables = {});

    // The exit code of a run that ended by itself in time; -1 otherwise.
    static int exitCode(QProcess* run, int timeoutMs = kExitWaitMs);

private:
    QProcess* startWith(const QStringList& arguments, QProcessEnvironment environment,
                        const QMap<QString, QString>& variables, const QString& workingDir);

    QString m_dir;
    const testsupport::BareRoot* m_root = nullptr;
    std::vector<std::unique_ptr<QProcess>> m_runs;
};

} // namespace launcherprocess
