#include "core/Format.h"
#include "core/JsonSettings.h"
#include "core/ProductInfo.h"
#include "install/LauncherFiles.h"
#include "install/UninstallAction.h"
#include "tests/support/ModalSteps.h"
#include "tests/support/Printers.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/StandInLauncher.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/UiTest.h"
#include "ui/Buttons.h"
#include "ui/InstallDialog.h"
#include "update/AutoUpdate.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QThreadPool>

#include <functional>
#include <limits>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::SeenBox;

const QString kInvalid = "Path is not valid";
const QString kReadOnly = "Installation path is readonly. Select a different path.";
const QString kOutOfSpace = "Not enough disk space. Select a different installation path.";
const QString kNotEmpty = "This folder already holds other files. Select an empty or a new folder.";
const QString kWhite = "color: #ffffff; font-size: 14px;";
const QString kRed = "color: #b23b1e; font-size: 14px;";

// The dialog's widgets, found as the style sheet and a user see them.
struct Page
{
    explicit Page(QWidget* dialog)
    {
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->objectName().isEmpty())
                size = label;
        }
        path = dialog->findChild<QLabel*>("wizard_label");
        error = dialog->findChild<QLabel*>("wizard_label_error");
        pathButton = dialog->findChild<QPushButton*>("path_btn");
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            (box->text() == "Create a desktop shortcut" ? desktop : startMenu) = box;
        install = dialog->findChild<BaseButton*>();
    }

    QLabel* size = nullptr;
    QLabel* path = nullptr;
    QLabel* error = nullptr;
    QPushButton* pathButton = nullptr;
    QCheckBox* desktop = nullptr;
    QCheckBox* startMenu = nullptr;
    BaseButton* install = nullptr;
};

// The launcher files to install from, in the application directory, with a
// stand-in for the launcher executable.
class InstallDialogTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_launcherProduct = launcherProductInfo();
        for (const QString& name : install::launcherFileNames())
            testsupport::writeFile(testsupport::appDir() + "/" + name, "dummy of " + name.toUtf8());
        testsupport::writeStandInLauncher(testsupport::appDir() + "/QMXLauncher.exe");
    }

    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone(60000);
        AutoUpdate::destroyInstance();
        g_launcherProduct = ProductInfo();
        UiTest::TearDown();
    }

    static QString link(const char* folderUnderHome)
    {
        return testsupport::homeDir() + "/" + folderUnderHome + "/Quillmere 4.desktop";
    }
};

TEST_F(InstallDialogTest, ShowsThePageInEnglish)
{
    InstallDialog dialog(nullptr);
    dialog.setInstallPath(testsupport::rootDir() + "/Games/QMX_EN");
    dialog.setRequiredSize(3 * 1024 * 1024);
    const Page page(&dialog);
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    EXPECT_EQ(texts, QStringList({"Quillmere 4 installation", "Select installation path",
                                  formatSize(3 * 1024 * 1024 + install::launcherFilesSize(testsupport::appDir())),
                                  testsupport::rootDir() + "/Games/QMX_EN"}));
    EXPECT_EQ(page.pathButton->text(), "Select...");
    EXPECT_EQ(page.install->text(), "INSTALL");
    EXPECT_TRUE(page.desktop->isChecked());
    EXPECT_EQ(page.startMenu->text(), "Create start menu items");
    EXPECT_TRUE(page.startMenu->isChecked());
    EXPECT_EQ(dialog.size(), QSize(726, 452));
    EXPECT_TRUE(dialog.findChild<SystemButton*>("fold")->isHidden());
    // Also the text of its task bar entry.
    EXPECT_EQ(dialog.windowTitle(), "Quillmere 4");
}

// Escape asks the exit question (above); Enter and Space press INSTALL,
// which here reports the lack of room instead of installing.
TEST_F(InstallDialogTest, EnterAndSpaceInstall)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(testsupport::rootDir() + "/Games/QMX_EN");
        dialog.setRequiredSize(std::numeric_limits<qint64>::max());
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &dialog, key);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.text, kOutOfSpace);
        EXPECT_TRUE(dialog.isVisible());
    }
}

TEST_F(InstallDialogTest, ClosingAsksTheExitQuestion)
{
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        SCOPED_TRACE(answer);
        InstallDialog dialog(nullptr);
        dialog.show();
        SeenBox seen;
        ModalSteps script({answerBox(answer, &seen)});
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.text, "Program will exit. Do you want to continue?");
        EXPECT_EQ(dialog.isVisible(), answer == QMessageBox::No);
    }
}

TEST_F(InstallDialogTest, APathThatNamesNoVolumeIsNotValid)
{
    const QString file = testsupport::writeFile(testsupport::rootDir() + "/passwd", "root:x:0:0");
    for (const QString& path : {QString(), QString("Games/QMX_EN"), QString("C:/Games/QMX_EN"), QString(":/Games"),
                                // A file, and a path whose nearest existing entry is one.
                                file, file + "/Games", file + "/Games/QMX_EN"}) {
        SCOPED_TRACE(path.toStdString());
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(path);
        EXPECT_FALSE(dialog.validatePath());
        EXPECT_EQ(Page(&dialog).error->text(), kInvalid);
    }
}

// The launcher installs only into a folder that does not exist yet, is
// empty, or holds nothing but its own files: the uninstall removes the
// launcher's working data by name, and must find only the launcher's under
// those names. Any other folder is refused before anything is written. An
// installation into an allowed folder is removed again by the uninstall, and
// whatever of others stands around it stays.
TEST_F(InstallDialogTest, InstallsOnlyIntoAFolderOfItsOwn)
{
    // Around the folders: a games folder with things of the player's under
    // the names of the launcher's working data, and the player's home.
    const QString games = testsupport::rootDir() + "/Games";
    for (const char* file : {"Game/save.dat", "Update/notes.txt", "UpdateTemp/x", "log.txt", "QMXLauncher.conf",
                             "Session.conf", "platforms/mine.so"})
        testsupport::writeFile(games + "/" + file, "the player's");
    testsupport::writeFile(testsupport::homeDir() + "/Game/save.dat", "the player's");
    testsupport::writeFile(testsupport::homeDir() + "/Documents/letter.txt", "the player's");
    const auto writeInstallation = [](const QString& dir) {
        for (const QString& name : install::launcherFileNames())
            testsupport::writeFile(dir + "/" + name, "older " + name.toUtf8());
        testsupport::writeStandInLauncher(dir + "/QMXLauncher.exe");
        for (const char* file : {"Game/bin/qmx_x64.exe", "Update/a.7z", "UpdateTemp/c1/patch.conf", "log.txt",
                                 "QMXLauncher.conf", "Session.conf", ".QMXLauncher.conf.tmp-Ab12Cd",
                                 "QMXLauncher.conf.unreadable"})
            testsupport::writeFile(dir + "/" + file, "x");
    };
    const struct {
        const char* what;
        QString path;
        std::function<void(const QString&)> prepare;
        QString error; // empty: installed, then uninstalled
    } cases[] = {
        // The refused ones first: a finished install ends the application
        // (QCoreApplication::exit), which a later message box would obey.
        {"a folder holding files of others", games + "/Others",
         [](const QString& dir) { testsupport::writeFile(dir + "/notes.txt", "mine"); }, kNotEmpty},
        {"a folder holding the player's own \"Game\"", games + "/Mine",
         [](const QString& dir) { testsupport::writeFile(dir + "/Game/save.dat", "mine"); }, kNotEmpty},
        {"a subfolder of the launcher's with a file of others in it", games + "/Plugins",
         [](const QString& dir) { testsupport::writeFile(dir + "/platforms/mine.so", "mine"); }, kNotEmpty},
        {"an installation with a file of others beside it", games + "/Shared",
         [&](const QString& dir) {
             writeInstallation(dir);
             testsupport::writeFile(dir + "/notes.txt", "mine");
         },
         kNotEmpty},
        {"the folder that holds all the games", games, [](const QString&) {}, kNotEmpty},
        {"the home folder itself", testsupport::homeDir(), [](const QString&) {}, kNotEmpty},
        {"a folder that does not exist yet", games + "/QMX_EN", [](const QString&) {}, {}},
        {"an empty folder", games + "/Empty", [](const QString& dir) { QDir().mkpath(dir); }, {}},
        {"a folder with the settings put there beforehand", games + "/Prepared",
         [](const QString& dir) { testsupport::writeFile(dir + "/QMXLauncher.conf", "{\"update_url\": \"x\"}"); }, {}},
        {"a folder holding an installation", games + "/Installed", writeInstallation, {}},
        {"a folder an uninstall has emptied", games + "/Uninstalled",
         [](const QString& dir) {
             QDir().mkpath(dir + "/platforms");
             QDir().mkpath(dir + "/imageformats");
             testsupport::writeFile(dir + "/Session.conf", "state");
             testsupport::writeFile(dir + "/QMXLauncher.conf.unreadable.2", "{\"update_url\": ,}");
         },
         {}},
    };
    // What stands around a folder: the games folder but that folder, and
    // the player's folders in the home folder.
    const auto aroundOf = [&](const QString& path) {
        QMap<QString, QString> tree;
        const QString inGames = QDir(games).relativeFilePath(path);
        const QMap<QString, QString> all = testsupport::describeTree(games);
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (it.key() != inGames && !it.key().startsWith(inGames + "/"))
                tree.insert("Games/" + it.key(), it.value());
        }
        for (const QString mine : {"Documents", "Game"}) {
            const QMap<QString, QString> part = testsupport::describeTree(testsupport::homeDir() + "/" + mine);
            for (auto it = part.begin(); it != part.end(); ++it)
                tree.insert(mine + "/" + it.key(), it.value());
        }
        return tree;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare(c.path);
        const QMap<QString, QString> around = aroundOf(c.path);
        const QMap<QString, QString> inside = testsupport::describeTree(c.path);
        testsupport::clearLog();

        InstallDialog dialog(nullptr);
        dialog.setInstallPath(c.path);
        dialog.setRequiredSize(1024);
        dialog.show();
        const Page page(&dialog);
        EXPECT_EQ(dialog.validatePath(), c.error.isEmpty());
        EXPECT_EQ(page.error->text(), c.error);

        if (!c.error.isEmpty()) {
            SeenBox seen;
            ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
            QTest::mouseClick(page.install, Qt::LeftButton);
            EXPECT_EQ(script.done(), 1);
            EXPECT_EQ(seen.text, c.error);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(testsupport::describeTree(c.path), inside);
            EXPECT_EQ(aroundOf(c.path), around);
            EXPECT_FALSE(QFileInfo::exists(link(".local/share/applications")));
            continue;
        }

        QTest::mouseClick(page.install, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        for (const QString& name : install::launcherFileNames())
            EXPECT_EQ(testsupport::readFile(c.path + "/" + name), testsupport::readFile(testsupport::appDir() + "/" + name))
                << name.toStdString();
        ASSERT_TRUE(testsupport::waitForStandInStart(c.path).started);

        // The uninstall's second stage, handed over by a first stage that
        // has already ended.
        QProcess ended;
        ended.start("/bin/true", QStringList());
        ASSERT_TRUE(ended.waitForStarted(5000));
        const int pid = int(ended.processId());
        ASSERT_TRUE(ended.waitForFinished(5000));
        EXPECT_EQ(install::uninstallAfterParentExit(c.path, pid), 0);
        for (const QString& name : install::launcherFileNames())
            EXPECT_FALSE(QFileInfo::exists(c.path + "/" + name)) << name.toStdString();
        for (const char* data : {"Game", "Update", "UpdateTemp", "log.txt", "QMXLauncher.conf"})
            EXPECT_FALSE(QFileInfo::exists(c.path + "/" + data)) << data;
        EXPECT_FALSE(QFileInfo::exists(link(".local/share/applications")));
        EXPECT_FALSE(QFileInfo::exists(link("Desktop")));
        EXPECT_EQ(aroundOf(c.path), around);
    }
}

TEST_F(InstallDialogTest, ChecksTheVolumeThatHoldsThePath)
{
    // Two volumes of their own: a small writable one whose free space stays
    // put, and a read-only one with room.
    const QString small = testsupport::rootDir() + "/small";
    const QString readOnly = testsupport::rootDir() + "/readonly";
    testsupport::PrivateMount smallMount(small, 1024 * 1024, false);
    if (!smallMount.isMounted())
        GTEST_SKIP() << "cannot mount a volume of its own: " << smallMount.error().toStdString();
    testsupport::PrivateMount readOnlyMount(readOnly, 1024 * 1024, true);
    ASSERT_TRUE(readOnlyMount.isMounted()) << readOnlyMount.error().toStdString();
    const qint64 free = QStorageInfo(small).bytesAvailable();
    // The launcher's own files go there too.
    const qint64 launcher = install::launcherFilesSize(testsupport::appDir());
    ASSERT_GT(free, launcher);
    // Far less than the disk the test folder is on.
    ASSERT_GT(QStorageInfo(testsupport::rootDir()).bytesAvailable(), free + 1);

    const struct {
        const char* what;
        QString path;
        qint64 required;
        QString error; // empty: valid
    } cases[] = {
        {"folders that do not exist yet, with room", small + "/Games/QMX_EN", free - launcher - 1, {}},
        {"the volume's own root", small, 0, {}},
        {"exactly the free space", small + "/Games/QMX_EN", free - launcher, kOutOfSpace},
        {"more than the free space", small + "/Games", free - launcher + 1, kOutOfSpace},
        {"a read-only volume", readOnly + "/Games/QMX_EN", 0, kReadOnly},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(c.path);
        dialog.setRequiredSize(c.required);
        const Page page(&dialog);
        EXPECT_EQ(dialog.validatePath(), c.error.isEmpty());
        EXPECT_EQ(page.error->text(), c.error);
        EXPECT_EQ(page.size->styleSheet(), c.error == kOutOfSpace ? kRed : kWhite);
        EXPECT_EQ(page.size->text(), formatSize(c.required + launcher));
        EXPECT_EQ(page.path->text(), c.path);

        // INSTALL shows the same reason instead of installing.
        if (!c.error.isEmpty()) {
            dialog.show();
            SeenBox seen;
            ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
            QTest::mouseClick(page.install, Qt::LeftButton);
            EXPECT_EQ(script.done(), 1);
            EXPECT_EQ(seen.title, "Quillmere 4");
            EXPECT_EQ(seen.text, c.error);
            EXPECT_EQ(seen.icon, QMessageBox::Critical);
            EXPECT_FALSE(QFileInfo::exists(c.path + "/QMXLauncher.exe"));
        }
    }
}

// The launcher's own files need room too: a drive with room for the game
// but not for them is refused before anything is copied. A copy that fails
// all the same (the drive has room for the bytes, not for the blocks of so
// many files) says why in one critical line beside the failure box.
TEST_F(InstallDialogTest, ADriveTooSmallForTheLauncherIsRefused)
{
    const QString small = testsupport::rootDir() + "/small";
    testsupport::PrivateMount mount(small, 1024 * 1024, false);
    if (!mount.isMounted())
        GTEST_SKIP() << "cannot mount a volume of its own: " << mount.error().toStdString();
    const qint64 free = QStorageInfo(small).bytesAvailable();
    const QString large = testsupport::appDir() + "/" + install::launcherFileNames().first();
    const qint64 others = install::launcherFilesSize(testsupport::appDir()) - QFileInfo(large).size();
    const struct {
        const char* what;
        qint64 largeFile; // the size of one launcher file
        QString error;    // of the check; empty: the copy fails
    } cases[] = {
        {"the launcher files alone take all the room", free - others, kOutOfSpace},
        {"room for the bytes, not for the blocks", free - others - 4096, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::writeFile(large, testsupport::randomBytes(7, int(c.largeFile)));
        testsupport::clearLog();
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(small + "/Games/QMX_EN");
        dialog.setRequiredSize(1024);
        dialog.show();
        const Page page(&dialog);
        EXPECT_EQ(dialog.validatePath(), c.error.isEmpty());
        EXPECT_EQ(page.error->text(), c.error);

        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
        QTest::mouseClick(page.install, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return script.done() == 1 && !QApplication::activeModalWidget(); }, 10000));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(seen.text, c.error.isEmpty() ? "Installation failed." : c.error);
        const QStringList criticals = testsupport::logLines().filter(QRegularExpression("^crit "));
        if (!c.error.isEmpty()) {
            EXPECT_EQ(criticals, QStringList());
            EXPECT_FALSE(QFileInfo::exists(small + "/Games"));
            continue;
        }
        ASSERT_EQ(criticals.size(), 1);
        EXPECT_TRUE(criticals[0].contains(" InstallWorker failed: Installing files...: "));
        EXPECT_TRUE(criticals[0].endsWith(": No space left on device")) << criticals[0].toStdString();
        for (const QString& entry : testsupport::describeTree(small + "/Games/QMX_EN"))
            EXPECT_EQ(entry, "dir");
    }
}

// The path is cleaned before it is examined: ".." through a folder that
// does not exist names the folder above it, here one of others' files.
TEST_F(InstallDialogTest, ThePathIsExaminedAsTheFileSystemSeesIt)
{
    const QString games = testsupport::rootDir() + "/Games";
    testsupport::writeFile(games + "/notes.txt", "the player's");
    InstallDialog dialog(nullptr);
    dialog.setInstallPath(games + "/new/..");
    EXPECT_EQ(Page(&dialog).path->text(), games);
    EXPECT_FALSE(dialog.validatePath());
    EXPECT_EQ(Page(&dialog).error->text(), kNotEmpty);
}

TEST_F(InstallDialogTest, TheManifestCheckSetsTheRequiredSize)
{
    InstallDialog dialog(nullptr);
    dialog.setInstallPath(testsupport::rootDir() + "/Games/QMX_EN");
    dialog.setRequiredSize(1024);
    const Page page(&dialog);
    // The size shown is what the installation takes: the game and the
    // launcher's own files.
    const qint64 launcher = install::launcherFilesSize(testsupport::appDir());
    // No manifest yet: nothing changes.
    dialog.updateCheckFinished();
    EXPECT_EQ(page.size->text(), formatSize(1024 + launcher));

    testsupport::TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    AutoUpdate* engine = AutoUpdate::instance();
    // As the main window connects them.
    QObject::connect(engine, &AutoUpdate::updateFinish, &dialog, &InstallDialog::updateCheckFinished,
                     Qt::QueuedConnection);
    const struct {
        const char* what;
        QByteArray manifest;
        qint64 size;
        QString error;
    } cases[] = {
        {"more than any disk holds", R"({"qmx": {"version": "1.2.0", "content": [], "size": 1125899906842624}})",
         1125899906842624, kOutOfSpace},
        {"a size written as digits", R"({"qmx": {"version": "1.2.0", "content": [], "size": "123456"}})", 123456, {}},
        {"no game in the manifest", R"({"qmx_launcher_en": {"version": "4.0.1", "content": [], "size": 99}})", 1024,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::writeFile(server.root() + "/update.json", c.manifest);
        dialog.setRequiredSize(1024);
        int result = -1;
        QObject receiver;
        QObject::connect(engine, &AutoUpdate::updateFinish, &receiver, [&](int code) { result = code; },
                         Qt::QueuedConnection);
        engine->start({server.url("/update.json")}, false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, 30000));
        QTest::qWait(20);
        EXPECT_EQ(page.size->text(), formatSize(c.size + launcher));
        EXPECT_EQ(page.error->text(), c.error);
    }
}

TEST_F(InstallDialogTest, ThePickerKeepsTheLastFolderChosen)
{
    const QString start = testsupport::rootDir() + "/Games/QMX_EN";
    const QString chosen = testsupport::rootDir() + "/Elsewhere";
    QDir().mkpath(start);
    QDir().mkpath(chosen);
    InstallDialog dialog(nullptr);
    dialog.setInstallPath(start);
    dialog.setRequiredSize(1);
    dialog.show();
    const Page page(&dialog);

    QString caption;
    QString startedIn;
    bool dirsOnly = false;
    ModalSteps script({
        [&](QWidget* window) {
            auto picker = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(picker, nullptr);
            caption = picker->windowTitle();
            startedIn = picker->directory().absolutePath();
            dirsOnly = picker->testOption(QFileDialog::ShowDirsOnly);
            // As a user types the folder's path and presses Enter.
            auto name = picker->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(chosen);
            QTest::keyClick(name, Qt::Key_Return);
        },
        [](QWidget* window) { qobject_cast<QDialog*>(window)->reject(); },
    });
    QTest::mouseClick(page.pathButton, Qt::LeftButton);
    EXPECT_EQ(script.done(), 1);
    EXPECT_EQ(caption, "Select Installation Path");
    EXPECT_EQ(startedIn, start);
    EXPECT_TRUE(dirsOnly);
    EXPECT_EQ(page.path->text(), chosen);

    QTest::mouseClick(page.pathButton, Qt::LeftButton);
    EXPECT_EQ(script.done(), 2);
    EXPECT_EQ(page.path->text(), chosen);
    EXPECT_TRUE(dialog.validatePath());
}

TEST_F(InstallDialogTest, AFailedInstallCanBeTriedAgain)
{
    const QString target = testsupport::rootDir() + "/Games/QMX_EN";
    const QString missing = testsupport::appDir() + "/libQt5Widgets.so.5";
    const QByteArray content = testsupport::readFile(missing);
    QFile::remove(missing);

    InstallDialog dialog(nullptr);
    dialog.setInstallPath(target);
    dialog.setRequiredSize(1024);
    dialog.show();
    Page page(&dialog);

    SeenBox seen;
    ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
    QTest::mouseClick(page.install, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.done() == 1 && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_EQ(seen.title, "Quillmere 4");
    EXPECT_EQ(seen.text, "Installation failed.");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(QFileInfo::exists(target + "/QMXLauncher.conf"));

    // The second attempt gets a worker of its own (the first one is deleted;
    // the leak check of the sanitizer build sees it otherwise).
    testsupport::writeFile(missing, content);
    QTest::mouseClick(page.install, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(script.done(), 1);
    for (const QString& name : install::launcherFileNames())
        EXPECT_TRUE(QFileInfo::exists(target + "/" + name)) << name.toStdString();
    EXPECT_TRUE(testsupport::waitForStandInStart(target).started);
}

TEST_F(InstallDialogTest, ASuccessfulInstallWritesTheSettingsAndStartsTheLauncher)
{
    const struct {
        const char* what;
        QByteArray existing; // empty: no file
        bool isFolder;       // a folder where the file belongs
        QJsonObject saved;
        QString logLine;
    } cases[] = {
        {"no settings yet", "", false, {}, "PostInstall: creating settings: "},
        {"settings of an earlier installation", "{\"update_url\": \"http://127.0.0.1:1/u.json\", \"eula_accepted\": 1}",
         false, {{"update_url", "http://127.0.0.1:1/u.json"}}, "PostInstall: patching existing settings: "},
        {"settings that do not parse", "{\"update_url\": ", false, {}, "PostInstall: creating settings: "},
        {"settings that cannot be written", "", true, {}, "PostInstall: failed to save settings: "},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString target = testsupport::rootDir() + QString("/Games %1/QMX_EN").arg(++n);
        const QString conf = target + "/QMXLauncher.conf";
        if (c.isFolder) {
            // An earlier installation, where a folder took the settings' name.
            for (const QString& name : install::launcherFileNames())
                testsupport::writeFile(target + "/" + name, "older");
            testsupport::writeStandInLauncher(target + "/QMXLauncher.exe");
            QDir().mkpath(conf);
        }
        else if (!c.existing.isEmpty())
            testsupport::writeFile(conf, c.existing);
        testsupport::clearLog();

        InstallDialog dialog(nullptr);
        dialog.setInstallPath(target);
        dialog.setRequiredSize(1024);
        dialog.show();
        Page page(&dialog);
        QTest::mouseClick(page.install, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);

        EXPECT_TRUE(testsupport::logContains(c.logLine + conf));
        if (!c.isFolder) {
            QJsonObject expected = c.saved;
            expected.insert("eula_accepted", 20171002);
            expected.insert("install_path", target);
            EXPECT_EQ(QJsonDocument::fromJson(testsupport::readFile(conf)).object(), expected);
        }
        const testsupport::StandInStart start = testsupport::waitForStandInStart(target);
        EXPECT_TRUE(start.started);
        EXPECT_EQ(start.program, target + "/QMXLauncher.exe");
        EXPECT_EQ(start.arguments, QStringList());
    }
}

TEST_F(InstallDialogTest, TheBoxesChooseTheShortcuts)
{
    const char* const startMenu = ".local/share/applications";
    const char* const quickLaunch = ".config/Microsoft/Internet Explorer/Quick Launch";
    const char* const desktop = "Desktop";
    const struct {
        bool desktop;
        bool startMenu;
    } cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "desktop " << c.desktop << ", start menu " << c.startMenu);
        for (const char* folder : {startMenu, quickLaunch, desktop})
            QFile::remove(link(folder));
        const QString target = testsupport::rootDir() + "/Games/QMX_EN";
        QDir(target).removeRecursively();

        InstallDialog dialog(nullptr);
        dialog.setInstallPath(target);
        dialog.setRequiredSize(1024);
        dialog.show();
        Page page(&dialog);
        page.desktop->setChecked(c.desktop);
        page.startMenu->setChecked(c.startMenu);
        QTest::mouseClick(page.install, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));

        EXPECT_EQ(QFileInfo::exists(link(desktop)), c.desktop);
        EXPECT_EQ(QFileInfo::exists(link(startMenu)), c.startMenu);
        EXPECT_FALSE(QFileInfo::exists(link(quickLaunch)));
        testsupport::waitForStandInStart(target);
    }
}

} // namespace
