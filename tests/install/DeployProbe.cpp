// A stand-in for the launcher executable, built only to test the deploy
// step: it starts the way the launcher does and tells where its libraries
// and plugins come from.

#include <QApplication>
#include <QDBusMessage>
#include <QFile>
#include <QSet>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Used so that the D-Bus library is loaded as the launcher loads it.
    const QDBusMessage message = QDBusMessage::createSignal("/", "org.example.Probe", "started");

    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly))
        return 2;
    QSet<QByteArray> seen;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const int slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QByteArray path = line.mid(slash);
        if ((path.contains("libQt5") || path.contains("libicu")) && !seen.contains(path)) {
            seen.insert(path);
            std::printf("library %s\n", path.constData());
        }
    }
    for (const QString& path : QCoreApplication::libraryPaths())
        std::printf("plugins %s\n", qPrintable(path));
    std::fflush(stdout);
    return message.type() == QDBusMessage::SignalMessage ? 0 : 1;
}
