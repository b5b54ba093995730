#pragma once

#include "ui/LocalizedDialog.h"

#include <QPoint>

class SystemButton;
class WidgetBlock;

// The base of every launcher window: a frameless dialog with its own close and
// fold buttons in the top right corner, moved by dragging anywhere on it, that
// may ask before it closes and dims itself while a modal child blocks it.
// Subclasses set the window flags (Qt::Dialog | Qt::FramelessWindowHint) and
// their fixed size.
class StyledDialog : public LocalizedDialog
{
    Q_OBJECT
public:
    explicit StyledDialog(QWidget* parent = nullptr);

    void retranslateUi() override;

public slots:
    // Every close other than accept() and done() comes here: the close button,
    // Escape and the window's close request.
    void reject() override;
    void minimize();

protected:
    // Whether closing must be confirmed; may put the question into text
    // (empty means the general "ExitWarning").
    virtual bool needsExitConfirmation(QString& text);
    // The close itself, once confirmed.
    virtual void closeDialog();

    SystemButton* closeButton() const { return m_closeButton; }
    SystemButton* foldButton() const { return m_foldButton; }
    WidgetBlock* overlay() const { return m_overlay; }

    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SystemButton* m_closeButton;
    SystemButton* m_foldButton;
    WidgetBlock* m_overlay;
    QPoint m_pressPosition;
    bool m_dragging = false;
};
