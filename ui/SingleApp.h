#pragma once

#include "platform/UserFlag.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// Lets one launcher of a user run at a time in normal mode, whatever the
// environment of each start. The first instance owns a name that only this
// user's processes share, with a flag that it looks at once a second; a
// later start raises it and ends, and the first instance then brings its
// window forward. Taking the name decides between processes that start at
// the same moment. The first instance's claim ends with its process,
// however it ends.
class SingleApp : public QObject
{
    Q_OBJECT
public:
    explicit SingleApp(const QString& key);

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
    platform::UserFlag m_sharedMemory;
    int m_timerId = 0;
    QPointer<QWidget> m_window;
};
