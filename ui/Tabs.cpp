#include "ui/Tabs.h"

#include "ui/Buttons.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QToolButton>

Tabs::Tabs(QWidget* parent)
    : QWidget(parent)
    , m_group(new QActionGroup(this))
    , m_layout(new QHBoxLayout(this))
{
    m_group->setExclusive(true);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(25);
}

void Tabs::addTab(QAction* action)
{
    m_group->addAction(action);
    auto button = new QToolButton(this);
    button->setObjectName(QStringLiteral("tabbtn"));
    button->setDefaultAction(action);
    button->setCheckable(true);
    button->setCursor(Qt::PointingHandCursor);
    keepEnterForTheWindowAction(button);
    m_layout->addWidget(button, 0);
}
