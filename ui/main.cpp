// The one entry of "QMXLauncher.exe" for its four run modes: the normal
// launcher, "--install", "--update" and "--uninstall". Everything the modes
// share is set up here, in this order, before the command line picks one.

#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/Random.h"
#include "install/InstallJournal.h"
#include "install/SelfUpdate.h"
#include "install/UninstallAction.h"
#include "platform/Display.h"
#include "platform/Process.h"
#include "platform/TickCount.h"
#include "ui/CommandLine.h"
#include "ui/Launcher.h"
#include "ui/Look.h"
#include "ui/SingleApp.h"
#include "update/AutoUpdate.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QVariant>

#include <memory>

namespace {

// The folder of the executable, which holds every launcher file.
QString ownFolder()
{
    const QString executable = platform::currentExecutablePath();
    return executable.isEmpty() ? QString() : QFileInfo(executable).absolutePath();
}

// Qt loads its plug-ins from the launcher's own folder and from nowhere else:
// the plug-ins of a Qt installed on the system are built for that Qt, not for
// the one that travels with the launcher. Set before the application object,
// which loads the platform plug-in.
void useOwnPlugins()
{
    if (!ownFolder().isEmpty())
        QCoreApplication::setLibraryPaths(QStringList{ownFolder()});
}

// The windows take a platform whose plug-in the folder carries: a session
// may name one it lacks ("wayland", which many Wayland desktops set), and
// Qt would end the process for want of it. Where none can serve (a
// console, ssh, Wayland without XWayland) the run goes on a plain
// application object, which needs no platform plug-in: "--update" and
// "--uninstall" show nothing on their way to success, and a message box
// then has no screen to go to and stays the log line it comes with.
std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv)
{
    const QByteArray chosen = platform::windowPlatform(ownFolder() + QStringLiteral("/platforms"));
    if (chosen.isEmpty())
        return std::make_unique<QCoreApplication>(argc, argv);
    // Qt reads the variable while the application object is made; what the
    // launcher starts (the game) gets it as the session set it.
    const bool wasSet = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", chosen);
    auto app = std::make_unique<QApplication>(argc, argv);
    if (wasSet)
        qputenv("QT_QPA_PLATFORM", requested);
    else
        qunsetenv("QT_QPA_PLATFORM");
    return app;
}

// The normal and the install mode are windows.
bool canShowWindows()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    Log::instance()->critical(QStringLiteral("Showing windows failed: no X display accepts a connection (DISPLAY \"")
                              + qEnvironmentVariable("DISPLAY") + QStringLiteral("\", QT_QPA_PLATFORM \"")
                              + qEnvironmentVariable("QT_QPA_PLATFORM") + QStringLiteral("\")"));
    return false;
}

// The install mode shows the main window only as the backdrop of the EULA
// and install dialogs; the manifest check in the background tells the
// install dialog the game's size.
int runInstall(IProgramSettings& settings)
{
    Log::instance()->debug(QStringLiteral("Running install action"));
    AutoUpdate::instance()->start(manifestUrlsFor(settings), false);
    Launcher window(&settings, true, nullptr);
    window.show();
    // The manifest check may still wait on a slow mirror, and an ordinary
    // return would wait for it; nothing of it is needed any more.
    endLauncherProcess(QApplication::exec());
}

// Only one normal launcher runs at a time; the other modes run beside it.
int runNormal(IProgramSettings& settings)
{
    SingleApp guard(QStringLiteral("ru.qmxgame.appmem"));
    if (!guard.tryLock()) {
        guard.notifyRunningInstance();
        return 0;
    }
    Launcher window(&settings, false, nullptr);
    window.show();
    guard.setWindow(&window);
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    useOwnPlugins();
    const std::unique_ptr<QCoreApplication> app = createApplication(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(true);

    seedRandom(platform::tickCount());

    // Without a log file the run goes on and writes nothing.
    Log::instance()->open(logFilePath());
    Log::instance()->setLevel(Log::Info);

    // The icon, fonts and the style sheet are for windows.
    if (qobject_cast<QApplication*>(app.get())) {
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icon")));
        loadFonts();
        loadStyleSheet();
    }
    initLanguage();

    g_launcherProduct = launcherProductInfo();
    // An install or self-update of this folder that was cut off (killed, a
    // power cut) is rolled back or finished before anything uses the files.
    install::finishInterruptedInstall(appDirPath());

    // A missing or broken settings file leaves the store empty: every key
    // takes its default.
    JsonSettings settings;
    settings.load(launcherConfigPath());
    applyLanguageFromSettings(settings);
    g_gameProduct = gameProductInfo(settings);

    Log::instance()->info(QStringLiteral("QMXLauncher ") + g_launcherProduct.version.toString());
    Log::instance()->debug(QStringLiteral("Location:") + QCoreApplication::applicationFilePath());

    QHash<int, QVariant> options;
    const int action = parseCommandLine(QCoreApplication::arguments(), options);
    switch (action) {
    case ActionInstall:
        if (!canShowWindows())
            return 1;
        return runInstall(settings);
    case ActionUpdate:
        Log::instance()->debug(QStringLiteral("Running update action"));
        return runSelfUpdate(options);
    case ActionUninstall:
        Log::instance()->debug(QStringLiteral("Running unisntall action"));
        return install::runUninstallAction(options);
    default:
        if (!canShowWindows())
            return 1;
        return runNormal(settings);
    }
}
