#pragma once

#include "platform/Process.h"

#include <QObject>
#include <QPointer>
#include <QSharedMemory>
#include <QString>

#include <memory>

class QWidget;

// Lets one launcher run at a time in normal mode. The first instance owns a
// one-byte shared segment and looks at it once a second; a later start sets
// the byte and ends, and the first instance then brings its window forward.
// A system semaphore makes the check-and-create atomic between processes
// that start at the same moment. The segment and its lock are released when
// the guard goes away, and also when the process is terminated.
class SingleApp : public QObject
{
    Q_OBJECT
public:
    SingleApp(const QString& lockKey, const QString& memKey);

    // True when this process is the first instance; it then owns the segment
    // and polls it.
    bool tryLock();
    // For a later start, after tryLock returned false: asks the first
    // instance for its window.
    void notifyRunningInstance();

    // The window to wake; not owned.
    void setWindow(QWidget* window) { m_window = window; }

signals:
    // A later start was seen; emitted before the window is activated.
    void activateApp();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Detaches and drops the segment's lock, so that a last instance leaves
    // no system object behind.
    void release();

    QString m_lockKey;
    QString m_memKey;
    std::unique_ptr<QSharedMemory> m_sharedMemory;
    int m_timerId = 0;
    QPointer<QWidget> m_window;
    platform::TerminateCleanup m_terminateCleanup;
};
