#include "ui/StyledDialog.h"

#include "core/TR.h"
#include "ui/Buttons.h"
#include "ui/WidgetBlock.h"

#include <QMessageBox>
#include <QMouseEvent>

namespace {

const int kCornerMargin = 12;

} // namespace

StyledDialog::StyledDialog(QWidget* parent)
    : LocalizedDialog(parent)
    , m_closeButton(new SystemButton(this))
    , m_foldButton(new SystemButton(this))
    , m_overlay(new WidgetBlock(this))
{
    m_closeButton->setObjectName(QStringLiteral("close"));
    connect(m_closeButton, &QPushButton::clicked, this, &StyledDialog::reject);
    m_foldButton->setObjectName(QStringLiteral("fold"));
    connect(m_foldButton, &QPushButton::clicked, this, &StyledDialog::minimize);
    // The window's own controls answer the mouse only, as a title bar's do.
    // Created first, they would otherwise be the first buttons of every
    // window: the ones that have the focus and that Enter presses.
    for (SystemButton* button : {m_closeButton, m_foldButton}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
}

void StyledDialog::retranslateUi()
{
}

void StyledDialog::reject()
{
    QString text;
    if (!needsExitConfirmation(text)) {
        closeDialog();
        return;
    }
    if (text.isEmpty())
        text = TR::tr("ExitWarning");
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, TR::tr("ProductName"), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        closeDialog();
}

void StyledDialog::minimize()
{
    showMinimized();
}

bool StyledDialog::needsExitConfirmation(QString&)
{
    return false;
}

void StyledDialog::closeDialog()
{
    QDialog::reject();
}

bool StyledDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowBlocked) {
        m_overlay->raise();
        m_overlay->fadeIn();
    } else if (event->type() == QEvent::WindowUnblocked) {
        m_overlay->fadeOut();
    }
    return LocalizedDialog::event(event);
}

// The mouse handlers do not pass the events on: a press that no child takes
// starts a drag of the whole window.
void StyledDialog::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->pos();
    m_dragging = event->button() == Qt::LeftButton;
}

void StyledDialog::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

void StyledDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(pos() + event->pos() - m_pressPosition);
}

void StyledDialog::resizeEvent(QResizeEvent* event)
{
    LocalizedDialog::resizeEvent(event);
    m_closeButton->move(width() - m_closeButton->width() - kCornerMargin, kCornerMargin);
    m_foldButton->move(m_closeButton->x() - m_foldButton->width() - kCornerMargin, kCornerMargin);
    m_closeButton->raise();
    m_foldButton->raise();
}
