#include "ui/WizardFrame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

WizardFrame buildWizardFrame(QWidget* dialog, const QString& sideObjectName)
{
    auto outer = new QHBoxLayout(dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    WizardFrame frame;
    frame.body = new QWidget(dialog);
    frame.body->setObjectName(QStringLiteral("wizard_body"));
    frame.buttons = new QWidget(dialog);
    frame.buttons->setObjectName(QStringLiteral("wizard_buttons"));
    auto column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(frame.body, 1);
    column->addWidget(frame.buttons, 0);

    frame.side = new QLabel(dialog);
    frame.side->setObjectName(sideObjectName);
    outer->addWidget(frame.side, 0);
    outer->addLayout(column, 1);
    return frame;
}
