#include "VolumeWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {
constexpr int kGrooveX = 14;
constexpr int kGrooveWidth = 4;
constexpr int kPressLeft = 12;
constexpr int kPressRight = 20;
constexpr int kPressTop = 6;
constexpr int kPressBottom = 74;
constexpr int kHandlePx = 8;
}

VolumeWidget::VolumeWidget(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidthPx, kHeightPx);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

void VolumeWidget::ShowVolume(int volume)
{
    m_volume = std::clamp(volume, 0, 100);
    m_lastEmitted = m_volume;
    update();
}

int VolumeWidget::VolumeAt(int y)
{
    return 100 + (kGrooveTopPx - y) * 100 / kGrooveHeightPx;
}

void VolumeWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->pos();
    if (p.x() < kPressLeft || p.x() > kPressRight || p.y() < kPressTop || p.y() > kPressBottom) {
        return;
    }
    m_volume = std::clamp(VolumeAt(p.y()), 0, 100);
    if (p.y() >= kGrooveTopPx) {
        emit sigVolumeChange(m_volume);
        // A drag compares with what was last sent, so a drag from here to
        // the bottom still reaches 0.
        m_lastEmitted = m_volume;
        update();
    }
    m_dragging = true;
    m_lastY = p.y();
}

void VolumeWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        return;
    }
    const int y = event->pos().y();
    m_deltaY = y - m_lastY;
    m_lastY = y;
    const int v = VolumeAt(y);
    int volume = v;
    if (v < 0) {
        volume = 0;
    } else if (y < kGrooveTopPx) {
        volume = 100;
    }
    if (volume != m_lastEmitted) {
        m_volume = volume;
        emit sigVolumeChange(volume);
        update(QRect(0, 0, width(), height()));
        m_lastEmitted = volume;
    }
}

void VolumeWidget::mouseReleaseEvent(QMouseEvent* event)
{
    Q_UNUSED(event)
    m_dragging = false;
}

void VolumeWidget::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 0xb2));
        p.drawRoundedRect(rect(), m_radiusPx, m_radiusPx);
        p.setBrush(QColor(QStringLiteral("#666666")));
        p.drawRect(kGrooveX, kGrooveTopPx, kGrooveWidth, kGrooveHeightPx);
        const int fill = m_volume * kGrooveHeightPx / 100;
        const int bottom = kGrooveTopPx + kGrooveHeightPx;
        p.setBrush(QColor(QStringLiteral("#4C84FF")));
        p.drawRect(kGrooveX, bottom - fill, kGrooveWidth, fill);
        p.setBrush(QColor(QStringLiteral("#ffffff")));
        p.drawEllipse(QRect(12, 66 - fill, kHandlePx, kHandlePx));
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(0, 0, canvas);
}

void VolumeWidget::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit sigHide();
}
