// Runs one full update job through AutoUpdate against a manifest URL, into a
// fresh application directory, with the pauses before unpacking and
// patching shortened to nothing; the exit code is the job's result, and a
// failed job prints its code and the log's critical lines on stderr. run.sh
// times it beside a shell pipeline of the same transfers and unpacks.
//
//   update-bench <manifest-url> <application-dir>

#include "content/archive/SevenZipLibrary.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "core/Random.h"
#include "platform/TickCount.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: update-bench <manifest-url> <application-dir>\n";
        return 100;
    }
    seedRandom(platform::tickCount());
    QDir().mkpath(args.at(2));
    setAppDirPathForTests(args.at(2));
    Log::instance()->open(logFilePath());
    Log::instance()->setLevel(Log::Info);
    g_launcherProduct = launcherProductInfo();
    g_gameProduct.id = QStringLiteral("qmx");
    setInstallPauseForTests(0);
    // The plug-in the launcher carries: the application directory is a
    // fresh one, not a launcher folder.
    sevenzip::setLibraryPathForTests(QStringLiteral(LAUNCHER_7Z_PLUGIN));

    AutoUpdate* engine = AutoUpdate::instance();
    QObject::connect(engine, &AutoUpdate::updateFinish, &app, [&](int code) { app.exit(code); },
                     Qt::QueuedConnection);
    engine->start({QUrl(args.at(1))}, true);
    const int result = app.exec();
    AutoUpdate::destroyInstance();
    if (result != UpdateDone) {
        QTextStream err(stderr);
        err << "update-bench: the update job ended with " << result << "\n";
        QFile log(logFilePath());
        if (log.open(QIODevice::ReadOnly | QIODevice::Text)) {
            while (!log.atEnd()) {
                const QByteArray line = log.readLine();
                if (line.startsWith("crit"))
                    err << line;
            }
        }
    }
    return result;
}
