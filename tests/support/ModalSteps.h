#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

namespace testsupport {

// Plays a script against the modal windows that the code under test opens
// (dialogs run by exec(), message boxes). Each step runs once, on the next
// window that becomes the active modal widget: a new one, or one that is on top
// again after the window a step handled has closed. Works inside any nested
// event loop. A modal window left without a step for the time limit is
// reported as a failure and closed, so a test never hangs in exec().
class ModalSteps : public QObject
{
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalSteps(std::vector<Step> steps, int idleLimitMs = 10000);

    // How many steps have run.
    int done() const { return m_next; }

private:
    void poll();

    std::vector<Step> m_steps;
    int m_next = 0;
    int m_idleLimitMs;
    QPointer<QWidget> m_handled;
    QElapsedTimer m_idle;
    QTimer m_timer;
};

// What a message box showed.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Records the message box into *seen (when given) and presses button.
ModalSteps::Step answerBox(QMessageBox::StandardButton button, SeenBox* seen = nullptr);

// Sends a key press and release to the window's focus widget (the window
// itself when nothing has the focus), as the keyboard would.
ModalSteps::Step pressKey(Qt::Key key);

} // namespace testsupport
