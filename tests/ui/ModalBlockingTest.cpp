// Runs on a real X server: window modality and activation come from there.

#include "tests/support/ModalSteps.h"
#include "tests/ui/UiTest.h"
#include "ui/WidgetBlock.h"

#include <QLabel>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::pressKey;

using ModalBlockingTest = UiTest;

TEST_F(ModalBlockingTest, ModalChildDimsTheDialogUntilItCloses)
{
    ProbeDialog dialog;
    new QLabel(QStringLiteral("content"), &dialog);
    dialog.resize(500, 400);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    WidgetBlock* overlay = dialog.overlay();

    bool dimmed = false;
    ModalSteps script({
        [&](QWidget* box) {
            dimmed = QTest::qWaitFor([&] { return overlay->isVisible() && overlay->strength() == 1.0; }, 3000);
            answerBox(QMessageBox::Ok)(box);
        },
    });
    QMessageBox::information(&dialog, QStringLiteral("Quillmere 4"), QStringLiteral("Blocking"));
    EXPECT_EQ(script.done(), 1);
    EXPECT_TRUE(dimmed);
    EXPECT_EQ(overlay->geometry(), dialog.contentsRect());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 3000));
    EXPECT_EQ(overlay->strength(), 0.0);
}

// The EULA dialog over the main window: with real activation the keyboard
// focus lands inside the dialog, and Enter still means ACCEPT.
TEST_F(ModalBlockingTest, EulaOverItsParentTakesEnterAsAccept)
{
    ProbeDialog parent;
    parent.resize(1184, 720);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    bool parentDimmed = false;
    ModalSteps script({
        [&](QWidget* dialog) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            parentDimmed = QTest::qWaitFor([&] { return parent.overlay()->strength() == 1.0; }, 3000);
            pressKey(Qt::Key_Return)(dialog);
        },
    });
    EXPECT_TRUE(showEulaAcceptDialog(&parent));
    EXPECT_EQ(script.done(), 1);
    EXPECT_TRUE(parentDimmed);
}

} // namespace
