#include "platform/TaskbarProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <QWindow>

namespace platform {
namespace {

const QString kInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");
const QString kUpdate = QStringLiteral("Update");

// Any path will do for the listeners; this is the one the desktops' own
// library uses, one per application entry.
QString objectPathFor(const QString& appUri)
{
    return QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(qHash(appUri));
}

} // namespace

TaskbarProgress::TaskbarProgress(const QString& desktopFileName, QObject* parent)
    : QObject(parent)
    , m_appUri(QStringLiteral("application://") + desktopFileName)
    , m_objectPath(objectPathFor(m_appUri))
{
}

TaskbarProgress::~TaskbarProgress()
{
    if (m_shownFraction)
        send(false, m_shownProgress);
}

void TaskbarProgress::setWindow(QWindow* window)
{
    m_window = window;
    publish();
}

QWindow* TaskbarProgress::window() const
{
    return m_window;
}

void TaskbarProgress::setVisible(bool visible)
{
    m_visible = visible;
    publish();
}

void TaskbarProgress::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
    m_value = qBound(m_minimum, m_value, m_maximum);
    publish();
}

void TaskbarProgress::setValue(int value)
{
    // As on a task bar button, a value outside the range is ignored.
    if (value < m_minimum || value > m_maximum)
        return;
    m_value = value;
    publish();
}

void TaskbarProgress::setPaused(bool paused)
{
    m_paused = paused;
    publish();
}

void TaskbarProgress::publish()
{
    const bool attached = !m_window.isNull();
    bool fraction = attached && m_visible && m_maximum > m_minimum;
    double progress = m_shownProgress;
    if (fraction)
        progress = double(m_value - m_minimum) / double(m_maximum - m_minimum);
    // A paused transfer keeps what it showed; only hiding goes through.
    if (m_paused && attached && m_visible) {
        fraction = m_shownFraction;
        progress = m_shownProgress;
    }
    if (fraction == m_shownFraction && (!fraction || progress == m_shownProgress))
        return;
    send(fraction, progress);
}

void TaskbarProgress::send(bool fractionVisible, double progress)
{
    m_shownFraction = fractionVisible;
    m_shownProgress = progress;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(m_objectPath, kInterface, kUpdate);
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), progress);
    properties.insert(QStringLiteral("progress-visible"), fractionVisible);
    signal << m_appUri << properties;
    bus.send(signal);
}

} // namespace platform
