#pragma once

#include "core/Localization.h"
#include "ui/EulaDialog.h"
#include "ui/LauncherHeader.h"
#include "ui/Look.h"
#include "ui/StyledDialog.h"

#include <QApplication>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

// Widget tests run with the product's look and in English unless they choose
// another language.
class UiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loadFonts();
        loadStyleSheet();
        ASSERT_TRUE(setLanguage(QStringLiteral("en_US")));
    }

    void TearDown() override
    {
        setEulaPathForTests(QString());
        LauncherHeader::setSystemLanguageForTests(QString());
    }

    // Lets posted events (LanguageChange, deferred deletes, layouts) arrive.
    static void settle()
    {
        QTest::qWait(20);
    }
};

// A styled dialog whose closing rules a test sets, and that counts what the
// base asks of it.
class ProbeDialog : public StyledDialog
{
public:
    explicit ProbeDialog(QWidget* parent = nullptr)
        : StyledDialog(parent)
    {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    }

    void retranslateUi() override
    {
        ++retranslations;
        if (onRetranslate)
            onRetranslate();
    }

    using StyledDialog::closeButton;
    using StyledDialog::foldButton;
    using StyledDialog::overlay;

    bool confirm = false;
    QString question;
    int closes = 0;
    int retranslations = 0;
    std::function<void()> onRetranslate;

protected:
    bool needsExitConfirmation(QString& text) override
    {
        if (!question.isEmpty())
            text = question;
        return confirm;
    }

    void closeDialog() override
    {
        ++closes;
        StyledDialog::closeDialog();
    }
};
