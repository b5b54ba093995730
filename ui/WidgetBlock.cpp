#include "ui/WidgetBlock.h"

#include <QGraphicsColorizeEffect>
#include <QPainter>
#include <QPropertyAnimation>

namespace {

const int kFadeMs = 250;

} // namespace

WidgetBlock::WidgetBlock(QWidget* parent)
    : QWidget(parent)
    , m_effect(new QGraphicsColorizeEffect(this))
    , m_animation(new QPropertyAnimation(this, "strength", this))
{
    m_effect->setColor(QColor(25, 25, 25, 255));
    m_effect->setStrength(m_strength);
    setGraphicsEffect(m_effect);
    m_animation->setEasingCurve(QEasingCurve::Linear);
    connect(m_animation, &QPropertyAnimation::finished, this, &WidgetBlock::onAnimationFinished);
}

void WidgetBlock::fadeIn()
{
    // A second block while still fading out must not photograph the overlay
    // itself, or the tint would be applied twice.
    updateSnapshot();
    setGeometry(parentWidget()->contentsRect());
    animateTo(1.0);
    show();
}

void WidgetBlock::fadeOut()
{
    if (isVisible())
        animateTo(0.0);
}

void WidgetBlock::updateSnapshot()
{
    const bool wasVisible = isVisible();
    if (wasVisible)
        hide();
    m_snapshot = parentWidget()->grab(QRect(QPoint(0, 0), QSize(-1, -1)));
    if (wasVisible)
        show();
}

double WidgetBlock::strength() const
{
    return m_strength;
}

void WidgetBlock::setStrength(double strength)
{
    m_strength = strength;
    m_effect->setStrength(strength);
    update();
}

void WidgetBlock::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_snapshot);
    painter.end();
    QWidget::paintEvent(event);
}

void WidgetBlock::onAnimationFinished()
{
    if (m_strength == 0.0)
        hide();
}

void WidgetBlock::animateTo(double end)
{
    // Restart from wherever the tint stands, for the full duration.
    m_animation->stop();
    m_animation->setStartValue(m_strength);
    m_animation->setEndValue(end);
    m_animation->setDuration(kFadeMs);
    m_animation->start();
}
