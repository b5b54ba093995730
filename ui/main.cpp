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

// Qt loads its plug-ins from the launcher's own folder and from nowhere else:
// the plug-ins of a Qt installed on the system are built for that Qt, not for
// the one that travels with the launcher. Set before the application object,
// which loads the platform plug-in.
void useOwnPlugins()
{
    const QString executable = platform::currentExecutablePath();
    if (!executable.isEmpty())
        QCoreApplication::setLibraryPaths(QStringList{QFileInfo(executable).absolutePath()});
}

// "--update" and "--uninstall" show nothing on their way to success and are
// run where there is no screen too (a console, ssh). The GUI application
// object would end the process there for want of a display, so these modes
// then run on a plain one, which needs no platform plug-in; a message box
// then has no screen to go to and stays the log line it comes with.
std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QHash<int, QVariant> options;
    const int action = parseCommandLine(arguments, options);
    if ((action == ActionUpdate || action == ActionUninstall) && !platform::canShowWindows())
        return std::make_unique<QCoreApplication>(argc, argv);
    return std::make_unique<QApplication>(argc, argv);
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
    SingleApp guard(QStringLiteral("ru.qmxgame.applock"), QStringLiteral("ru.qmxgame.appmem"));
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
        return runInstall(settings);
    case ActionUpdate:
        Log::instance()->debug(QStringLiteral("Running update action"));
        return runSelfUpdate(options);
    case ActionUninstall:
        Log::instance()->debug(QStringLiteral("Running unisntall action"));
        return install::runUninstallAction(options);
    default:
        return runNormal(settings);
    }
}
