#include "RecordHint.h"

#include "PictureOverlay.h"

#include <QPainter>
#include <QPixmap>

RecordHint::RecordHint(QWidget* parent)
    : QWidget(parent), m_text(QStringLiteral("00:00"))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    // Shown over the picture.
    PictureOverlay::Lift(this);
    setMaximumSize(kMaxWidthPx, kMaxHeightPx);
    resize(kMaxWidthPx, kMaxHeightPx);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &RecordHint::onTimerTimeout);
    m_timer.start();
}

void RecordHint::onTimerTimeout()
{
    ++m_seconds;
    if (m_seconds == 60) {
        m_seconds = 0;
        ++m_minutes;
    }
    if (m_minutes == 100) {
        m_minutes = 0;
        m_seconds = 0;
        m_wrapped = true;
    }
    m_text = QString::asprintf("%02d:%02d", m_minutes, m_seconds);
    update();
}

void RecordHint::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(rect(), 11, 11);
        p.setBrush(QColor(QStringLiteral("#FF3B3B")));
        p.drawRoundedRect(QRect(5, 11, 5, 5), 2, 2);
        QFont font = p.font();
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(13, 0, width() - 13, height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(0, 0, canvas);
}
