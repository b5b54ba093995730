#pragma once

#include "platform/UserLock.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// Lets one launcher of a user run at a time in normal mode, whatever the
// environment of each start. The first instance owns a one-byte flag and
// looks at it once a second; a later start raises it and ends, and the
// first instance then brings its window forward. A lock makes the
// check-and-create atomic between processes that start at the same moment.
// The first instance's claim ends with its process, however it ends.
class SingleApp : public QObject
{
    Q_OBJECT
public:
    SingleApp(const QString& lockKey, const QString& memKey);

    // True when this process is the first instance; it then owns the flag
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
    QString m_lockKey;
    QString m_memKey;
    platform::UserFlag m_sharedMemory;
    int m_timerId = 0;
    QPointer<QWidget> m_window;
};
