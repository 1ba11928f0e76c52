#include "PlaySliderBar.h"

#include <QDebug>
#include <QMouseEvent>

#include <algorithm>

PlaySliderBar::PlaySliderBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

int PlaySliderBar::ValueAt(const QPoint& pos) const
{
    const bool horizontal = orientation() == Qt::Horizontal;
    const int extent = horizontal ? width() : height();
    const int handle = m_handleLengthPx > 0 ? m_handleLengthPx : (horizontal ? height() : width()) / 2;
    const int span = extent - handle;
    if (span <= 0) {
        return minimum();
    }
    const int along = horizontal ? pos.x() : pos.y();
    const int g = std::clamp(along - handle / 2, 0, span);
    const double share = horizontal ? double(g) / span : 1.0 - double(g) / span;
    return minimum() + static_cast<int>(share * (maximum() - minimum()));
}

void PlaySliderBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        setSliderDown(true);
    }
}

void PlaySliderBar::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        return;
    }
    m_dragged = true;
    const int value = ValueAt(event->pos());
    if (value != sliderPosition()) {
        setSliderPosition(value);
        emit sliderMoved(value);
    }
}

void PlaySliderBar::mouseReleaseEvent(QMouseEvent* event)
{
    setSliderDown(false);
    if (m_dragged) {
        m_dragged = false;
        QSlider::mouseReleaseEvent(event);
        return;
    }
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        return;
    }
    const int value = ValueAt(event->pos());
    if (value != sliderPosition()) {
        setSliderPosition(value);
        emit sliderMoved(value);
    }
    emit sigSentCurrentTime(value);
    qDebug() << __LINE__ << "PlaySliderBar::mouseReleaseEvent" << value;
}
