#include "ScreenshotSucHint.h"

#include "PictureOverlay.h"

#include <QPainter>
#include <QTimerEvent>

ScreenshotSucHint::ScreenshotSucHint(int kind, const QImage& image, const QStringList& texts, QWidget* parent)
    : QWidget(parent), m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    // Shown over the picture.
    PictureOverlay::Lift(this);
    if (m_kind == kSmallKind) {
        setFixedSize(60, 18);
        m_text = texts.value(0);
    } else {
        setFixedSize(148, 112);
        m_text = texts.value(1);
        m_thumbnail = QPixmap::fromImage(image.scaled(128, 72, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    hide();
    m_timerId = startTimer(1000, Qt::CoarseTimer);
}

void ScreenshotSucHint::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId) {
        return;
    }
    killTimer(m_timerId);
    m_timerId = 0;
    close();
}

void ScreenshotSucHint::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(0, 0, 0, 0xaf));
        QFont font(QStringLiteral("微软雅黑"));
        font.setPixelSize(12);
        font.setWeight(QFont::Normal);
        p.setFont(font);
        p.setPen(QColor(QStringLiteral("#ffffff")));
        if (m_kind == kSmallKind) {
            p.drawText(QRect(4, 0, width() - 4, height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
        } else {
            p.drawPixmap(10, 10, m_thumbnail);
            p.drawText(QRect(11, 90, width() - 11, height() - 90), Qt::AlignTop | Qt::AlignLeft, m_text);
        }
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(0, 0, canvas);
}
