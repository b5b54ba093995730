// Bringing the launcher and then the game up to date from a valid manifest.

#include "update/GameUpdate.h"

#include "content/archive/ExtractArchive.h"
#include "content/patch/Patch.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "update/AutoUpdate.h"
#include "update/DownloadContent.h"
#include "update/GameInstallMark.h"
#include "update/SelectContents.h"

#include <QThread>

#include <atomic>

namespace {

const int kInstallPauseMs = 5000;
std::atomic<int> g_testPauseMs{-1};

// A breath before each unpacking and patching step, so that the step's name
// is on screen before its progress starts moving.
void installPause()
{
    const int testPause = g_testPauseMs;
    QThread::msleep(testPause >= 0 ? unsigned(testPause) : unsigned(kInstallPauseMs));
}

// Notes the unpack of a full package over "Game" before it begins. The
// recorded version of a mark already there is kept: the settings still hold
// it, while this job has taken the game as not installed.
bool markFullUnpack(const UpdateContent& content)
{
    GameInstallMark mark;
    if (!GameInstallMark::read(mark))
        mark.recorded = installedGameVersion();
    mark.unpacking = content.versionTo();
    return mark.write();
}

} // namespace

void setInstallPauseForTests(int milliseconds)
{
    g_testPauseMs = milliseconds;
}

int AutoUpdate::applyUpdate(const UpdateInfo& manifest)
{
    Log* log = Log::instance();
    ProductUpdateInfo launcher;
    const bool haveLauncher = manifest.getObject(kLauncherProductId, launcher);
    if (haveLauncher) {
        log->debug(QStringLiteral("Launcher version: ") + g_launcherProduct.version.toString());
        log->debug(QStringLiteral("Launcher update: ") + launcher.version().toString());
        if (g_launcherProduct.version < launcher.version())
            return updateLauncher(launcher);
    }

    int code = haveLauncher ? UpdateUpToDate : ErrUpdateInfoNotFound;
    log->debug(QStringLiteral("Launcher update result: ") + QString::number(code));
    if (code == UpdateUpToDate) {
        ProductUpdateInfo game;
        if (!manifest.getObject(kGameProductId, game)) {
            code = ErrUpdateInfoNotFound;
        } else {
            const Version installed = installedVersionToUpdate();
            log->debug(QStringLiteral("Game version: ") + installed.toString());
            log->debug(QStringLiteral("Game update: ") + game.version().toString());
            code = UpdateUpToDate;
            if (installed < game.version())
                code = updateGame(game, installed);
        }
    }
    log->debug(QStringLiteral("Game update result: ") + QString::number(code));
    return code;
}

Version AutoUpdate::installedVersionToUpdate()
{
    const Version installed = installedGameVersion();
    GameInstallMark mark;
    if (!GameInstallMark::read(mark))
        return installed;
    // An unpack into "Game" ran since the last job: if it was cut short, its
    // temporary files are still there.
    removeUnpackLeftovers(gameDirPath());
    if (installed == mark.recorded && installed != mark.unpacking) {
        Log::instance()->info(QStringLiteral("game unpack of ") + mark.unpacking.toString()
                              + QStringLiteral(" over ") + installed.toString()
                              + QStringLiteral(" was not recorded: the game counts as not installed"));
        return Version();
    }
    GameInstallMark::remove();
    return installed;
}

int AutoUpdate::updateGame(const ProductUpdateInfo& game, const Version& installed)
{
    int code = ErrUpdateInfoNotFound;
    QList<UpdateContent> contents;
    if (selectContents(installed, game, contents)) {
        // A list that stops short of the published version (a gap in the
        // chain, contents not uploaded yet, an older full package) or runs
        // past it would be installed on every start and never end "done".
        const Version reachable = contents.last().versionTo();
        if (reachable != game.version()) {
            Log::instance()->critical(QStringLiteral("game contents do not reach the published version: installed ")
                                      + installed.toString() + QStringLiteral(" reachable ") + reachable.toString()
                                      + QStringLiteral(" published ") + game.version().toString());
            code = ErrUpdateContentNotFound;
        } else {
            code = installContents(contents);
        }
    }
    cleanup();
    return code;
}

int AutoUpdate::installContents(const QList<UpdateContent>& contents)
{
    for (const UpdateContent& content : contents) {
        DownloadedContent downloaded;
        if (!downloadContent(content, downloaded))
            return ErrUpdateDownloadFailed;
        const bool full = content.isFullPackage();
        const QString destination = full ? gameDirPath() : updateTempDirPath(content.id());

        resetProgress(ProgressUnpacking);
        installPause();
        if (full && !markFullUnpack(content))
            return ErrUpdateFailedToUnpack;
        if (!unpackArchive(downloaded.path, destination, this))
            return ErrUpdateFailedToUnpack;

        if (full) {
            setInstalledGameVersion(content.versionTo());
        } else {
            resetProgress(ProgressInstalling);
            installPause();
            if (!applyPatch(content, gameDirPath(), destination))
                return ErrUpdateFailedToPatch;
        }
        emit updateContentInstalled(kGameProductId, content.id());
    }
    return UpdateDone;
}

bool AutoUpdate::applyPatch(const UpdateContent& content, const QString& gameDir, const QString& patchDir)
{
    if (gameDir.isEmpty() || patchDir.isEmpty() || !content.versionFrom().isValid())
        return false;

    Log* log = Log::instance();
    const Version installed = installedGameVersion();
    log->info(QStringLiteral("product ") + g_gameProduct.id + QStringLiteral(" applying patch: ") + content.id()
              + QStringLiteral(" version: ") + installed.toString() + QStringLiteral(" => ")
              + content.versionTo().toString());
    if (content.versionFrom() != installed) {
        log->critical(QStringLiteral("patch from version mismatch: ") + installed.toString()
                      + QStringLiteral(" patch: ") + content.versionFrom().toString());
        return false;
    }

    Patch patch(this);
    if (!patch.load(patchDir)) {
        log->critical(QStringLiteral("patch load failed"));
        return false;
    }
    const Version configFrom = patch.config().versionFrom();
    if (configFrom != installed) {
        log->critical(QStringLiteral("patch config from version mismatch: ") + installed.toString()
                      + QStringLiteral(" patch: ") + configFrom.toString());
        return false;
    }

    const QString workDir = updateTempDirPath(content.id() + QStringLiteral("_work"));
    if (!patch.apply(gameDir, workDir)) {
        log->critical(QStringLiteral("patch fail: ") + content.id());
        return false;
    }
    log->info(QStringLiteral("patch success: ") + content.id());
    setInstalledGameVersion(content.versionTo());
    return true;
}
