#pragma once

#include "ui/StyledDialog.h"

// The end-user licence agreement in a styled dialog. In accept mode the user
// must ACCEPT to go on, and every other way out asks first; in view mode it
// only shows the text again.
class EulaDialog : public StyledDialog
{
    Q_OBJECT
public:
    EulaDialog(QWidget* parent, const QString& text, bool acceptMode);

    // The texts are set once, at construction.
    void retranslateUi() override;

protected:
    bool needsExitConfirmation(QString& text) override;

private:
    const bool m_acceptMode;
};

// Shows the English EULA modally for acceptance; true only when accepted.
// A text that cannot be read is reported in a box and counts as rejected.
bool showEulaAcceptDialog(QWidget* parent);
// Shows the English EULA modally for reading.
void showEulaViewDialog(QWidget* parent);

// Tests only: read the EULA from here instead of the resources. An empty path
// restores the product's behaviour.
void setEulaPathForTests(const QString& path);
