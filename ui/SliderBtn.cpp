#include "SliderBtn.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

SliderBtn::SliderBtn(QWidget* parent)
    : QWidget(parent), m_textOn(QStringLiteral("Chinese")), m_textOff(QStringLiteral("英文"))
{
    setCursor(Qt::PointingHandCursor);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &SliderBtn::updateValue);
}

void SliderBtn::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event)
    Toggle();
}

void SliderBtn::Toggle()
{
    m_checked = !m_checked;
    emit statusChanged(m_checked);
    m_step = width() / 10;
    m_endX = m_checked ? width() - height() : 0;
    if (m_animation) {
        m_timer.start();
    } else {
        m_startX = m_endX;
        update();
    }
}

void SliderBtn::updateValue()
{
    if (m_checked) {
        m_startX += m_step;
        if (m_startX >= m_endX) {
            m_startX = m_endX;
            m_timer.stop();
        }
    } else {
        m_startX -= m_step;
        if (m_startX <= m_endX) {
            m_startX = m_endX;
            m_timer.stop();
        }
    }
    update();
}

void SliderBtn::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        DrawBackground(p);
        DrawKnob(p);
        DrawText(p);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, canvas);
}

void SliderBtn::DrawBackground(QPainter& painter) const
{
    QColor colour = m_checked ? m_bgColorOn : m_bgColorOff;
    if (!isEnabled()) {
        colour.setAlpha(150);
    }
    // A pill: a half circle at each end joined by a rectangle.
    const qreal radius = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
}

void SliderBtn::DrawKnob(QPainter& painter) const
{
    if (!m_showCircle) {
        return;
    }
    const int side = height() - 2 * m_space;
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_checked ? m_sliderColorOn : m_sliderColorOff);
    painter.drawEllipse(QRect(m_startX + m_space, m_space, side, side));
}

void SliderBtn::DrawText(QPainter& painter) const
{
    if (!m_showText) {
        return;
    }
    QFont font = painter.font();
    font.setPixelSize(qMax(8, height() * 9 / 20));
    painter.setFont(font);
    painter.setPen(m_textColor);
    // The text sits on the side the knob has left.
    const int side = height();
    const QRect free = m_checked ? QRect(0, 0, width() - side, height()) : QRect(side, 0, width() - side, height());
    painter.drawText(free, Qt::AlignCenter, m_checked ? m_textOn : m_textOff);
}

void SliderBtn::setSpace(int space) { m_space = space; update(); }
void SliderBtn::setRadius(int radius) { m_radius = radius; update(); }
void SliderBtn::setShowText(bool show) { m_showText = show; update(); }
void SliderBtn::setShowCircle(bool show) { m_showCircle = show; update(); }
void SliderBtn::setAnimation(bool ok) { m_animation = ok; update(); }
void SliderBtn::setBgColorOn(QColor color) { m_bgColorOn = color; update(); }
void SliderBtn::setBgColorOff(QColor color) { m_bgColorOff = color; update(); }
void SliderBtn::setSliderColorOn(QColor color) { m_sliderColorOn = color; update(); }
void SliderBtn::setSliderColorOff(QColor color) { m_sliderColorOff = color; update(); }
void SliderBtn::setTextColor(QColor color) { m_textColor = color; update(); }
void SliderBtn::setTextOn(QString text) { m_textOn = text; update(); }
void SliderBtn::setTextOff(QString text) { m_textOff = text; update(); }

void SliderBtn::setChecked(bool checked)
{
    if (checked == m_checked) {
        return;
    }
    Toggle();
}
