#include "core/TR.h"
#include "tests/support/ModalSteps.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/UiTest.h"
#include "ui/Buttons.h"

#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QScrollBar>
#include <QTextEdit>

namespace {

using testsupport::answerBox;
using testsupport::ModalSteps;
using testsupport::pressKey;
using testsupport::SeenBox;

using EulaDialogTest = UiTest;

QString englishEula()
{
    QFile file(QStringLiteral(":/eula/en"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

QTextEdit* eulaText(QWidget* dialog)
{
    return dialog->findChild<QTextEdit*>(QStringLiteral("eula"));
}

QStringList buttonTexts(QWidget* dialog)
{
    QStringList texts;
    for (BaseButton* button : dialog->findChildren<BaseButton*>())
        texts << button->text();
    return texts;
}

BaseButton* button(QWidget* dialog, const QString& text)
{
    for (BaseButton* button : dialog->findChildren<BaseButton*>()) {
        if (button->text() == text)
            return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

SystemButton* closeButton(QWidget* dialog)
{
    return dialog->findChild<SystemButton*>(QStringLiteral("close"));
}

TEST_F(EulaDialogTest, AcceptModeAcceptsWithEnterAndSpace)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        QWidget* seen = nullptr;
        ModalSteps script({
            [&](QWidget* dialog) {
                seen = dialog;
                EXPECT_STREQ(dialog->metaObject()->className(), "EulaDialog");
                EXPECT_EQ(dialog->windowTitle(), "License agreement");
                EXPECT_EQ(dialog->size(), QSize(848, 636));
                EXPECT_FALSE(dialog->findChild<SystemButton*>(QStringLiteral("fold"))->isVisible());
                EXPECT_EQ(buttonTexts(dialog), QStringList({"ACCEPT", "REJECT"}));
                EXPECT_TRUE(button(dialog, "ACCEPT")->isDefault());
                EXPECT_FALSE(closeButton(dialog)->isDefault());
                EXPECT_TRUE(eulaText(dialog)->isReadOnly());
                EXPECT_EQ(eulaText(dialog)->toPlainText().trimmed(), englishEula().trimmed());
                pressKey(key)(dialog);
            },
        });
        EXPECT_TRUE(showEulaAcceptDialog(nullptr));
        EXPECT_EQ(script.done(), 1);
        EXPECT_NE(seen, nullptr);
    }
}

TEST_F(EulaDialogTest, AcceptModeAsksBeforeEveryOtherWayOut)
{
    const struct {
        const char* name;
        std::function<void(QWidget*)> leave;
    } ways[] = {
        {"REJECT", [](QWidget* dialog) { button(dialog, "REJECT")->click(); }},
        {"Escape", pressKey(Qt::Key_Escape)},
        {"close button", [](QWidget* dialog) { QTest::mouseClick(closeButton(dialog), Qt::LeftButton); }},
        {"system close", [](QWidget* dialog) { dialog->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        SeenBox first;
        SeenBox second;
        int scrolled = -1;
        ModalSteps script({
            [&](QWidget* dialog) {
                QScrollBar* bar = eulaText(dialog)->verticalScrollBar();
                bar->setValue(bar->maximum() / 2);
                scrolled = bar->value();
                way.leave(dialog);
            },
            answerBox(QMessageBox::No, &first),
            // Still open, the text where it was; leave again and confirm.
            [&](QWidget* dialog) {
                EXPECT_TRUE(dialog->isVisible());
                EXPECT_EQ(eulaText(dialog)->verticalScrollBar()->value(), scrolled);
                way.leave(dialog);
            },
            answerBox(QMessageBox::Yes, &second),
        });
        EXPECT_FALSE(showEulaAcceptDialog(nullptr));
        EXPECT_EQ(script.done(), 4);
        EXPECT_GT(scrolled, 0);
        EXPECT_EQ(first.title, "Quillmere 4");
        EXPECT_EQ(first.text, "Program will exit. Do you want to continue?");
        EXPECT_EQ(first.defaultButton, QMessageBox::No);
        EXPECT_EQ(second.text, first.text);
    }
}

TEST_F(EulaDialogTest, ViewModeClosesWithoutAQuestion)
{
    const struct {
        const char* name;
        std::function<void(QWidget*)> leave;
    } ways[] = {
        {"OK", [](QWidget* dialog) { button(dialog, "OK")->click(); }},
        {"Enter", pressKey(Qt::Key_Return)},
        {"Escape", pressKey(Qt::Key_Escape)},
        {"close button", [](QWidget* dialog) { QTest::mouseClick(closeButton(dialog), Qt::LeftButton); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ModalSteps script({
            [&](QWidget* dialog) {
                EXPECT_EQ(buttonTexts(dialog), QStringList({"OK"}));
                way.leave(dialog);
            },
        });
        showEulaViewDialog(nullptr);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(EulaDialogTest, TextIsTheEnglishOneInEveryLanguage)
{
    const QString english = englishEula().trimmed();
    for (const char* code : {"en_US", "zh_CN", "de", "ru", "nl"}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(setLanguage(QString::fromLatin1(code)));
        QString title;
        QString text;
        ModalSteps script({
            [&](QWidget* dialog) {
                title = dialog->findChild<QLabel*>(QStringLiteral("wizard_title"))->text();
                text = eulaText(dialog)->toPlainText().trimmed();
                pressKey(Qt::Key_Escape)(dialog);
            },
        });
        showEulaViewDialog(nullptr);
        EXPECT_EQ(text, english);
        EXPECT_EQ(title, TR::tr("LicDlgTitle"));
    }
}

TEST_F(EulaDialogTest, LanguageChangeWhileOpenKeepsItsTexts)
{
    ModalSteps script({
        [&](QWidget* dialog) {
            ASSERT_TRUE(setLanguage(QStringLiteral("zh_CN")));
            settle();
            EXPECT_EQ(dialog->windowTitle(), "License agreement");
            EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("wizard_title"))->text(), "License agreement");
            EXPECT_EQ(buttonTexts(dialog), QStringList({"ACCEPT", "REJECT"}));
            pressKey(Qt::Key_Return)(dialog);
        },
    });
    EXPECT_TRUE(showEulaAcceptDialog(nullptr));
    EXPECT_EQ(script.done(), 1);
}

TEST_F(EulaDialogTest, UnreadableTextIsReportedAndCountsAsRejected)
{
    setEulaPathForTests(testsupport::appDir() + QStringLiteral("/no-such-eula"));
    for (bool acceptMode : {true, false}) {
        SCOPED_TRACE(acceptMode);
        SeenBox seen;
        ModalSteps script({answerBox(QMessageBox::Ok, &seen)});
        if (acceptMode)
            EXPECT_FALSE(showEulaAcceptDialog(nullptr));
        else
            showEulaViewDialog(nullptr);
        EXPECT_EQ(script.done(), 1);
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.title, "Quillmere 4");
        EXPECT_EQ(seen.text, "Failed to load EULA file.");
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    }
}

} // namespace
