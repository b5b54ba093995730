// Shared main of the test programs: one Qt application object for the whole
// run (a QApplication when built with LAUNCHER_TEST_GUI) and a fresh
// temporary home and application directory for every test.

#include <QDir>
#include <QTemporaryDir>

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
