#pragma once

#include <QString>

class QLabel;
class QWidget;

// The frame of the launcher's wizard pages: a side picture on the left and,
// right of it, the page's body above its button bar, laid out on the dialog
// without margins or spacing. The style sheet draws them by their object
// names: the picture's, "wizard_body" and "wizard_buttons".
struct WizardFrame
{
    QLabel* side;
    QWidget* body;
    QWidget* buttons;
};

WizardFrame buildWizardFrame(QWidget* dialog, const QString& sideObjectName);
