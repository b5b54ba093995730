#include "tests/support/ModalSteps.h"
#include "tests/ui/UiTest.h"
#include "ui/Buttons.h"
#include "ui/WidgetBlock.h"

#include <QGraphicsColorizeEffect>
#include <QLabel>
#include <QMouseEvent>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::SeenBox;

using StyledDialogTest = UiTest;

enum class Way { CloseButton, Escape, SystemClose };

void closeBy(ProbeDialog& dialog, Way way)
{
    switch (way) {
    case Way::CloseButton:
        QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        break;
    case Way::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    case Way::SystemClose:
        dialog.close();
        break;
    }
}

TEST_F(StyledDialogTest, ClosingAsksWhenTheDialogSaysSo)
{
    const struct {
        bool confirm;
        QString question;
        QMessageBox::StandardButton answer; // NoButton: no box expected
        QString expectedText;
        bool closed;
    } cases[] = {
        {false, {}, QMessageBox::NoButton, {}, true},
        {true, {}, QMessageBox::Yes, "Program will exit. Do you want to continue?", true},
        {true, "Stop the download?", QMessageBox::Yes, "Stop the download?", true},
        {true, {}, QMessageBox::No, "Program will exit. Do you want to continue?", false},
        {true, "Stop the download?", QMessageBox::No, "Stop the download?", false},
    };
    for (const auto& c : cases) {
        for (Way way : {Way::CloseButton, Way::Escape, Way::SystemClose}) {
            SCOPED_TRACE(testing::Message() << "question \"" << c.question.toStdString() << "\", answer " << c.answer
                                            << ", way " << int(way));
            ProbeDialog dialog;
            dialog.confirm = c.confirm;
            dialog.question = c.question;
            dialog.resize(400, 300);
            dialog.show();

            SeenBox seen;
            std::vector<ModalSteps::Step> steps;
            if (c.answer != QMessageBox::NoButton)
                steps.push_back(answerBox(c.answer, &seen));
            ModalSteps script(steps);
            closeBy(dialog, way);

            EXPECT_EQ(script.done(), int(steps.size()));
            EXPECT_EQ(dialog.isVisible(), !c.closed);
            EXPECT_EQ(dialog.closes, c.closed ? 1 : 0);
            if (c.answer != QMessageBox::NoButton) {
                EXPECT_EQ(seen.title, "Quillmere 4");
                EXPECT_EQ(seen.text, c.expectedText);
                EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
                EXPECT_EQ(seen.defaultButton, QMessageBox::No);
            }
            if (c.closed) {
                EXPECT_EQ(dialog.result(), QDialog::Rejected);
            }
        }
    }
}

// Types keys as the keyboard does: to the focus widget of the active window.
void typeKeys(QWidget& window, const QList<Qt::Key>& keys)
{
    for (Qt::Key key : keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, key);
    }
}

TEST_F(StyledDialogTest, KeysNeverPressTheWindowControls)
{
    const struct {
        const char* what;
        QList<Qt::Key> keys;
    } cases[] = {
        {"Return", {Qt::Key_Return}},
        {"Enter", {Qt::Key_Enter}},
        {"Space", {Qt::Key_Space}},
        {"Tab, Space", {Qt::Key_Tab, Qt::Key_Space}},
        {"Tab, Tab, Return", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}},
        {"Backtab, Space", {Qt::Key_Backtab, Qt::Key_Space}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeDialog dialog;
        dialog.resize(400, 300);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

        typeKeys(dialog, c.keys);
        settle();
        EXPECT_EQ(dialog.closes, 0);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.isMinimized());
        for (SystemButton* button : {dialog.closeButton(), dialog.foldButton()}) {
            EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
            EXPECT_FALSE(button->hasFocus()) << button->objectName().toStdString();
        }
    }
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

TEST_F(StyledDialogTest, DragsWithTheLeftButtonOnly)
{
    ProbeDialog dialog;
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    settle();
    const QPoint start = dialog.pos();

    sendMouse(dialog, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton, Qt::RightButton);
    sendMouse(dialog, QEvent::MouseMove, {50, 40}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(dialog.pos(), start);
    sendMouse(dialog, QEvent::MouseButtonRelease, {50, 40}, Qt::RightButton, Qt::NoButton);

    // The grabbed point stays under the cursor: each move is reported in the
    // coordinates of the window where it already stands.
    sendMouse(dialog, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(dialog, QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
    sendMouse(dialog, QEvent::MouseMove, {15, 5}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + QPoint(35, 15));
    sendMouse(dialog, QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);

    sendMouse(dialog, QEvent::MouseMove, {60, 60}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(dialog.pos(), start + QPoint(35, 15));
}

TEST_F(StyledDialogTest, CloseAndFoldStayInTheTopRightCorner)
{
    ProbeDialog dialog;
    auto content = new QLabel(QStringLiteral("content"), &dialog); // created after the buttons
    content->setGeometry(0, 0, 700, 100);
    dialog.show();
    for (int width : {500, 640, 300}) {
        dialog.resize(width, 300);
        settle();
        const QRect close = dialog.closeButton()->geometry();
        const QRect fold = dialog.foldButton()->geometry();
        EXPECT_EQ(close.size(), QSize(18, 18));
        EXPECT_EQ(close.right() + 1, width - 12) << width;
        EXPECT_EQ(close.top(), 12);
        EXPECT_EQ(fold.right() + 1, close.left() - 12) << width;
        EXPECT_EQ(fold.top(), 12);
        // Both above every other child, the fold button topmost.
        const QList<QWidget*> children = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_GE(children.size(), 2);
        EXPECT_EQ(children[children.size() - 2], dialog.closeButton());
        EXPECT_EQ(children.last(), dialog.foldButton());
    }

    QTest::mouseClick(dialog.foldButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isMinimized());
}

TEST_F(StyledDialogTest, OverlayFadesInWhileBlockedAndHidesAtZero)
{
    ProbeDialog dialog;
    dialog.resize(400, 300);
    new QLabel(QStringLiteral("content"), &dialog);
    dialog.show();
    settle();
    WidgetBlock* overlay = dialog.overlay();
    auto effect = qobject_cast<QGraphicsColorizeEffect*>(overlay->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->color(), QColor(25, 25, 25));
    EXPECT_EQ(overlay->strength(), 0.0);

    QEvent unblocked(QEvent::WindowUnblocked);
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&dialog, &blocked);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).last(), overlay);
    EXPECT_EQ(overlay->geometry(), dialog.contentsRect());
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlay->strength() == 1.0; }, 2000));
    EXPECT_EQ(effect->strength(), 1.0);
    QTest::qWait(50);
    EXPECT_TRUE(overlay->isVisible()); // stays up at full strength

    QApplication::sendEvent(&dialog, &unblocked);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 2000));
    EXPECT_EQ(overlay->strength(), 0.0);

    // Unblocking while it is hidden changes nothing.
    QApplication::sendEvent(&dialog, &unblocked);
    QTest::qWait(300);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(overlay->strength(), 0.0);

    // Unblocked half-way through the fade-in: it turns back and still hides.
    QApplication::sendEvent(&dialog, &blocked);
    QTest::qWait(100);
    QApplication::sendEvent(&dialog, &unblocked);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 2000));
    EXPECT_EQ(overlay->strength(), 0.0);
}

} // namespace
