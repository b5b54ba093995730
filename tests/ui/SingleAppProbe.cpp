// A process that takes the launcher's single-instance guard like the launcher
// does, for tests that start several of them. It prints what it became
// ("first" or "second"); a first instance shows a window, prints
// "activated <0|1>" for each activation (1 when its window then is the
// active one), and obeys commands on its standard input, one per line:
//   other       show and activate another window ("other active" once it is)
//   modal       open a modal dialog over the window (until stdin closes)
//   stall       keep the event loop busy, so that no poll runs, until a
//               line "resume" comes ("stalling" first, "resumed" after)
//   end         end at once the way the launcher ends when PLAY starts the
//               game (terminateCurrentProcess, exit code 0)
// It ends when its standard input closes, and after 60 s at the latest.
// Its log goes to the file that its one argument names.

#include "core/Log.h"
#include "platform/Process.h"
#include "tests/support/TestPlugins.h"
#include "ui/SingleApp.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    testsupport::useTestPlugins();
    QApplication app(argc, argv);
    if (argc > 1)
        Log::instance()->open(QString::fromLocal8Bit(argv[1]));
    SingleApp guard(QStringLiteral("ru.qmxgame.appmem"));
    if (!guard.tryLock()) {
        guard.notifyRunningInstance();
        say("second");
        return 0;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("first instance"));
    window.resize(200, 100);
    window.show();
    guard.setWindow(&window);
    QWidget other;
    other.setWindowTitle(QStringLiteral("other window"));
    other.resize(100, 50);

    QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* focus) {
        if (focus && focus == other.windowHandle())
            say("other active");
    });
    QObject::connect(&guard, &SingleApp::activateApp, [&] {
        // Activation is asynchronous on a real display; look a little later.
        QTimer::singleShot(300, [&] { say(QByteArray("activated ") + (window.isActiveWindow() ? "1" : "0")); });
    });

    QByteArray input;
    QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            stdinReady.setEnabled(false);
            app.exit(0);
            return;
        }
        input.append(buffer, int(n));
        int end;
        while ((end = input.indexOf('\n')) >= 0) {
            const QByteArray command = input.left(end).trimmed();
            input.remove(0, end + 1);
            if (command == "other") {
                other.show();
                other.activateWindow();
            } else if (command == "modal") {
                QTimer::singleShot(0, [&] {
                    // Ended by the exit at the end of the input, like every loop.
                    QDialog dialog(&window);
                    dialog.setWindowTitle(QStringLiteral("modal"));
                    dialog.exec();
                });
            } else if (command == "end") {
                platform::terminateCurrentProcess(0);
            } else if (command == "stall") {
                say("stalling");
                // Blocking reads on the GUI thread: nothing else runs.
                while (input.indexOf("resume\n") < 0) {
                    const ssize_t more = ::read(STDIN_FILENO, buffer, sizeof buffer);
                    if (more <= 0)
                        break;
                    input.append(buffer, int(more));
                }
                input.remove(0, input.indexOf("resume\n") + 7);
                say("resumed");
            }
        }
    });

    QTimer::singleShot(60000, &app, [&] { app.exit(2); });
    say("first");
    return app.exec();
}
