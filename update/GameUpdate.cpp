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
#include "update/InstalledFiles.h"
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

// Unpacks a full package over "Game" so that, as far as the launcher's own
// files go, "Game" then holds exactly the package's tree: what the launcher
// installed for an older version and the package lacks is removed, an
// entry of the launcher's that stands where the package has one of the
// other kind makes way, and whatever is not on record (the player's) stays.
bool installFullPackage(const UpdateContent& content, const QString& archive, ISevenZipCallback* progress)
{
    std::vector<ArchiveItem> items;
    if (!listArchive(archive, items))
        return false;
    // A patch listed without a valid "version_from" would unpack its deltas
    // over the game files it is meant to rebuild.
    for (const ArchiveItem& item : items) {
        if (item.path == QLatin1String("patch.conf") && item.kind != ArchiveItem::Kind::Directory
            && item.kind != ArchiveItem::Kind::Skip) {
            Log::instance()->critical(QStringLiteral("full package refused, it holds patch.conf: ") + content.id()
                                      + QStringLiteral(" ") + archive);
            return false;
        }
    }

    const QString gameDir = gameDirPath();
    const InstalledFiles tree = InstalledFiles::ofArchive(items);
    const InstalledFiles record = InstalledFiles::read();
    if (!markFullUnpack(content))
        return false;
    // What the unpack may be the first to put there is on record before it
    // starts, so that a run cut short leaves nothing of the launcher's that
    // the next one would take for the player's.
    InstalledFiles during = record;
    during.unite(tree.missingFrom(gameDir));
    if (!during.write())
        return false;
    record.makeRoomFor(gameDir, tree);
    if (!unpackArchive(archive, gameDir, progress))
        return false;
    InstalledFiles after = tree;
    after.unite(during.removeAllBut(gameDir, tree));
    return after.write();
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
            bool gameDiffers = false;
            code = installContents(contents, gameDiffers);
            // A game that is not what its patch expects (a mod, a damaged
            // file, one the game rewrote) is repaired by the full package,
            // when it reaches the published version; not when the list began
            // with it already.
            QList<UpdateContent> repair;
            if (gameDiffers && !contents.first().isFullPackage() && selectContents(Version(), game, repair)
                && repair.last().versionTo() == game.version()) {
                Log::instance()->info(QStringLiteral("the game does not match its patch, installing the full package: ")
                                      + repair.first().id());
                code = installContents(repair, gameDiffers);
            }
        }
    }
    cleanup();
    return code;
}

int AutoUpdate::installContents(const QList<UpdateContent>& contents, bool& gameDiffers)
{
    gameDiffers = false;
    for (const UpdateContent& content : contents) {
        DownloadedContent downloaded;
        if (!downloadContent(content, downloaded))
            return ErrUpdateDownloadFailed;

        resetProgress(ProgressUnpacking);
        installPause();
        if (content.isFullPackage()) {
            if (!installFullPackage(content, downloaded.path, this))
                return ErrUpdateFailedToUnpack;
            setInstalledGameVersion(content.versionTo());
        } else {
            const QString destination = updateTempDirPath(content.id());
            if (!unpackArchive(downloaded.path, destination, this))
                return ErrUpdateFailedToUnpack;
            resetProgress(ProgressInstalling);
            installPause();
            if (!applyPatch(content, gameDirPath(), destination, gameDiffers))
                return ErrUpdateFailedToPatch;
        }
        emit updateContentInstalled(kGameProductId, content.id());
    }
    return UpdateDone;
}

bool AutoUpdate::applyPatch(const UpdateContent& content, const QString& gameDir, const QString& patchDir,
                            bool& gameDiffers)
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

    // The files it adds are on record before they are put in place, those
    // it removes leave the record once they are gone.
    InstalledFiles record = InstalledFiles::read();
    QStringList removed;
    for (const PatchContent& entry : patch.config().added())
        record.addFile(entry.path());
    for (const PatchContent& entry : patch.config().removed())
        removed.append(entry.path());
    if (!record.write())
        return false;

    const QString workDir = updateTempDirPath(content.id() + QStringLiteral("_work"));
    if (!patch.apply(gameDir, workDir)) {
        gameDiffers = patch.gameDiffers();
        log->critical(QStringLiteral("patch fail: ") + content.id());
        return false;
    }
    record.forgetRemoved(gameDir, removed);
    if (!record.write())
        return false;
    log->info(QStringLiteral("patch success: ") + content.id());
    setInstalledGameVersion(content.versionTo());
    return true;
}
