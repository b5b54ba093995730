// The launcher's BitTorrent download step, for the benchmark run.sh runs by
// hand. Three commands:
//
//   torrent-bench torrent <file> <torrent-out> [--web-seed URL] [--tracker URL]
//       writes a .torrent of the file (the publisher's way)
//   torrent-bench manifest <manifest-out> <torrent-url> <file> [<http-url>]
//       writes an update manifest whose one game content is that file,
//       offered by that torrent (and the HTTP URL as its web seed)
//   torrent-bench seed <torrent> <data-dir> <port-file>
//       seeds the torrent on 127.0.0.1 over TCP until it is killed; writes
//       its port once it has checked the data and seeds
//   torrent-bench download <manifest-url> <application-dir>
//       one full update job through AutoUpdate into a fresh application
//       directory, with the session kept on 127.0.0.1; prints the job's
//       time in seconds
//
// The content is not an archive, so the job ends right after the download
// step, when unpacking fails (result 7): its time is that of the download
// step, plus the manifest fetch (a few milliseconds).

#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "tools/publish/Publisher.h"
#include "tools/publish/Seeding.h"
#include "update/AutoUpdate.h"
#include "update/GameUpdate.h"
#include "update/TorrentDownload.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QThread>

#include <libtorrent/add_torrent_params.hpp>
#include <libtorrent/session.hpp>
#include <libtorrent/session_params.hpp>
#include <libtorrent/torrent_handle.hpp>
#include <libtorrent/torrent_info.hpp>
#include <libtorrent/torrent_status.hpp>

namespace lt = libtorrent;

namespace {

int usage()
{
    QTextStream(stderr) << "usage: torrent-bench torrent|manifest|seed|download ... (see main.cpp)\n";
    return 100;
}

int makeTorrent(const QStringList& args)
{
    QStringList webSeeds, trackers;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--web-seed"))
            webSeeds << args.at(i + 1);
        else if (args.at(i) == QLatin1String("--tracker"))
            trackers << args.at(i + 1);
        else
            return usage();
    }
    QString error;
    if (!publish::makeTorrent(args.at(0), webSeeds, trackers, args.at(1), &error)) {
        QTextStream(stderr) << error << "\n";
        return 1;
    }
    return 0;
}

int writeManifest(const QStringList& args)
{
    const QFileInfo file(args.at(2));
    publish::PublishedContent content;
    content.id = file.completeBaseName();
    content.name = file.fileName();
    content.platform = QStringLiteral("win64");
    content.versionTo = Version(1, 0, 0);
    content.size = file.size();
    content.torrentUrl = args.at(1);
    if (args.size() > 3)
        content.httpUrls << args.at(3);
    publish::Release release;
    release.gameVersion = content.versionTo;
    release.launcherVersion = launcherProductInfo().version;
    release.contents << content;
    QString error;
    if (!publish::writeManifest(args.at(0), release.manifest(), &error)) {
        QTextStream(stderr) << error << "\n";
        return 1;
    }
    return 0;
}

int seed(const QStringList& args)
{
    lt::settings_pack pack = publish::loopbackSeedSettings();
    // A seeder built to serve fast, as a dedicated seeding server would be:
    // enough queued for the socket that it never runs dry.
    pack.set_int(lt::settings_pack::send_buffer_watermark, 16 << 20);
    pack.set_int(lt::settings_pack::send_buffer_low_watermark, 1 << 20);
    pack.set_int(lt::settings_pack::send_buffer_watermark_factor, 150);
    lt::session session{lt::session_params(std::move(pack))};

    lt::add_torrent_params params;
    lt::error_code error;
    params.ti = std::make_shared<lt::torrent_info>(QFile::encodeName(args.at(0)).toStdString(), error);
    if (error) {
        QTextStream(stderr) << QString::fromStdString(error.message()) << "\n";
        return 1;
    }
    params.ti->clear_trackers();
    params.save_path = QFile::encodeName(args.at(1)).toStdString();
    // Checked whole before it serves (seed mode would hash each piece on its
    // first upload instead, slowing the download being measured).
    params.flags &= ~(lt::torrent_flags::auto_managed | lt::torrent_flags::paused);
    const lt::torrent_handle torrent = session.add_torrent(std::move(params));
    while (torrent.status().state != lt::torrent_status::seeding)
        QThread::msleep(50);

    QSaveFile portFile(args.at(2));
    if (!portFile.open(QIODevice::WriteOnly) || portFile.write(QByteArray::number(session.listen_port())) < 0
        || !portFile.commit())
        return 1;
    for (;;)
        QThread::sleep(3600);
}

int download(QCoreApplication& app, const QStringList& args)
{
    QDir().mkpath(args.at(1));
    setAppDirPathForTests(args.at(1));
    Log::instance()->open(logFilePath());
    Log::instance()->setLevel(Log::Info);
    g_launcherProduct = launcherProductInfo();
    g_gameProduct.id = QStringLiteral("qmx");
    setInstallPauseForTests(0);
    setTorrentListenInterfacesForTests(QStringLiteral("127.0.0.1:0"));

    AutoUpdate* engine = AutoUpdate::instance();
    QElapsedTimer clock;
    qint64 elapsed = 0;
    QObject::connect(
        engine, &AutoUpdate::updateFinish, &app,
        [&](int code) {
            elapsed = clock.elapsed();
            app.exit(code);
        },
        Qt::QueuedConnection);
    clock.start();
    engine->start({QUrl(args.at(0))}, true);
    const int result = app.exec();
    AutoUpdate::destroyInstance();
    QTextStream(stdout) << QString::number(double(elapsed) / 1000.0, 'f', 2) << "\n";
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("torrent") && args.size() >= 2)
        return makeTorrent(args);
    if (command == QLatin1String("manifest") && args.size() >= 3)
        return writeManifest(args);
    if (command == QLatin1String("seed") && args.size() == 3)
        return seed(args);
    if (command == QLatin1String("download") && args.size() == 2)
        return download(app, args);
    return usage();
}
