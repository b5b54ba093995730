#include "platform/TaskbarProgress.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTest>
#include <QVariantMap>
#include <QWindow>

#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

using platform::TaskbarProgress;

namespace {

const QString kEntry = QStringLiteral("Quillmere 4.desktop");
const QString kSentinel = QStringLiteral("sentinel.desktop");

struct Shown
{
    QString uri;
    bool visible = false;
    double progress = -1.0;

    bool operator==(const Shown& other) const
    {
        return uri == other.uri && visible == other.visible && qFuzzyCompare(1.0 + progress, 1.0 + other.progress);
    }
};

std::ostream& operator<<(std::ostream& out, const Shown& shown)
{
    return out << "{" << shown.uri.toStdString() << ", visible " << shown.visible << ", " << shown.progress << "}";
}

// Receives the entry updates on a connection of its own, as a dock would.
class Dock : public QObject
{
    Q_OBJECT
public:
    explicit Dock(const QDBusConnection& connection)
        : m_connection(connection)
    {
        m_connected = m_connection.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                           QStringLiteral("Update"), this, SLOT(onUpdate(QString, QVariantMap)));
    }

    bool isListening() const { return m_connected; }

    // Everything received until the sentinel's update, which ends each script.
    std::vector<Shown> takeUntilSentinel()
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_sawSentinel && timer.elapsed() < 10000)
            QTest::qWait(10);
        EXPECT_TRUE(m_sawSentinel) << "the updates did not arrive";
        m_sawSentinel = false;
        return std::move(m_received);
    }

public slots:
    void onUpdate(const QString& uri, const QVariantMap& properties)
    {
        if (uri == QStringLiteral("application://") + kSentinel) {
            // Its destructor takes the bar off again; only the first update counts.
            if (properties.value("progress-visible").toBool())
                m_sawSentinel = true;
            return;
        }
        EXPECT_EQ(properties.size(), 2);
        EXPECT_EQ(properties.value("progress").type(), QVariant::Double);
        EXPECT_EQ(properties.value("progress-visible").type(), QVariant::Bool);
        m_received.push_back({uri, properties.value("progress-visible").toBool(), properties.value("progress").toDouble()});
    }

private:
    QDBusConnection m_connection;
    bool m_connected = false;
    bool m_sawSentinel = false;
    std::vector<Shown> m_received;
};

// Attaches the progress to the window and shows value of maximum.
void showFraction(TaskbarProgress& progress, QWindow& window, int value, int maximum)
{
    progress.setWindow(&window);
    progress.setRange(0, maximum);
    progress.setValue(value);
    progress.setVisible(true);
}

// Sends one update that the dock recognises; the bus keeps one sender's
// messages in order, so everything sent before it has arrived with it.
void sendSentinel()
{
    QWindow window;
    TaskbarProgress sentinel(kSentinel);
    showFraction(sentinel, window, 1, 2);
}

QDBusConnection dockConnection()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("dock"));
}

TEST(TaskbarProgress, MirrorsTheWindowProgressOnTheApplicationEntry)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
    Dock dock(dockConnection());
    ASSERT_TRUE(dock.isListening());

    QWindow window;
    TaskbarProgress progress(kEntry);
    EXPECT_EQ(progress.appUri(), "application://Quillmere 4.desktop");

    const QString uri = progress.appUri();
    const struct {
        const char* what;
        std::function<void()> act;
        std::vector<Shown> sent;
    } steps[] = {
        {"nothing shows before a window is attached",
         [&] {
             progress.setVisible(true);
             progress.setRange(0, 10);
             progress.setValue(5);
             progress.setRange(0, 0);
         },
         {}},
        {"attached while busy: still no fraction", [&] { progress.setWindow(&window); }, {}},
        {"a range and a value show the fraction",
         [&] {
             progress.setRange(0, 1000000);
             progress.setValue(250000);
             progress.setValue(250000);
         },
         {{uri, true, 0.0}, {uri, true, 0.25}}},
        {"paused keeps the last value, also through a busy range",
         [&] {
             progress.setPaused(true);
             progress.setValue(500000);
             progress.setRange(0, 0);
         },
         {}},
        {"resumed shows the state reached meanwhile", [&] { progress.setPaused(false); }, {{uri, false, 0.25}}},
        {"the busy range took the value to 0; a value outside the range is ignored",
         [&] {
             progress.setRange(0, 1000000);
             progress.setValue(1000000);
             progress.setValue(1000001);
             progress.setValue(-1);
         },
         {{uri, true, 0.0}, {uri, true, 1.0}}},
        {"hidden and shown again",
         [&] {
             progress.setVisible(false);
             progress.setVisible(true);
         },
         {{uri, false, 1.0}, {uri, true, 1.0}}},
        {"hiding goes through while paused",
         [&] {
             progress.setPaused(true);
             progress.setVisible(false);
             progress.setPaused(false);
         },
         {{uri, false, 1.0}}},
        {"detaching hides the bar",
         [&] {
             progress.setVisible(true);
             progress.setWindow(nullptr);
             progress.setValue(0);
         },
         {{uri, true, 1.0}, {uri, false, 1.0}}},
    };
    for (const auto& step : steps) {
        step.act();
        sendSentinel();
        EXPECT_EQ(dock.takeUntilSentinel(), step.sent) << step.what;
    }
}

TEST(TaskbarProgress, TakesItsBarOffTheEntryWhenDestroyed)
{
    Dock dock(dockConnection());
    ASSERT_TRUE(dock.isListening());
    QWindow window;
    {
        TaskbarProgress hidden(QStringLiteral("hidden.desktop"));
        hidden.setWindow(&window);
    }
    {
        TaskbarProgress shown(kEntry);
        showFraction(shown, window, 1, 4);
    }
    sendSentinel();
    const QString uri = QStringLiteral("application://") + kEntry;
    EXPECT_EQ(dock.takeUntilSentinel(), (std::vector<Shown>{{uri, true, 0.25}, {uri, false, 0.25}}));
}

TEST(TaskbarProgress, WithoutASessionBusNothingFails)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QWindow window;
    TaskbarProgress progress(kEntry);
    showFraction(progress, window, 2, 4);
    EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
    EXPECT_EQ(progress.value(), 2);
}

} // namespace

#include "TaskbarProgressTest.moc"
