#pragma once

#include "content/archive/ISevenZipCallback.h"
#include "content/patch/IPatchProgress.h"
#include "core/TickTimer.h"
#include "net/IHttpProgress.h"
#include "update/UpdateInfo.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QUrl>

#include <libtorrent/fwd.hpp>

#include <atomic>
#include <memory>

struct DownloadedContent;

// What the engine is doing, as carried by updateProgress. The names are
// also the translation keys of the step texts.
enum UpdateAction {
    ProgressUpdateCheck = 1,
    ProgressCheckingFiles = 2,
    ProgressDownloading = 3,
    ProgressUnpacking = 4,
    ProgressInstalling = 5,
};

// How a job ended, as carried by updateFinish. The names of the error codes
// are also the translation keys of their texts.
enum UpdateResult {
    UpdateDone = 0,
    UpdateUpToDate = 1,
    ErrUpdateInfoQueryFailed = 2,
    ErrUpdateInfoNotValid = 3,
    ErrUpdateInfoNotFound = 4,
    ErrUpdateContentNotFound = 5,
    ErrUpdateDownloadFailed = 6,
    ErrUpdateFailedToUnpack = 7,
    ErrUpdateFailedToStart = 8,
    ErrUpdateFailedToPatch = 9,
    ErrUnknown = 10,
};

// A copy of the progress block, taken under the engine's lock.
struct ProgressSnapshot
{
    int action = 0;
    qint64 total = 0;
    qint64 current = 0;
    qint64 rate = 0;
    qint64 lastCurrent = 0;
};

// The built-in manifest URLs, in the order they are tried.
QList<QUrl> updateManifestUrls();

// The update engine: runs one job at a time on the global thread pool (fetch
// the manifest from a list of mirrors, then bring the launcher and the game
// up to date) and reports through its signals. updateStart and
// updateProgress are emitted on the GUI thread; updateFinish,
// updateContentInstalled and exitAppToUpdate on the pool thread, so every
// receiver connects them queued.
//
// The steps of a job are spread over the files named after them:
// AutoUpdate.cpp (job, manifest download), SelectContents.cpp,
// DownloadContent.cpp and TorrentDownload.cpp, GameUpdate.cpp,
// LauncherUpdate.cpp, Progress.cpp, Cleanup.cpp.
class AutoUpdate : public QObject, public ISevenZipCallback, public net::IHttpProgress, public IPatchProgress
{
    Q_OBJECT

public:
    // GUI thread only. instance creates the engine on first use.
    //
    // destroyInstance first stops the BitTorrent session (its state is
    // saved, and a torrent wait of a running job ends at its next check).
    // When no job runs, it then deletes the engine and a later instance
    // makes a new one. While a job still runs on the pool (also right after
    // exitAppToUpdate: the job has yet to emit updateFinish) the engine is
    // left alive, stopped, so that the job never touches a deleted object:
    // the callers end the process right after, or a later destroyInstance or
    // the at-exit action deletes it once the job is over.
    static AutoUpdate* instance();
    static void destroyInstance();

    // The translated text of an error code 2 to 10; empty for any other code.
    static QString errorText(int code);

    // Starts a job: full updates launcher and game, otherwise the manifest
    // is only fetched and stored. An empty list stands for
    // updateManifestUrls. The caller starts a job only when none runs.
    void start(const QList<QUrl>& manifestUrls, bool full);
    void startWithDefaultUrls(bool full);
    bool isRunning() const;

    // The stored manifest's game product; false before a manifest was stored
    // or when it has no game product.
    bool gameUpdateInfo(ProductUpdateInfo& out) const;

    // The BitTorrent session: whether it holds a torrent; pause and resume
    // every transfer in it. Nothing happens while no session exists.
    bool hasTorrents() const;
    void pause();
    void resume();

    // The 500 ms timer that turns the progress block into updateProgress;
    // started and stopped by the main window.
    void startProgressTimer();
    void stopProgressTimer();

    // The progress block, written by the job's workers and read by the timer.
    // setProgress keeps total >= 0 and current <= total.
    void setProgress(int action, qint64 total, qint64 current);
    void updateRate(qint64 elapsedMs);
    ProgressSnapshot progressSnapshot() const;

    // Progress sinks of the unpacker, the HTTP transfer and the patcher.
    void progress(quint64 total, quint64 completed) override;
    void httpProgress(net::HttpConnection* connection, qint64 total, qint64 current) override;
    void patchProgress(qint64 done, qint64 total) override;

signals:
    void updateStart();
    void updateFinish(int errorCode);
    void updateContentInstalled(const QString& productId, const QString& contentId);
    void updateProgress(const QString& message, int action, float progress, qlonglong total, qlonglong current,
                        qlonglong rate);
    void exitAppToUpdate();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    AutoUpdate();
    ~AutoUpdate() override;

    // The job and its steps, on the pool thread; each returns an UpdateResult.
    void runTask(bool full, const QList<QUrl>& manifestUrls);
    int runUpdate(const QList<QUrl>& manifestUrls);
    int downloadUpdateInfo(const QList<QUrl>& manifestUrls, UpdateInfo& out);
    int applyUpdate(const UpdateInfo& manifest);
    // The installed game version that the game update starts from: unset
    // while a full package unpacked over the game has not been recorded
    // (GameInstallMark).
    Version installedVersionToUpdate();
    int updateGame(const ProductUpdateInfo& game, const Version& installed);
    // Downloads and installs the contents in order; the first failure ends.
    // gameDiffers: a patch failed because the game is not what it expects.
    int installContents(const QList<UpdateContent>& contents, bool& gameDiffers);
    int updateLauncher(const ProductUpdateInfo& launcher);
    // Applies the patch unpacked in patchDir to the installed game and
    // advances the installed game version to the patch's "version_to";
    // gameDiffers as for installContents.
    bool applyPatch(const UpdateContent& content, const QString& gameDir, const QString& patchDir,
                    bool& gameDiffers);
    bool downloadContent(const UpdateContent& content, DownloadedContent& out);
    bool downloadWithHttp(const UpdateContent& content, DownloadedContent& out);
    bool downloadWithTorrent(const UpdateContent& content, DownloadedContent& out);
    void cleanup();

    // The BitTorrent session (TorrentDownload.cpp). startTorrent fetches the
    // .torrent and hands it to addTorrent, which creates the session on
    // first use; both are true when out refers to the added torrent.
    bool startTorrent(const QUrl& torrentUrl, const QString& saveDir, const QList<QUrl>& webSeeds,
                      libtorrent::torrent_handle& out);
    bool addTorrent(const QByteArray& torrentFile, const QString& saveDir, const QList<QUrl>& webSeeds,
                    libtorrent::torrent_handle& out);
    std::shared_ptr<libtorrent::session> createSession();
    // Blocks until the torrent is seeding (true), has failed, has stalled
    // (TorrentStall) or the session was stopped (false); a failure's line
    // names the content.
    bool waitForTorrent(const libtorrent::torrent_handle& torrent, const QString& name);
    // "Session.conf": written whole when a session exists; read into the
    // parameters of a new session (the defaults when missing or unreadable).
    void saveSessionState();
    libtorrent::session_params loadSessionState();
    std::shared_ptr<libtorrent::session> session() const;
    // The names, directly in the download folder, of the files and folders
    // that the torrents of the session hold.
    QSet<QString> seededFileNames() const;

    // Sets a new step with its counters at 0 (rate and lastCurrent stay).
    void resetProgress(int action);
    // The timer tick while a torrent is watched; false when none is, and the
    // tick reports the progress block instead.
    bool reportTorrentProgress();
    // Stops the BitTorrent session, if one exists; the first step of the
    // destructor.
    void stopSession();

    // Guards m_updateInfo, the progress block, m_session and m_torrent;
    // never held across a transfer, an unpack, a sleep, a signal or a call
    // into the session.
    mutable QMutex m_mutex;
    UpdateInfo m_updateInfo;
    int m_action = 0;
    qint64 m_total = 0;
    qint64 m_current = 0;
    qint64 m_rate = 0;
    qint64 m_lastCurrent = 0;

    // GUI thread only.
    int m_timerId = 0;
    TickTimer m_tick;

    // 1 once stopSession has stopped a session: a torrent wait then ends.
    std::atomic<int> m_stopped{0};
    // 1 from start until the job's end (isRunning).
    std::atomic<int> m_busy{0};
    // The jobs started and not yet past their last use of the engine (after
    // updateFinish); destroyInstance deletes only an engine without one. A
    // count, as a retry can start before the previous job has let go.
    std::atomic<int> m_jobs{0};

    // Null until the first torrent is added, and again after stopSession.
    std::shared_ptr<libtorrent::session> m_session;
    // The torrent the progress timer watches; invalid when none. Set by the
    // job, reset by the timer when it sees the torrent seeding; once the
    // session is stopped the timer no longer looks at it. Always allocated
    // (an incomplete type here).
    std::unique_ptr<libtorrent::torrent_handle> m_torrent;
    // The job's own hold on the session while it uses one of its torrents:
    // a session released by stopSession on the GUI thread is then destroyed
    // only when the job lets go, never under a call through a handle. Job
    // thread only.
    std::shared_ptr<libtorrent::session> m_jobSession;
};
