// The progress block of AutoUpdate and the 500 ms timer that reports it.

#include "update/AutoUpdate.h"

#include "core/TR.h"

#include <QMutexLocker>
#include <QTimerEvent>

#include <limits>

namespace {

const int kTimerIntervalMs = 500;
const qint64 kRateIntervalMs = 1000;

QString actionText(int action)
{
    switch (action) {
    case ProgressUpdateCheck:
        return TR::tr("ProgressUpdateCheck");
    case ProgressDownloading:
        return TR::tr("ProgressDownloading");
    case ProgressUnpacking:
        return TR::tr("ProgressUnpacking");
    case ProgressInstalling:
        return TR::tr("ProgressInstalling");
    default:
        // Checking files only ever comes from a watched torrent.
        return QString();
    }
}

} // namespace

void AutoUpdate::setProgress(int action, qint64 total, qint64 current)
{
    if (total < 0)
        total = 0;
    if (current > total)
        current = total;
    QMutexLocker lock(&m_mutex);
    m_action = action;
    m_total = total;
    m_current = current;
}

void AutoUpdate::resetProgress(int action)
{
    QMutexLocker lock(&m_mutex);
    m_action = action;
    m_total = 0;
    m_current = 0;
}

void AutoUpdate::updateRate(qint64 elapsedMs)
{
    QMutexLocker lock(&m_mutex);
    if (elapsedMs <= 0) {
        m_rate = 0;
        return;
    }
    // In floating point throughout: the counters may lie far apart (a new
    // step starts again from 0), and the rate must fit its 64 bits.
    const float delta = float(double(m_current) - double(m_lastCurrent));
    const float seconds = float(double(elapsedMs) / 1000.0);
    const float limit = float(std::numeric_limits<qint64>::max() / 2);
    m_rate = qint64(qBound(-limit, delta / seconds, limit));
    m_lastCurrent = m_current;
}

ProgressSnapshot AutoUpdate::progressSnapshot() const
{
    QMutexLocker lock(&m_mutex);
    ProgressSnapshot snapshot;
    snapshot.action = m_action;
    snapshot.total = m_total;
    snapshot.current = m_current;
    snapshot.rate = m_rate;
    snapshot.lastCurrent = m_lastCurrent;
    return snapshot;
}

void AutoUpdate::httpProgress(net::HttpConnection*, qint64 total, qint64 current)
{
    setProgress(ProgressDownloading, total, current);
}

void AutoUpdate::progress(quint64 total, quint64 completed)
{
    // The plug-in's counts come from the archive's own headers.
    const quint64 max = quint64(std::numeric_limits<qint64>::max());
    setProgress(ProgressUnpacking, qint64(qMin(total, max)), qint64(qMin(completed, max)));
}

void AutoUpdate::patchProgress(qint64 done, qint64 total)
{
    setProgress(ProgressInstalling, total, done);
}

void AutoUpdate::startProgressTimer()
{
    if (m_timerId > 0)
        return;
    m_timerId = startTimer(kTimerIntervalMs, Qt::CoarseTimer);
    m_tick.restart();
}

void AutoUpdate::stopProgressTimer()
{
    if (m_timerId < 1)
        return;
    killTimer(m_timerId);
    m_timerId = 0;
}

void AutoUpdate::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId)
        return;
    if (reportTorrentProgress())
        return;

    const qint64 elapsed = m_tick.elapsed();
    if (elapsed >= kRateIntervalMs) {
        m_tick.restart();
        updateRate(elapsed);
    }
    const ProgressSnapshot snapshot = progressSnapshot();
    const float fraction = snapshot.total > 0 ? float(double(snapshot.current) / double(snapshot.total)) : 0.0f;
    emit updateProgress(actionText(snapshot.action), snapshot.action, fraction, snapshot.total, snapshot.current,
                        snapshot.rate);
}
