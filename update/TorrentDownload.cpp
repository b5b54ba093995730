// The BitTorrent way of fetching a content, and the engine's session: one
// libtorrent session per engine, created with the first torrent and kept
// (seeding every finished torrent) until the engine stops it, its state
// carried between runs in "Session.conf".
//
// The session may be released by stopSession on the GUI thread while the job
// still waits on one of its torrents. A call through a torrent handle must
// never overlap the destruction of its session, so every such call is made
// while the caller holds a reference to the session: the job through
// m_jobSession, the progress timer and the session-wide operations through
// a copy of m_session. The session is then destroyed by whichever holder
// lets go last, after its own calls have returned.

#include "update/TorrentDownload.h"

#include "core/Format.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/SafePath.h"
#include "core/TR.h"
#include "net/HttpConnection.h"
#include "platform/SaveFile.h"
#include "update/AutoUpdate.h"
#include "update/DownloadContent.h"
#include "update/TorrentStall.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMutexLocker>
#include <QThread>
#include <QUrl>

#include <libtorrent/alert_types.hpp>
#include <libtorrent/bdecode.hpp>
#include <libtorrent/operations.hpp>
#include <libtorrent/peer_info.hpp>
#include <libtorrent/session.hpp>
#include <libtorrent/session_params.hpp>
#include <libtorrent/torrent_handle.hpp>
#include <libtorrent/torrent_info.hpp>
#include <libtorrent/torrent_status.hpp>

#include <atomic>
#include <chrono>
#include <exception>
#include <limits>
#include <vector>

namespace lt = libtorrent;

namespace {

// Listening: port 6969, or the next free one up to 9999, or any the system
// gives.
const char* const kListenInterfaces = "0.0.0.0:6969";
const int kListenPortRetries = 9999 - 6969;
const int kWaitStepMs = 500;
const int kDiskThreads = 2;
// Long enough for libtorrent to try a failed web seed again a few times
// (every 30 s).
const int kStallBoundMs = 2 * 60 * 1000;
const int kTestWebSeedRetrySeconds = 1;

std::atomic<int> g_testStallBoundMs{0};

QMutex g_testMutex;
QString g_testListenInterfaces;

QString testListenInterfaces()
{
    QMutexLocker lock(&g_testMutex);
    return g_testListenInterfaces;
}

QString describeError(const lt::error_code& error)
{
    return QString::fromStdString(error.message()) + QStringLiteral(" code: ") + QString::number(error.value());
}

// A handle throws once its torrent or session is gone; that reads as "no
// status", which is not seeding.
bool readStatus(const lt::torrent_handle& torrent, lt::torrent_status& out)
{
    try {
        out = torrent.status(lt::status_flags_t::all());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Why a new session listens nowhere, as its listen_failed alert tells.
QString listenFailure(lt::session& session)
{
    QString reason = QStringLiteral("no interface to listen on code: 0");
    std::vector<lt::alert*> alerts;
    session.pop_alerts(&alerts);
    for (lt::alert* alert : alerts) {
        if (const auto* failed = lt::alert_cast<lt::listen_failed_alert>(alert))
            reason = describeError(failed->error);
    }
    return reason;
}

std::chrono::milliseconds stallBound()
{
    const int forTests = g_testStallBoundMs;
    return std::chrono::milliseconds(forTests > 0 ? forTests : kStallBoundMs);
}

// Whether a BitTorrent peer is connected; a web seed's connection is none.
bool peerConnected(const lt::torrent_handle& torrent, const lt::torrent_status& status)
{
    if (status.num_peers == 0)
        return false;
    std::vector<lt::peer_info> peers;
    try {
        torrent.get_peer_info(peers);
    } catch (const std::exception&) {
        return false;
    }
    for (const lt::peer_info& peer : peers) {
        if (peer.connection_type == lt::peer_info::standard_bittorrent)
            return true;
    }
    return false;
}

TorrentStall::Look lookAt(const lt::torrent_handle& torrent, const lt::torrent_status& status, bool sessionPaused)
{
    TorrentStall::Look look;
    look.verifiedPieces = status.num_pieces;
    look.payloadReceived = status.total_payload_download;
    look.failedBytes = status.total_failed_bytes;
    look.peerConnected = peerConnected(torrent, status);
    // Nothing is fetched while the session is paused or the files are
    // being looked at.
    look.held = sessionPaused || (status.flags & lt::torrent_flags::paused)
                || status.state == lt::torrent_status::checking_files
                || status.state == lt::torrent_status::checking_resume_data;
    return look;
}

// A web seed by its URL where a peer alert names its address and port.
QString sourceName(const lt::tcp::endpoint& endpoint, const QStringList& webSeeds)
{
    const QString address = QString::fromStdString(endpoint.address().to_string());
    for (const QString& seed : webSeeds) {
        const QUrl url(seed);
        if (url.host() == address && url.port(url.scheme() == QLatin1String("https") ? 443 : 80) == endpoint.port())
            return seed;
    }
    return QStringLiteral("peer ") + address + QLatin1Char(':') + QString::number(endpoint.port());
}

// What an alert about this torrent tells of its sources and its files.
void noteAlert(const lt::alert& alert, const lt::torrent_handle& torrent, const QStringList& webSeeds,
               TorrentStall& stall, QString& storageFailure)
{
    if (const auto* seed = lt::alert_cast<lt::url_seed_alert>(&alert)) {
        if (seed->handle != torrent)
            return;
        const QString message = QString::fromUtf8(seed->error_message());
        stall.noteAnswer(QString::fromUtf8(seed->server_url()),
                         message.isEmpty() ? QString::fromStdString(seed->error.message()) : message);
    } else if (const auto* peer = lt::alert_cast<lt::peer_error_alert>(&alert)) {
        if (peer->handle == torrent)
            stall.noteAnswer(sourceName(peer->endpoint, webSeeds), QString::fromStdString(peer->error.message()));
    } else if (const auto* failed = lt::alert_cast<lt::hash_failed_alert>(&alert)) {
        if (failed->handle == torrent)
            stall.noteHashFailure();
    } else if (const auto* file = lt::alert_cast<lt::file_error_alert>(&alert)) {
        if (file->handle == torrent && storageFailure.isEmpty())
            storageFailure = QString::fromLatin1(lt::operation_name(file->op)) + QLatin1Char(' ')
                             + QString::fromUtf8(file->filename()) + QStringLiteral(": ") + describeError(file->error);
    }
}

// libtorrent's word that this torrent has finished (it seeds next) or has
// stopped on an error.
bool endsTheWait(const lt::alert* alert, const lt::torrent_handle& torrent)
{
    if (const auto* finished = lt::alert_cast<lt::torrent_finished_alert>(alert))
        return finished->handle == torrent;
    if (const auto* changed = lt::alert_cast<lt::state_changed_alert>(alert))
        return changed->handle == torrent && changed->state == lt::torrent_status::seeding;
    if (const auto* failed = lt::alert_cast<lt::torrent_error_alert>(alert))
        return failed->handle == torrent;
    if (const auto* failed = lt::alert_cast<lt::file_error_alert>(alert))
        return failed->handle == torrent;
    return false;
}

} // namespace

int torrentSessionAlertMask()
{
    return int(static_cast<std::uint32_t>(lt::alert_category::error | lt::alert_category::status
                                          | lt::alert_category::peer));
}

bool waitForTorrentNews(lt::session& session, const lt::torrent_handle& torrent, int stepMs,
                        const std::function<void(const lt::alert&)>& onAlert)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(stepMs);
    std::vector<lt::alert*> alerts;
    try {
        for (;;) {
            const Clock::duration left = end - Clock::now();
            if (left <= Clock::duration::zero()
                || !session.wait_for_alert(std::chrono::duration_cast<lt::time_duration>(left)))
                return false;
            session.pop_alerts(&alerts);
            bool ends = false;
            for (const lt::alert* alert : alerts) {
                if (onAlert)
                    onAlert(*alert);
                ends = ends || endsTheWait(alert, torrent);
            }
            if (ends)
                return true;
        }
    } catch (const std::exception&) {
        // No alerts to be had: the step is slept out.
        const Clock::duration left = end - Clock::now();
        if (left > Clock::duration::zero())
            QThread::usleep(std::chrono::duration_cast<std::chrono::microseconds>(left).count());
        return false;
    }
}

void setTorrentListenInterfacesForTests(const QString& interfaces)
{
    QMutexLocker lock(&g_testMutex);
    g_testListenInterfaces = interfaces;
}

void setTorrentStallBoundForTests(int milliseconds)
{
    g_testStallBoundMs = qMax(0, milliseconds);
}

bool AutoUpdate::downloadWithTorrent(const UpdateContent& content, DownloadedContent& out)
{
    Log* log = Log::instance();
    log->info(QStringLiteral("download update with torrent: ") + content.name());
    const QString dir = updateDirPath(false);
    if (!makePath(dir)) {
        log->critical(QStringLiteral("failed to create update download dir: ") + dir);
        return false;
    }

    // addTorrent takes the job's hold on the session; it ends with this step.
    struct SessionHold
    {
        std::shared_ptr<lt::session>& session;
        ~SessionHold() { session.reset(); }
    } hold{m_jobSession};

    lt::torrent_handle torrent;
    if (!startTorrent(content.torrentUrl(), dir, content.httpUrls(), torrent)) {
        log->critical(QStringLiteral("failed to start torrent: ") + content.name());
        return false;
    }
    log->info(QStringLiteral("torrent started: ") + content.name());
    {
        QMutexLocker lock(&m_mutex);
        *m_torrent = torrent;
    }
    if (!waitForTorrent(torrent, content.name())) {
        // A failed torrent never seeds, so the timer would keep reporting it
        // in place of whatever this or a later job does next.
        {
            QMutexLocker lock(&m_mutex);
            if (*m_torrent == torrent)
                *m_torrent = lt::torrent_handle();
        }
        // Nothing will finish it now: it leaves the session, its data stays
        // on disk, and a retry adds it afresh, with its web seeds (libtorrent
        // drops one that answered 404) and its files looked at anew.
        if (!m_stopped) {
            try {
                m_jobSession->remove_torrent(torrent);
            } catch (const std::exception&) {
            }
        }
        log->critical(QStringLiteral("failed to wait for torrent: ") + content.name());
        return false;
    }
    log->info(QStringLiteral("torrent complete: ") + content.name());
    saveSessionState();

    // The archive is the torrent's first file, below the download folder.
    QString relative;
    try {
        const std::shared_ptr<const lt::torrent_info> info = torrent.torrent_file();
        if (info && info->num_files() > 0)
            relative = QString::fromStdString(info->files().file_path(lt::file_index_t(0)));
    } catch (const std::exception&) {
    }
    QString path;
    if (!safeJoinPath(dir, relative, path)) {
        log->critical(QStringLiteral("torrent file path is not below the download dir: \"") + relative
                      + QLatin1Char('"'));
        return false;
    }
    out.content = content;
    out.path = path;
    return true;
}

bool AutoUpdate::startTorrent(const QUrl& torrentUrl, const QString& saveDir, const QList<QUrl>& webSeeds,
                              lt::torrent_handle& out)
{
    Log* log = Log::instance();
    const std::shared_ptr<net::HttpConnection> connection = net::createHttpConnection();
    log->info(QStringLiteral("downloading torrent file..."));
    QByteArray bytes;
    if (!connection->get(torrentUrl, &bytes, {})) {
        log->critical(QStringLiteral("failed to download torrent file: ") + torrentUrl.toString());
        return false;
    }
    log->info(QStringLiteral("downloading torrent file success. size: ") + QString::number(bytes.size())
              + QStringLiteral("; hash: ")
              + QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
    return addTorrent(bytes, saveDir, webSeeds, out);
}

std::shared_ptr<lt::session> AutoUpdate::createSession()
{
    lt::session_params params = loadSessionState();
    lt::settings_pack& pack = params.settings;
    const QString testInterfaces = testListenInterfaces();
    if (testInterfaces.isEmpty()) {
        pack.set_str(lt::settings_pack::listen_interfaces, kListenInterfaces);
        pack.set_int(lt::settings_pack::max_retry_port_bind, kListenPortRetries);
        pack.set_bool(lt::settings_pack::listen_system_port_fallback, true);
    } else {
        pack.set_str(lt::settings_pack::listen_interfaces, testInterfaces.toStdString());
        pack.set_str(lt::settings_pack::dht_bootstrap_nodes, std::string());
        pack.set_bool(lt::settings_pack::enable_outgoing_utp, false);
        pack.set_int(lt::settings_pack::urlseed_wait_retry, kTestWebSeedRetrySeconds);
    }
    // libtorrent would start these services inside its constructor; they
    // come on below, one by one, once the saved state is in.
    const int services[] = {lt::settings_pack::enable_natpmp, lt::settings_pack::enable_upnp,
                            lt::settings_pack::enable_lsd, lt::settings_pack::enable_dht};
    for (int service : services)
        pack.set_bool(service, false);
    // The wait for a torrent wakes on the alerts that tell it has finished
    // or failed; the finished ones are status alerts, which libtorrent does
    // not post unless asked.
    pack.set_int(lt::settings_pack::alert_mask, torrentSessionAlertMask());

    // Plain reads and writes instead of libtorrent's default of mapping the
    // files into memory: a mapped download counts, page by page, towards
    // the launcher's own memory, up to the size of the content, and a full
    // disk ends a write through a mapping with a bus error. libtorrent's
    // threaded disk back end maps no file below the size cut-off; with it,
    // pieces are written and checked on threads of their own while the
    // network thread goes on receiving (the single-threaded posix back end
    // did all three on one thread, at half the loopback speed). A few
    // threads: one file is written at a time, and more writers to it only
    // wait for each other.
    pack.set_int(lt::settings_pack::mmap_file_size_cutoff, std::numeric_limits<int>::max());
    pack.set_int(lt::settings_pack::disk_write_mode, lt::settings_pack::always_pwrite);
    pack.set_int(lt::settings_pack::aio_threads, kDiskThreads);

    std::shared_ptr<lt::session> session;
    try {
        session = std::make_shared<lt::session>(std::move(params));
    } catch (const std::exception& e) {
        Log::instance()->critical(QStringLiteral("failed to create torrent session: ") + QString::fromUtf8(e.what()));
        return nullptr;
    }
    if (!session->is_listening()) {
        Log::instance()->critical(QStringLiteral("torrent.listen_on() failed: ") + listenFailure(*session));
        return nullptr;
    }
    if (testInterfaces.isEmpty()) {
        for (int service : services) {
            lt::settings_pack on;
            on.set_bool(service, true);
            session->apply_settings(std::move(on));
        }
    }
    return session;
}

bool AutoUpdate::addTorrent(const QByteArray& torrentFile, const QString& saveDir, const QList<QUrl>& webSeeds,
                            lt::torrent_handle& out)
{
    Log* log = Log::instance();
    std::shared_ptr<lt::session> session = this->session();
    if (!session) {
        session = createSession();
        if (!session)
            return false;
        QMutexLocker lock(&m_mutex);
        // The engine was stopped while the job fetched the .torrent: nothing
        // would ever save or stop this session.
        if (m_stopped)
            return false;
        m_session = session;
    }
    m_jobSession = session;

    lt::add_torrent_params params;
    params.save_path = saveDir.toUtf8().toStdString();
    if (!makePath(saveDir)) {
        log->critical(QStringLiteral("failed to create download path: ") + saveDir);
        return false;
    }
    lt::error_code error;
    auto info = std::make_shared<lt::torrent_info>(torrentFile.constData(), torrentFile.size(), error);
    if (error) {
        log->critical(QStringLiteral("failed to create torrent info: ") + describeError(error));
        return false;
    }
    // Sent to the server as they are: the text must be the fully encoded
    // URL, as a plain HTTP download would request it (toString() would
    // decode "%20" to a space, which no server takes).
    for (const QUrl& url : webSeeds)
        info->add_url_seed(url.toString(QUrl::FullyEncoded).toStdString());
    params.ti = std::move(info);
    // The job waits for this torrent alone: it starts at once rather than
    // when the session's queue next comes round (up to a second later).
    params.flags &= ~(lt::torrent_flags::auto_managed | lt::torrent_flags::paused);

    out = session->add_torrent(std::move(params), error);
    if (error) {
        log->critical(QStringLiteral("failed to add torrent: ") + describeError(error));
        return false;
    }
    // Adding a torrent the session already holds gives that torrent back as
    // it is. On a retried job it may be the one that stopped on a disk error,
    // which libtorrent pauses: every later wait would end at once. It gets
    // another go, as if newly added: its files are looked at afresh (what
    // libtorrent remembers of them is stale by now) and it runs again.
    lt::torrent_status status;
    if (readStatus(out, status) && status.errc) {
        try {
            out.clear_error();
            out.force_recheck();
            out.resume();
        } catch (const std::exception&) {
        }
    }
    return true;
}

bool AutoUpdate::waitForTorrent(const lt::torrent_handle& torrent, const QString& name)
{
    if (!torrent.is_valid())
        return false;
    Log* log = Log::instance();
    TorrentStall stall(stallBound());
    QStringList webSeeds;
    try {
        if (const std::shared_ptr<const lt::torrent_info> info = torrent.torrent_file()) {
            for (const lt::web_seed_entry& seed : info->web_seeds())
                webSeeds << QString::fromStdString(seed.url);
        }
    } catch (const std::exception&) {
    }
    // A .torrent may name a web seed that the manifest names too.
    webSeeds.removeDuplicates();
    // The first write or read that failed, as libtorrent told it.
    QString storageFailure;
    const auto onAlert = [&](const lt::alert& alert) { noteAlert(alert, torrent, webSeeds, stall, storageFailure); };

    for (int check = 0;; ++check) {
        lt::torrent_status status;
        if (readStatus(torrent, status)) {
            // A torrent that stopped on an error (a file it may not write)
            // will not go on by itself.
            if (status.errc) {
                log->critical(QStringLiteral("torrent error: ") + describeError(status.errc));
                return false;
            }
            // libtorrent answers a write that fails for lack of space by
            // downloading nothing more (upload mode), without an error.
            if (status.flags & lt::torrent_flags::upload_mode) {
                log->critical(QStringLiteral("torrent storage failed: ") + name + QStringLiteral(": ")
                              + (storageFailure.isEmpty() ? QStringLiteral("its files can no longer be written")
                                                          : storageFailure));
                return false;
            }
            if (status.state == lt::torrent_status::seeding)
                return true;
            const bool sessionPaused = m_jobSession && m_jobSession->is_paused();
            if (stall.stalled(lookAt(torrent, status, sessionPaused), TorrentStall::Clock::now())) {
                const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(stall.bound()).count();
                log->critical(QStringLiteral("torrent stalled: ") + name
                              + QStringLiteral(": no new piece and no peer for ") + QString::number(seconds)
                              + QStringLiteral(" s; ") + stall.answers(webSeeds));
                return false;
            }
        }
        if (check > 0 && m_stopped)
            return false;
        // A step of the wait, cut short as soon as libtorrent tells the
        // torrent has finished or failed, so that the job goes on at once.
        if (m_jobSession)
            waitForTorrentNews(*m_jobSession, torrent, kWaitStepMs, onAlert);
        else
            QThread::msleep(kWaitStepMs);
    }
}

void AutoUpdate::saveSessionState()
{
    const std::shared_ptr<lt::session> session = this->session();
    if (!session)
        return;
    std::vector<char> state;
    try {
        state = lt::write_session_params_buf(session->session_state());
    } catch (const std::exception& e) {
        Log::instance()->critical(QStringLiteral("failed to save torrent session state: ")
                                  + QString::fromUtf8(e.what()));
        return;
    }
    const QString path = sessionConfigPath();
    if (platform::saveWholeFile(path, QByteArray(state.data(), int(state.size()))) != QFileDevice::NoError)
        Log::instance()->critical(QStringLiteral("failed to open torrent session file for writing: ") + path);
}

lt::session_params AutoUpdate::loadSessionState()
{
    QFile file(sessionConfigPath());
    if (!file.open(QIODevice::ReadOnly))
        return lt::session_params();
    const QByteArray bytes = file.readAll();
    lt::error_code error;
    const lt::bdecode_node state = lt::bdecode({bytes.constData(), bytes.size()}, error);
    if (error)
        return lt::session_params();
    try {
        return lt::read_session_params(state);
    } catch (const std::exception&) {
        return lt::session_params();
    }
}

std::shared_ptr<lt::session> AutoUpdate::session() const
{
    QMutexLocker lock(&m_mutex);
    return m_session;
}

void AutoUpdate::stopSession()
{
    std::shared_ptr<lt::session> session = this->session();
    if (!session)
        return;
    session->pause();
    saveSessionState();
    const int services[] = {lt::settings_pack::enable_upnp, lt::settings_pack::enable_natpmp,
                            lt::settings_pack::enable_dht, lt::settings_pack::enable_lsd};
    for (int service : services) {
        lt::settings_pack off;
        off.set_bool(service, false);
        session->apply_settings(std::move(off));
    }
    {
        QMutexLocker lock(&m_mutex);
        m_session.reset();
    }
    // Destroyed here unless the job still holds it.
    session.reset();
    m_stopped = 1;
}

void AutoUpdate::pause()
{
    if (const std::shared_ptr<lt::session> session = this->session())
        session->pause();
}

void AutoUpdate::resume()
{
    if (const std::shared_ptr<lt::session> session = this->session())
        session->resume();
}

bool AutoUpdate::hasTorrents() const
{
    const std::shared_ptr<lt::session> session = this->session();
    return session && !session->get_torrents().empty();
}

QSet<QString> AutoUpdate::seededFileNames() const
{
    QSet<QString> names;
    const std::shared_ptr<lt::session> session = this->session();
    if (!session)
        return names;
    // Every torrent of the session saves into the download folder.
    try {
        for (const lt::torrent_handle& torrent : session->get_torrents()) {
            const std::shared_ptr<const lt::torrent_info> info = torrent.torrent_file();
            if (!info)
                continue;
            const lt::file_storage& files = info->files();
            for (const lt::file_index_t file : files.file_range())
                names.insert(QString::fromStdString(files.file_path(file)).section(QLatin1Char('/'), 0, 0));
        }
    } catch (const std::exception&) {
    }
    return names;
}

bool AutoUpdate::reportTorrentProgress()
{
    lt::torrent_handle torrent;
    std::shared_ptr<lt::session> session;
    {
        QMutexLocker lock(&m_mutex);
        torrent = *m_torrent;
        session = m_session;
    }
    // Without the session (stopped) there is nothing to watch.
    if (!session || !torrent.is_valid())
        return false;
    lt::torrent_status status;
    if (!readStatus(torrent, status))
        return true;

    Log::instance()->debug(QStringLiteral("STATE: ") + QString::number(int(status.state)) + QStringLiteral(" P: ")
                           + QString::number(int(status.progress * 100)) + QStringLiteral(" BYTES: ")
                           + formatSize(status.total_wanted_done) + QStringLiteral(" TOTAL: ")
                           + formatSize(status.total_wanted) + QStringLiteral(" RATE: ")
                           + formatRate(status.download_rate));
    switch (status.state) {
    case lt::torrent_status::seeding: {
        QMutexLocker lock(&m_mutex);
        // Unless the job has moved on to another torrent meanwhile.
        if (*m_torrent == torrent)
            *m_torrent = lt::torrent_handle();
        break;
    }
    case lt::torrent_status::downloading:
        emit updateProgress(TR::tr("ProgressDownloading"), ProgressDownloading, status.progress, status.total_wanted,
                            status.total_wanted_done, status.download_rate);
        break;
    case lt::torrent_status::checking_files:
        emit updateProgress(TR::tr("ProgressCheckingFiles"), ProgressCheckingFiles, status.progress,
                            status.total_wanted, status.total_wanted_done, status.download_rate);
        break;
    default:
        break;
    }
    return true;
}
