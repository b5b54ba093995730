// Shared main of the test programs: one Qt application object for the whole
// run (a QApplication when built with LAUNCHER_TEST_GUI), a network of the
// program's own, and a fresh temporary home and application directory for
// every test.

#include "tests/support/OwnNetwork.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#ifdef LAUNCHER_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include "tests/support/TestPlugins.h"

#include <gtest/gtest.h>

namespace testsupport {
void installEnvironmentListener();
}

int main(int argc, char** argv)
{
    // First, while this is the only thread: the launchers that tests start
    // belong to the user, and every test program runs as the same one.
    QString refusal;
    if (!testsupport::enterOwnNetwork(&refusal))
        std::fprintf(stderr, "no network of its own (%s): launchers of other test programs may meet these\n",
                     qPrintable(refusal));
    // Widgets draw offscreen unless a test run asks for a real display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir(QDir::tempPath() + QStringLiteral("/launcher-runtime-XXXXXX"));
    QFile::setPermissions(runtimeDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));

    ::testing::InitGoogleTest(&argc, argv);
    testsupport::useTestPlugins();
    TestApplication app(argc, argv);
    testsupport::installEnvironmentListener();
    return RUN_ALL_TESTS();
}
