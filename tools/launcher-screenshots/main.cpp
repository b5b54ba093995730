// Runs the main window in normal mode against a manifest URL and saves it as
// PNG files: "main-checking.png" right after the start, "main-download.png"
// during the download (once the rate is known) and "main-ready.png" when PLAY
// is enabled. Offscreen unless QT_QPA_PLATFORM says otherwise. run.sh
// publishes and serves a small release for it.
//
//   launcher-screenshots <manifest-url> <application-dir> <output-dir> [language]
//
// The exit code is 0 when all three pictures were saved.

#include "content/archive/SevenZipLibrary.h"
#include "core/JsonSettings.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "ui/Buttons.h"
#include "ui/Launcher.h"
#include "ui/Look.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QThreadPool>
#include <QTimer>

namespace {

bool save(QWidget& window, const QDir& dir, const QString& name)
{
    // Texts set a moment ago get their room first: a layout lays out the
    // layouts inside it on request, one level per round.
    for (int round = 0; round < 3; ++round)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QString path = dir.filePath(name);
    if (!window.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "usage: launcher-screenshots <manifest-url> <application-dir> <output-dir> [language]\n";
        return 100;
    }
    QDir().mkpath(args.at(2));
    setAppDirPathForTests(args.at(2));
    const QDir out(args.at(3));
    QDir().mkpath(out.path());
    Log::instance()->open(logFilePath());
    Log::instance()->setLevel(Log::Info);

    loadFonts();
    loadStyleSheet();
    setLanguage(args.size() > 4 ? args.at(4) : QStringLiteral("en_US"));
    g_launcherProduct = launcherProductInfo();
    JsonSettings settings;
    settings.setValue(QStringLiteral("eula_accepted"), 20171002);
    settings.setValue(QStringLiteral("update_url"), args.at(1));
    g_gameProduct = gameProductInfo(settings);
    // The pictures are of the download; the pause before unpacking only waits.
    setInstallPauseForTests(0);
    // The plug-in the launcher carries: the application directory is a
    // fresh one, not a launcher folder.
    sevenzip::setLibraryPathForTests(QStringLiteral(LAUNCHER_7Z_PLUGIN));

    int saved = 0;
    {
        Launcher window(&settings, false, nullptr);
        window.show();
        QApplication::processEvents();
        saved += save(window, out, QStringLiteral("main-checking.png"));

        // Connected after the window's own connections: its slots have run.
        AutoUpdate* engine = AutoUpdate::instance();
        bool downloadSaved = false;
        QObject::connect(
            engine, &AutoUpdate::updateProgress, &window,
            [&](const QString&, int action, float progress, qlonglong total, qlonglong, qlonglong rate) {
                if (downloadSaved || action != ProgressDownloading || total <= 0 || rate <= 0 || progress < 0.2f)
                    return;
                downloadSaved = true;
                saved += save(window, out, QStringLiteral("main-download.png"));
            },
            Qt::QueuedConnection);
        QObject::connect(
            engine, &AutoUpdate::updateFinish, &window,
            [&](int code) {
                if (window.findChild<StyledButton*>(QStringLiteral("play"))->isEnabled())
                    saved += save(window, out, QStringLiteral("main-ready.png"));
                else
                    QTextStream(stderr) << "the update ended with " << code << "\n";
                app.exit(0);
            },
            Qt::QueuedConnection);
        QTimer::singleShot(300000, &app, [] {
            QTextStream(stderr) << "no end of the update in 5 minutes\n";
            QCoreApplication::exit(1);
        });
        app.exec();
    }
    QThreadPool::globalInstance()->waitForDone();
    AutoUpdate::destroyInstance();
    return saved == 3 ? 0 : 1;
}
