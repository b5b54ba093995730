#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWindow;

namespace platform {

// The progress bar on the application's entry in the desktop's task bar or
// dock. The desktops here read it from the D-Bus signal
// "com.canonical.Unity.LauncherEntry.Update" on the session bus, addressed
// to the application's desktop entry ("application://<desktop file name>")
// and carrying "progress" (0.0 to 1.0) and "progress-visible".
//
// Like a task bar button, it shows nothing until it is attached to a window.
// A busy range (minimum == maximum) shows no fraction; while paused the entry
// keeps the fraction it showed last. Without a session bus nothing is sent
// and nothing fails.
class TaskbarProgress : public QObject
{
    Q_OBJECT
public:
    explicit TaskbarProgress(const QString& desktopFileName, QObject* parent = nullptr);
    // Takes the bar off the entry when it was showing one.
    ~TaskbarProgress() override;

    QString appUri() const { return m_appUri; }

    // The window whose entry shows the progress; null detaches (and hides it).
    void setWindow(QWindow* window);
    QWindow* window() const;

    void setVisible(bool visible);
    void setRange(int minimum, int maximum);
    void setValue(int value);
    void setPaused(bool paused);

    bool isVisible() const { return m_visible; }
    bool isPaused() const { return m_paused; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }

private:
    // Sends the current state when it differs from what the entry shows.
    void publish();
    void send(bool fractionVisible, double progress);

    const QString m_appUri;
    const QString m_objectPath;
    QPointer<QWindow> m_window;
    bool m_visible = false;
    bool m_paused = false;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_value = 0;

    // What the entry shows now.
    bool m_shownFraction = false;
    double m_shownProgress = 0.0;
};

} // namespace platform
