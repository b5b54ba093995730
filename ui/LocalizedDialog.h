#pragma once

#include <QDialog>

// A dialog that sets its texts in retranslateUi and sets them again whenever
// the interface language changes.
class LocalizedDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Sets every user-visible text from the translation context TR.
    virtual void retranslateUi() = 0;

protected:
    void changeEvent(QEvent* event) override;
};
