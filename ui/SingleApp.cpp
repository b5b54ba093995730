#include "ui/SingleApp.h"

#include <QApplication>
#include <QSystemSemaphore>
#include <QTimerEvent>
#include <QWidget>

namespace {

const int kPollIntervalMs = 1000;
// Looks for the first instance's segment this often when its key turns out
// to be taken by a segment that the look before did not find.
const int kLockAttempts = 3;

// A segment whose owner was killed outlives it with no process attached.
// Attaching and detaching once removes such a segment (the last detach
// does); a live owner keeps its segment.
void removeStaleSegment(const QString& memKey)
{
    QSharedMemory stale(memKey);
    stale.attach(QSharedMemory::ReadWrite);
}

} // namespace

SingleApp::SingleApp(const QString& lockKey, const QString& memKey)
    : m_lockKey(lockKey)
    , m_memKey(memKey)
    , m_sharedMemory(new QSharedMemory(memKey))
    , m_terminateCleanup([this] { release(); })
{
}

void SingleApp::release()
{
    m_sharedMemory.reset();
}

bool SingleApp::tryLock()
{
    QSystemSemaphore semaphore(m_lockKey, 1, QSystemSemaphore::Open);
    semaphore.acquire();

    // The system keys come from the inode of a file in the temporary folder,
    // so a new key file can meet a segment that a killed process left under
    // another file with the same key: creating then finds the key taken. The
    // next look attaches that orphan through the new file and removes it.
    bool first = true;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        removeStaleSegment(m_memKey);
        if (m_sharedMemory->attach(QSharedMemory::ReadWrite)) {
            first = false;
            break;
        }
        if (m_sharedMemory->create(1, QSharedMemory::ReadWrite)
            || m_sharedMemory->error() != QSharedMemory::AlreadyExists)
            break;
    }
    // Without a segment this process still runs as the first instance;
    // later starts just go unrecognised.
    if (first)
        m_timerId = startTimer(kPollIntervalMs, Qt::VeryCoarseTimer);

    semaphore.release();
    return first;
}

void SingleApp::notifyRunningInstance()
{
    if (!m_sharedMemory->lock())
        return;
    if (m_sharedMemory->size() > 0)
        static_cast<char*>(m_sharedMemory->data())[0] = 1;
    m_sharedMemory->unlock();
}

void SingleApp::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId)
        return;

    if (!m_sharedMemory || !m_sharedMemory->lock())
        return;
    char wanted = 0;
    if (m_sharedMemory->size() > 0) {
        char* byte = static_cast<char*>(m_sharedMemory->data());
        wanted = *byte;
        *byte = 0;
    }
    m_sharedMemory->unlock();

    if (wanted != 1)
        return;
    emit activateApp();
    if (m_window) {
        m_window->activateWindow();
        QApplication::alert(m_window, 0);
    }
}
