#include "ui/SingleApp.h"

#include "core/Log.h"

#include <QApplication>
#include <QThread>
#include <QTimerEvent>
#include <QWidget>

#include <cerrno>

namespace {

const int kPollIntervalMs = 1000;
// How often a start looks again at a name whose holder does not answer yet,
// and how long it waits between two looks: about two seconds in all.
const int kAttempts = 200;
const int kAttemptPauseMs = 10;

void logFailure(const QString& operation, int error)
{
    Log::instance()->critical(operation + QStringLiteral(" failed: ") + QString::number(error));
}

} // namespace

SingleApp::SingleApp(const QString& key)
    : m_sharedMemory(key)
{
}

bool SingleApp::tryLock()
{
    bool first = true;
    for (int attempt = 1;; ++attempt) {
        if (m_sharedMemory.create())
            break;
        if (m_sharedMemory.error() == EADDRINUSE && m_sharedMemory.attach()) {
            first = false;
            break;
        }
        // The holder has just ended, or has taken the name and not yet begun
        // to listen, or has more starts waiting than it takes at once: each
        // passes in a moment. Anything else (a process of another user
        // holding the name, no sockets at all) does not.
        const int error = m_sharedMemory.error();
        if ((error != ECONNREFUSED && error != EAGAIN) || attempt == kAttempts) {
            // This process still runs as the first instance; later starts
            // just go unrecognised.
            logFailure(QStringLiteral("SingleApp create"), error);
            break;
        }
        QThread::msleep(kAttemptPauseMs);
    }
    if (first)
        m_timerId = startTimer(kPollIntervalMs, Qt::VeryCoarseTimer);
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
