// Runs on a real X server: what Enter presses once the mouse has been used.
// A click, the window it opens answered, the dialog active again as the
// desktop gives it back; then Enter, which is always the window's own action.

#include "tests/support/ModalSteps.h"
#include "tests/support/Printers.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/UiTest.h"
#include "ui/Buttons.h"
#include "ui/InstallDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QTextEdit>

#include <limits>

namespace {

using testsupport::ModalSteps;

const QString kPicker = "the picker";
const QString kOutOfSpace = "Not enough disk space. Select a different installation path.";

// Notes the window (the picker by that name, a box by its text) and closes
// it: the picker cancelled, a box answered with its escape or only button.
ModalSteps::Step noteAndClose(QStringList* seen)
{
    return [seen](QWidget* window) {
        if (auto box = qobject_cast<QMessageBox*>(window)) {
            *seen << box->text();
            QAbstractButton* answer = box->button(QMessageBox::No);
            (answer ? answer : box->button(QMessageBox::Ok))->click();
        } else {
            *seen << (qobject_cast<QFileDialog*>(window) ? kPicker : QString(window->metaObject()->className()));
            qobject_cast<QDialog*>(window)->reject();
        }
    };
}

void activate(QWidget* window)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

// Enter from the keyboard: it goes to the widget that has the focus.
void pressEnter(QWidget* window)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window, Qt::Key_Return);
}

using EnterAfterAClickTest = UiTest;

// INSTALL, which here reports the lack of room instead of installing.
TEST_F(EnterAfterAClickTest, EnterInstallsWhateverWasClickedBefore)
{
    const struct {
        const char* what;
        std::function<QWidget*(QWidget*)> clicked;
        QStringList seen; // what the click opened, then what Enter opened
    } cases[] = {
        {"Select..., the picker cancelled",
         [](QWidget* dialog) { return dialog->findChild<QPushButton*>("path_btn"); },
         {kPicker, kOutOfSpace}},
        // A check box keeps the focus a click gives it, Space ticks it; Enter is not its key.
        {"a check box", [](QWidget* dialog) { return dialog->findChild<QCheckBox*>(); }, {kOutOfSpace}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(testsupport::rootDir() + "/Games/QMX_EN");
        dialog.setRequiredSize(std::numeric_limits<qint64>::max());
        dialog.show();
        activate(&dialog);
        QStringList seen;
        ModalSteps script({noteAndClose(&seen), noteAndClose(&seen), noteAndClose(&seen)});

        QWidget* target = c.clicked(&dialog);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton);
        activate(&dialog);
        pressEnter(&dialog);
        EXPECT_EQ(seen, c.seen);
        EXPECT_TRUE(dialog.isVisible());
    }
}

TEST_F(EnterAfterAClickTest, EnterAcceptsTheLicenceWhateverWasClickedBefore)
{
    for (const char* clicked : {"REJECT", "the licence text"}) {
        SCOPED_TRACE(clicked);
        const bool reject = QString(clicked) == "REJECT";
        QStringList seen;
        const ModalSteps::Step click = [&](QWidget* dialog) {
            activate(dialog);
            // The buttons are ACCEPT and REJECT, in that order.
            QWidget* target = reject ? static_cast<QWidget*>(dialog->findChildren<BaseButton*>().value(1))
                                     : dialog->findChild<QTextEdit*>()->viewport();
            ASSERT_NE(target, nullptr);
            QTest::mouseClick(target, Qt::LeftButton);
        };
        const ModalSteps::Step enter = [](QWidget* dialog) {
            activate(dialog);
            pressEnter(dialog);
        };
        // REJECT asks, the question is answered No, and the licence is on
        // top again.
        std::vector<ModalSteps::Step> steps{click, noteAndClose(&seen), enter, noteAndClose(&seen)};
        if (!reject)
            steps = {[&](QWidget* dialog) {
                         click(dialog);
                         enter(dialog);
                     },
                     noteAndClose(&seen)};
        ModalSteps script(steps);
        EXPECT_TRUE(showEulaAcceptDialog(nullptr));
        EXPECT_EQ(seen, reject ? QStringList{"Program will exit. Do you want to continue?"} : QStringList());
    }
}

// The target usually does not exist yet; the picker opens where the nearest
// part of it does.
TEST_F(EnterAfterAClickTest, ThePickerStartsAtTheTargetOrTheNearestFolderAboveIt)
{
    const QString games = testsupport::rootDir() + "/Games";
    QDir().mkpath(games + "/QMX_EN");
    testsupport::writeFile(games + "/notes.txt", "a file");
    const struct {
        const char* what;
        QString target;
        QString start;
    } cases[] = {
        {"an existing folder", games + "/QMX_EN", games + "/QMX_EN"},
        {"two levels still to be made", games + "/New/QMX_EN", games},
        {"a file in the way: the home folder", games + "/notes.txt/QMX_EN", testsupport::homeDir()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallDialog dialog(nullptr);
        dialog.setInstallPath(c.target);
        dialog.show();
        QString startedIn;
        ModalSteps script({
            [&](QWidget* window) {
                auto picker = qobject_cast<QFileDialog*>(window);
                ASSERT_NE(picker, nullptr);
                startedIn = picker->directory().absolutePath();
                picker->reject();
            },
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>("path_btn"), Qt::LeftButton);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(startedIn, c.start);
    }
}

} // namespace
