#include "ui/Buttons.h"

void keepEnterForTheWindowAction(QAbstractButton* button)
{
    button->setFocusPolicy(Qt::TabFocus);
    if (auto push = qobject_cast<QPushButton*>(button))
        push->setAutoDefault(false);
}
