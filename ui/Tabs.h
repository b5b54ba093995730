#pragma once

#include <QWidget>

class QAction;
class QActionGroup;
class QHBoxLayout;

// A row of tab buttons, one per action, left to right. The actions form an
// exclusive group, so checking one unchecks the others; what a tab does is up
// to whoever owns its action.
class Tabs : public QWidget
{
    Q_OBJECT
public:
    explicit Tabs(QWidget* parent = nullptr);

    void addTab(QAction* action);

private:
    QActionGroup* m_group;
    QHBoxLayout* m_layout;
};
