#pragma once

#include <QPushButton>

// Push buttons that differ only by class name, so that the style sheet can
// give each kind its own look with a type selector.

// The text buttons of dialogs (ACCEPT, REJECT, OK, INSTALL).
class BaseButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// The main window's PLAY button.
class StyledButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// The close and fold buttons of the frameless dialogs.
class SystemButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// The header's picture buttons: the links and the settings button.
class SocialButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// For every button of a window but its own action (PLAY, INSTALL, the
// licence's ACCEPT): a click leaves the keyboard focus where it was and the
// button never becomes the default, so Enter goes on pressing the window's
// action. Tab still reaches the button, and Space presses it then.
void keepEnterForTheWindowAction(QAbstractButton* button);
