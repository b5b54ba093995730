// Replacing the running launcher with a newer one from the manifest. A
// running program cannot overwrite its own files, so the new launcher is
// unpacked into "UpdateTemp/<id>" and started there in its update mode with
// this launcher's path and process id; it waits for this process to end
// before it copies itself over the installation. The game is left alone.

#include "update/AutoUpdate.h"

#include "content/archive/ExtractArchive.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProcessUtils.h"
#include "core/ProductInfo.h"
#include "platform/FileIdentity.h"
#include "update/DownloadContent.h"
#include "update/LauncherHandOverMark.h"
#include "update/SelectContents.h"

#include <QDir>

int AutoUpdate::updateLauncher(const ProductUpdateInfo& launcher)
{
    Log* log = Log::instance();
    QList<UpdateContent> contents;
    if (!selectContents(g_launcherProduct.version, launcher, contents)) {
        log->critical(QStringLiteral("Launcher update content not found"));
        return ErrUpdateContentNotFound;
    }
    // A launcher is replaced whole: the first content is all it takes.
    const UpdateContent content = contents.first();
    log->debug(QStringLiteral("Launcher update content: ") + content.name());
    // The copy started below replaces this launcher; one that is not newer
    // would find the same manifest and start the same copy again, for ever.
    if (!(g_launcherProduct.version < content.versionTo())) {
        log->critical(QStringLiteral("Launcher update content is not newer: ") + content.name()
                      + QStringLiteral(" version: ") + content.versionTo().toString()
                      + QStringLiteral(" running: ") + g_launcherProduct.version.toString());
        return ErrUpdateContentNotFound;
    }
    // A hand-over to this version has replaced this launcher, and it is
    // still older: another one would bring the same (LauncherHandOverMark).
    LauncherHandOverMark mark;
    const QString executable = platform::fileIdentity(LauncherHandOverMark::executablePath());
    if (LauncherHandOverMark::read(mark) && mark.promised == content.versionTo() && mark.executable != executable) {
        log->critical(QStringLiteral("Launcher update did not bring the promised version: ") + content.name()
                      + QStringLiteral(" promised: ") + content.versionTo().toString() + QStringLiteral(" running: ")
                      + g_launcherProduct.version.toString());
        return ErrUpdateFailedToStart;
    }

    DownloadedContent downloaded;
    if (!downloadContent(content, downloaded)) {
        log->critical(QStringLiteral("Launcher update content download failed: ") + content.name());
        return ErrUpdateDownloadFailed;
    }

    const QString unpackDir = updateTempDirPath(content.id());
    log->debug(QStringLiteral("Launcher update content: ") + content.name() + QStringLiteral(" downloaded to ")
               + downloaded.path);
    if (!unpackArchive(downloaded.path, unpackDir, this)) {
        log->critical(QStringLiteral("Launcher update content unpack failed: ") + content.name()
                      + QStringLiteral(" at path ") + downloaded.path + QStringLiteral(" to path ") + unpackDir);
        return ErrUpdateFailedToUnpack;
    }
    log->debug(QStringLiteral("Launcher update unpacked: ") + content.name() + QStringLiteral(" to ") + unpackDir);

    const QString program = QDir::toNativeSeparators(joinPath(unpackDir, g_launcherProduct.exeName));
    const QStringList arguments = {
        QStringLiteral("--update"), QStringLiteral("--path"), appFilePath(),
        QStringLiteral("--pid"),    QString::number(currentProcessId()),
    };
    const QString commandLine = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    log->debug(QStringLiteral("Starting updater: ") + commandLine);
    mark.promised = content.versionTo();
    mark.executable = executable;
    if (!mark.write())
        return ErrUpdateFailedToStart;
    if (!startDetachedQuoted(program, arguments)) {
        log->critical(QStringLiteral("Updater failed to start: ") + commandLine);
        return ErrUpdateFailedToStart;
    }
    log->info(QStringLiteral("Exiting for self update"));
    emit exitAppToUpdate();
    return UpdateDone;
}
