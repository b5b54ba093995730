#pragma once

#include <QPixmap>
#include <QWidget>

class QGraphicsColorizeEffect;
class QPropertyAnimation;

// The dimming overlay of a styled dialog: while a modal child blocks the
// dialog it covers it with a picture of the dialog taken at that moment,
// tinted towards dark grey by a colorize effect whose strength fades in and
// out over 250 ms.
class WidgetBlock : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double strength READ strength WRITE setStrength)
public:
    explicit WidgetBlock(QWidget* parent);

    void fadeIn();
    // Only while shown; the overlay hides itself once the tint is back at 0.
    void fadeOut();
    // Takes a new picture of the parent, for a dialog that changed what it
    // shows while the overlay may be up.
    void updateSnapshot();

    double strength() const;
    void setStrength(double strength);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void onAnimationFinished();

private:
    void animateTo(double end);

    QPixmap m_snapshot;
    double m_strength = 0.0;
    QGraphicsColorizeEffect* m_effect;
    QPropertyAnimation* m_animation;
};
