#include "update/AutoUpdate.h"

#include "core/Log.h"
#include "core/TR.h"
#include "core/Tasks.h"
#include "net/HttpConnection.h"
#include "update/Cleanup.h"

#include <QJsonObject>
#include <QMutexLocker>

#include <libtorrent/torrent_handle.hpp>

#include <cstdlib>

namespace {

AutoUpdate* g_instance = nullptr;

void destroyAtExit()
{
    AutoUpdate::destroyInstance();
}

} // namespace

// Over verified connections only: the manifest names what the launcher
// downloads and runs, itself included.
QList<QUrl> updateManifestUrls()
{
    return {
        QUrl(QStringLiteral("https://quillmere.example.com/update.json")),
        QUrl(QStringLiteral("https://mirror1.example.com/qmx/update.json")),
        QUrl(QStringLiteral("https://mirror2.example.com/qmx/update.json")),
    };
}

AutoUpdate* AutoUpdate::instance()
{
    // An engine still alive when the process exits is deleted then.
    static const bool atExitRegistered = std::atexit(destroyAtExit) == 0;
    Q_UNUSED(atExitRegistered);
    if (!g_instance)
        g_instance = new AutoUpdate;
    return g_instance;
}

void AutoUpdate::destroyInstance()
{
    AutoUpdate* engine = g_instance;
    if (!engine)
        return;
    engine->stopSession();
    if (engine->m_jobs > 0) {
        // The job ends soon: a torrent it is about to add is not waited for.
        engine->m_stopped = 1;
        Log::instance()->info(QStringLiteral("update job still running, the engine stays until the process ends"));
        return;
    }
    g_instance = nullptr;
    delete engine;
}

QString AutoUpdate::errorText(int code)
{
    static const char* const keys[] = {
        "ErrUpdateInfoQueryFailed", "ErrUpdateInfoNotValid", "ErrUpdateInfoNotFound",
        "ErrUpdateContentNotFound", "ErrUpdateDownloadFailed", "ErrUpdateFailedToUnpack",
        "ErrUpdateFailedToStart",   "ErrUpdateFailedToPatch", "ErrUnknown",
    };
    if (code < ErrUpdateInfoQueryFailed || code > ErrUnknown)
        return QString();
    return TR::tr(keys[code - ErrUpdateInfoQueryFailed]);
}

AutoUpdate::AutoUpdate() : m_torrent(new libtorrent::torrent_handle)
{
}

AutoUpdate::~AutoUpdate()
{
    stopSession();
}

void AutoUpdate::start(const QList<QUrl>& manifestUrls, bool full)
{
    m_busy = 1;
    ++m_jobs;
    resetProgress(ProgressUpdateCheck);
    emit updateStart();
    const QList<QUrl> urls = manifestUrls.isEmpty() ? updateManifestUrls() : manifestUrls;
    runAsync([this, full, urls] { runTask(full, urls); });
}

void AutoUpdate::startWithDefaultUrls(bool full)
{
    start(QList<QUrl>(), full);
}

bool AutoUpdate::isRunning() const
{
    return m_busy > 0;
}

bool AutoUpdate::gameUpdateInfo(ProductUpdateInfo& out) const
{
    QMutexLocker lock(&m_mutex);
    if (!m_updateInfo.isValid())
        return false;
    return m_updateInfo.getObject(kGameProductId, out);
}

void AutoUpdate::runTask(bool full, const QList<QUrl>& manifestUrls)
{
    int result = ErrUnknown;
    if (full) {
        result = runUpdate(manifestUrls);
    } else {
        UpdateInfo scratch;
        result = downloadUpdateInfo(manifestUrls, scratch);
    }
    if (result == UpdateUpToDate)
        cleanup();
    m_busy = 0;
    emit updateFinish(result);
    // The last use of the engine by this job: destroyInstance may delete it
    // from here on.
    --m_jobs;
}

int AutoUpdate::runUpdate(const QList<QUrl>& manifestUrls)
{
    UpdateInfo manifest;
    const int result = downloadUpdateInfo(manifestUrls, manifest);
    if (result != UpdateDone)
        return result;
    return applyUpdate(manifest);
}

int AutoUpdate::downloadUpdateInfo(const QList<QUrl>& manifestUrls, UpdateInfo& out)
{
    int result = ErrUnknown;
    for (const QUrl& url : manifestUrls) {
        const std::shared_ptr<net::HttpConnection> connection = net::createHttpConnection();
        Log::instance()->info(QStringLiteral("download update info..."));
        QJsonObject object;
        if (!connection->getJson(url, &object, {})) {
            Log::instance()->critical(QStringLiteral("download update info fail: ") + url.toString());
            result = ErrUpdateInfoQueryFailed;
            continue;
        }
        Log::instance()->info(QStringLiteral("download update info success."));
        if (!out.assign(object)) {
            Log::instance()->critical(QStringLiteral("parsing update info fail: ") + url.toString());
            result = ErrUpdateInfoNotValid;
            continue;
        }
        const QString problem = out.problem();
        if (!problem.isEmpty()) {
            Log::instance()->critical(QStringLiteral("parsing update info fail: ") + url.toString()
                                      + QLatin1Char(' ') + problem);
            result = ErrUpdateInfoNotValid;
            continue;
        }
        Log::instance()->info(QStringLiteral("parsing update info success."));
        QMutexLocker lock(&m_mutex);
        m_updateInfo.assign(object);
        return UpdateDone;
    }
    return result;
}

void AutoUpdate::cleanup()
{
    // m_updateInfo is written only by this thread's manifest download, so
    // reading it here needs no lock; the copy is cheap (shared data).
    cleanupDownloads(m_updateInfo, seededFileNames());
}
