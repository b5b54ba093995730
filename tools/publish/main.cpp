// publish: builds a release folder from version folders of a game; see README.md.

#include "tools/publish/Publisher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

bool parseVersion(const QString& text, Version& out)
{
    out = Version::fromString(text);
    return out.isValid();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds an update release folder from version folders."));
    parser.addHelpOption();
    const QCommandLineOption versions(QStringLiteral("versions"), QStringLiteral("Folder of version folders."),
                                      QStringLiteral("dir"));
    const QCommandLineOption outDir(QStringLiteral("out"), QStringLiteral("Release folder to write."),
                                    QStringLiteral("dir"));
    const QCommandLineOption url(QStringLiteral("url"), QStringLiteral("Base URL of a mirror (repeatable)."),
                                 QStringLiteral("url"));
    const QCommandLineOption full(QStringLiteral("full"), QStringLiteral("Version to publish as a full package "
                                                                          "(repeatable; default: the newest)."),
                                  QStringLiteral("version"));
    const QCommandLineOption patch(QStringLiteral("patch"), QStringLiteral("Patch to publish (repeatable; "
                                                                            "default: each version to the next)."),
                                   QStringLiteral("from:to"));
    const QCommandLineOption platform(QStringLiteral("platform"), QStringLiteral("Content platform (default win64)."),
                                      QStringLiteral("name"), QStringLiteral("win64"));
    const QCommandLineOption launcher(QStringLiteral("launcher-version"),
                                      QStringLiteral("Launcher version (default: the launcher's own)."),
                                      QStringLiteral("version"));
    const QCommandLineOption level(QStringLiteral("level"), QStringLiteral("7z compression level 0-9 (default 5)."),
                                   QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption torrent(QStringLiteral("torrent"),
                                     QStringLiteral("Offer every content by BitTorrent too (a .torrent each)."));
    const QCommandLineOption launcherDir(QStringLiteral("launcher"),
                                         QStringLiteral("Folder of a new launcher to publish as its full package."),
                                         QStringLiteral("dir"));
    parser.addOptions({versions, outDir, url, full, patch, platform, launcher, level, torrent, launcherDir});
    parser.process(app);

    if (!parser.isSet(versions) || !parser.isSet(outDir) || !parser.isSet(url)) {
        err << "publish: --versions, --out and at least one --url are needed\n";
        return 2;
    }
    publish::ReleaseOptions options;
    options.versionsDir = parser.value(versions);
    options.outDir = parser.value(outDir);
    options.baseUrls = parser.values(url);
    options.platform = parser.value(platform);
    options.torrents = parser.isSet(torrent);
    options.launcherDir = parser.value(launcherDir);
    bool levelOk = false;
    options.compressionLevel = parser.value(level).toInt(&levelOk);
    if (!levelOk || options.compressionLevel < 0 || options.compressionLevel > 9) {
        err << "publish: --level takes 0 to 9\n";
        return 2;
    }
    for (const QString& text : parser.values(full)) {
        Version version;
        if (!parseVersion(text, version)) {
            err << "publish: not a version: " << text << "\n";
            return 2;
        }
        options.fulls.append(version);
    }
    for (const QString& text : parser.values(patch)) {
        const QStringList ends = text.split(QLatin1Char(':'));
        publish::PatchStep step;
        if (ends.size() != 2 || !parseVersion(ends.at(0), step.from) || !parseVersion(ends.at(1), step.to)) {
            err << "publish: not a from:to pair of versions: " << text << "\n";
            return 2;
        }
        options.patches.append(step);
    }
    if (parser.isSet(launcher) && !parseVersion(parser.value(launcher), options.launcherVersion)) {
        err << "publish: not a version: " << parser.value(launcher) << "\n";
        return 2;
    }

    publish::Release release;
    QString error;
    if (!publish::publishRelease(options, release, &error)) {
        err << "publish: " << error << "\n";
        return 1;
    }
    for (const publish::PublishedContent& content : release.contents + release.launcherContents)
        out << content.name << " " << content.size << "\n";
    out << "game " << release.gameVersion.toString() << ", launcher " << release.launcherVersion.toString()
        << ": " << options.outDir << "/update.json\n";
    return 0;
}
