#include "tests/support/ModalSteps.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

void closeModal(QWidget* modal)
{
    if (auto dialog = qobject_cast<QDialog*>(modal))
        dialog->done(QDialog::Rejected);
    else
        modal->close();
}

} // namespace

ModalSteps::ModalSteps(std::vector<Step> steps, int idleLimitMs)
    : m_steps(std::move(steps))
    , m_idleLimitMs(idleLimitMs)
{
    m_idle.start();
    connect(&m_timer, &QTimer::timeout, this, &ModalSteps::poll);
    m_timer.start(10);
}

void ModalSteps::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        m_idle.restart();
        return;
    }
    if (modal != m_handled && m_next < int(m_steps.size())) {
        m_handled = modal;
        m_idle.restart();
        const Step step = m_steps[m_next++];
        // Run from a fresh event: a step may open a nested modal loop, and this
        // timer must stay free to serve it.
        QPointer<QWidget> target = modal;
        QTimer::singleShot(0, this, [step, target] {
            if (target)
                step(target);
        });
        return;
    }
    if (m_idle.elapsed() > m_idleLimitMs) {
        ADD_FAILURE() << "modal window left open: " << modal->metaObject()->className() << " \""
                      << modal->windowTitle().toStdString() << "\"";
        m_idle.restart();
        closeModal(modal);
    }
}

ModalSteps::Step answerBox(QMessageBox::StandardButton button, SeenBox* seen)
{
    return [button, seen](QWidget* window) {
        auto box = qobject_cast<QMessageBox*>(window);
        if (!box) {
            ADD_FAILURE() << "expected a message box, got " << window->metaObject()->className();
            closeModal(window);
            return;
        }
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->buttons = box->standardButtons();
            seen->defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        }
        QAbstractButton* target = box->button(button);
        if (!target) {
            ADD_FAILURE() << "the message box has no such button: " << button;
            closeModal(box);
            return;
        }
        target->click();
    };
}

ModalSteps::Step pressKey(Qt::Key key)
{
    return [key](QWidget* window) {
        QWidget* focus = window->focusWidget();
        QTest::keyClick(focus ? focus : window, key);
    };
}

} // namespace testsupport
