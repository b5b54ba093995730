#include "tests/install/HandOverFixture.h"

#include "tests/support/StandInLauncher.h"
#include "tests/support/TestEnvironment.h"

void HandOverFixture::SetUp()
{
    InstallFixture::SetUp();
    testsupport::writeStandInLauncher(source() + "/QMXLauncher.exe");
}

void HandOverFixture::TearDown()
{
    if (m_parent.state() != QProcess::NotRunning) {
        m_parent.kill();
        m_parent.waitForFinished(5000);
    }
    InstallFixture::TearDown();
}

int HandOverFixture::endedProcessId()
{
    QProcess process;
    process.start("/bin/true", QStringList());
    EXPECT_TRUE(process.waitForStarted(5000));
    const int id = int(process.processId());
    EXPECT_TRUE(process.waitForFinished(5000));
    EXPECT_GT(id, 0);
    return id;
}

int HandOverFixture::startParent(const QString& lastCommand)
{
    m_parent.start("/bin/sh", {"-c", "sleep 0.3; " + lastCommand});
    EXPECT_TRUE(m_parent.waitForStarted(5000));
    return int(m_parent.processId());
}

QString HandOverFixture::markerPath() const
{
    return testsupport::rootDir() + "/parent-saw.txt";
}
