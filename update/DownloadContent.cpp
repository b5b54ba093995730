// Fetching one content into the "Update" directory: by BitTorrent when the
// manifest offers a torrent (TorrentDownload.cpp), else over HTTP from one of
// its mirrors.

#include "update/DownloadContent.h"

#include "core/Log.h"
#include "core/Paths.h"
#include "core/Random.h"
#include "core/SafePath.h"
#include "net/HttpConnection.h"
#include "update/AutoUpdate.h"

bool AutoUpdate::downloadContent(const UpdateContent& content, DownloadedContent& out)
{
    // "name" becomes a file in "Update" and "id" a directory in
    // "UpdateTemp"; either one that is not a plain file name would reach
    // outside them.
    if (!isPlainFileName(content.name()) || !isPlainFileName(content.id())) {
        Log::instance()->critical(QStringLiteral("content name or id is not a plain file name: id \"") + content.id()
                                  + QStringLiteral("\" name \"") + content.name() + QLatin1Char('"'));
        return false;
    }
    if (content.hasTorrent())
        return downloadWithTorrent(content, out);
    if (content.hasHttp())
        return downloadWithHttp(content, out);
    return false;
}

bool AutoUpdate::downloadWithHttp(const UpdateContent& content, DownloadedContent& out)
{
    Log::instance()->info(QStringLiteral("download update with http: ") + content.name());
    const QList<QUrl> urls = content.httpUrls();
    const QUrl url = urls.at(randomNumber() % urls.size());

    const std::shared_ptr<net::HttpConnection> connection = net::createHttpConnection();
    connection->m_progress = this;

    const QString dir = updateDirPath(false);
    if (!makePath(dir)) {
        Log::instance()->critical(QStringLiteral("failed to create dir: ") + dir);
        return false;
    }
    const QString file = dir + QLatin1Char('/') + content.name();
    Log::instance()->info(QStringLiteral("http started: ") + content.name());
    if (!connection->download(url, file, {})) {
        Log::instance()->info(QStringLiteral("http failed: ") + content.name());
        return false;
    }
    Log::instance()->info(QStringLiteral("http complete: ") + content.name());
    out.path = file;
    out.content = content;
    return true;
}
