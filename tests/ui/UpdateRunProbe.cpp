// A normal run of the launcher in a process of its own, for tests that cut
// an update short and start again: the main window (on the offscreen
// platform) runs its update on the installation in the application
// directory given, and records installed contents in its settings as the
// launcher does. The install pauses are 0.
//
//   update_run_probe <application directory>
//       runs the update and exits with its result code;
//   update_run_probe <application directory> kill-in <folder> <prefix>
//       is killed (SIGKILL) the moment the folder, relative to the
//       application directory, holds an entry whose name starts with prefix;
//   update_run_probe <application directory> kill-when-installed <id>
//       is killed when the engine reports the content installed, before
//       the window can record it.
// A run that has neither finished nor been killed after 60 s exits with 99.

#include "content/archive/SevenZipLibrary.h"
#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "tests/support/TestPlugins.h"
#include "ui/Launcher.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <thread>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const int kRunLimitMs = 60000;

[[noreturn]] void killSelf()
{
    ::kill(::getpid(), SIGKILL);
    for (;;)
        ::pause();
}

bool hasEntry(const QString& folder, const QString& prefix)
{
    for (const QString& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (name.startsWith(prefix))
            return true;
    }
    return false;
}

// Kills the process the moment an entry whose name starts with prefix
// appears in folder.
// A file being written lives for a few milliseconds only, which polling
// could miss: the folder is watched through inotify once it exists.
void killOnEntry(const QString& folder, const QString& prefix)
{
    while (!QFileInfo(folder).isDir())
        ::usleep(100);
    const int fd = ::inotify_init1(IN_CLOEXEC);
    if (fd < 0 || ::inotify_add_watch(fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO) < 0)
        ::_exit(98);
    // What appeared before the watch began.
    if (hasEntry(folder, prefix))
        killSelf();
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            ::_exit(98);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && QFile::decodeName(event->name).startsWith(prefix))
                killSelf();
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    testsupport::useTestPlugins();
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    const QString mode = arguments.value(2);

    setAppDirPathForTests(arguments.at(1));
    // The application directory holds no launcher files.
    sevenzip::setLibraryPathForTests(QStringLiteral(LAUNCHER_TEST_7Z_PLUGIN));
    Log::instance()->open(logFilePath());
    Log::instance()->setLevel(Log::Debug);
    initLanguage();
    g_launcherProduct = launcherProductInfo();
    JsonSettings settings;
    settings.load(launcherConfigPath());
    g_gameProduct = gameProductInfo(settings);
    setInstallPauseForTests(0);

    // Connected before the window's own handlers, so that this one runs
    // after the window has recorded every installed content and before it
    // would show an error box.
    AutoUpdate* engine = AutoUpdate::instance();
    QObject::connect(
        engine, &AutoUpdate::updateFinish, &app,
        [](int code) {
            std::printf("finish %d\n", code);
            std::fflush(stdout);
            endLauncherProcess(code);
        },
        Qt::QueuedConnection);

    std::thread watcher;
    if (mode == QLatin1String("kill-in")) {
        const QString folder = joinPath(arguments.at(1), arguments.value(3));
        const QString prefix = arguments.value(4);
        watcher = std::thread([folder, prefix] { killOnEntry(folder, prefix); });
        watcher.detach();
    } else if (mode == QLatin1String("kill-when-installed")) {
        const QString id = arguments.value(3);
        QObject::connect(
            engine, &AutoUpdate::updateContentInstalled, &app,
            [id](const QString&, const QString& contentId) {
                if (contentId == id)
                    killSelf();
            },
            Qt::DirectConnection);
    }
    QTimer::singleShot(kRunLimitMs, [] { ::_exit(99); });

    Launcher window(&settings, false, nullptr);
    window.show();
    return app.exec();
}
