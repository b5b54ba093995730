#include "ui/LocalizedDialog.h"

#include <QEvent>

void LocalizedDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}
