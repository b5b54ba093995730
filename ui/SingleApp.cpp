#include "ui/SingleApp.h"

#include "core/Log.h"

#include <QApplication>
#include <QTimerEvent>
#include <QWidget>

namespace {

const int kPollIntervalMs = 1000;

void logFailure(const QString& operation, int error)
{
    Log::instance()->critical(operation + QStringLiteral(" failed: ") + QString::number(error));
}

} // namespace

SingleApp::SingleApp(const QString& lockKey, const QString& memKey)
    : m_lockKey(lockKey)
    , m_memKey(memKey)
    , m_sharedMemory(memKey)
{
}

bool SingleApp::tryLock()
{
    platform::UserLock lock(m_lockKey);
    // Without the lock a start at the same moment may slip past the check.
    if (!lock.acquire())
        logFailure(QStringLiteral("SingleApp lock"), lock.error());

    bool first = true;
    if (m_sharedMemory.attach()) {
        first = false;
    } else if (!m_sharedMemory.create()) {
        // This process still runs as the first instance; later starts just
        // go unrecognised.
        logFailure(QStringLiteral("SingleApp create"), m_sharedMemory.error());
    }
    if (first)
        m_timerId = startTimer(kPollIntervalMs, Qt::VeryCoarseTimer);

    lock.release();
    return first;
}

void SingleApp::notifyRunningInstance()
{
    m_sharedMemory.set();
}

void SingleApp::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId)
        return;
    if (!m_sharedMemory.takeRaised())
        return;
    emit activateApp();
    if (m_window) {
        m_window->activateWindow();
        QApplication::alert(m_window, 0);
    }
}
