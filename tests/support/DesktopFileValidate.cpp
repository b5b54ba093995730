#include "tests/support/DesktopFileValidate.h"

#include <QProcess>

namespace testsupport {

QString desktopFileProblems(const QString& path)
{
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validate.waitForFinished(10000)) {
        validate.kill();
        validate.waitForFinished(5000);
        return QStringLiteral("desktop-file-validate did not end (package desktop-file-utils, see scripts/setup)");
    }
    const QString output = QString::fromLocal8Bit(validate.readAll()).trimmed();
    if (validate.exitStatus() != QProcess::NormalExit || validate.exitCode() != 0)
        return output.isEmpty() ? QStringLiteral("desktop-file-validate failed") : output;
    return output;
}

} // namespace testsupport
