#include "PaintArea.h"

#include <QBitmap>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPixmap>

namespace {

const QColor kBlack(0, 0, 0, 255);
const QColor kYellow(255, 255, 0, 255);
const QColor kGreen(0, 255, 0, 255);
const QColor kBlue(0, 0, 255, 255);
const QColor kRed(255, 0, 0, 255);
const QColor kDebugBoxFill(0, 0, 0, 68);
constexpr int kThickPenWidth = 2;
constexpr int kCrossHalfArm = 4;
constexpr int kDebugFontPixelSize = 12;
constexpr int kDebugFontWeight = 50;
constexpr int kDebugMargin = 2;

QPen SolidPen(const QColor& colour, int width = 1)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

PaintArea::PaintArea(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PaintArea::SetMask(bool enable)
{
    maskOn = enable;
    ++m_generation;
    update();
}

void PaintArea::SetShowCircle(bool enable)
{
    showCircle = enable;
    ++m_generation;
    update();
}

void PaintArea::SetAssistLine(bool enable)
{
    assistLine = enable;
    ++m_generation;
    update();
}

void PaintArea::SetCircleRect(const QRect& rect)
{
    circleRect = rect;
    ++m_generation;
    update();
}

void PaintArea::SetImageRect(const QRect& rect)
{
    imageRect = rect;
    ++m_generation;
    update();
}

void PaintArea::SetDebug(bool enable, const QString& text)
{
    debugOn = enable;
    debugText = text;
    ++m_generation;
    update();
}

void PaintArea::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (maskOn) {
        PaintMask(painter);
    } else if (showCircle) {
        PaintCircleOutline(painter);
    }
    if (debugOn) {
        PaintDebugBox(painter);
    }
}

void PaintArea::PaintMask(QPainter& painter)
{
    const int w = width();
    const int h = height();
    QPixmap black(w, h);
    black.fill(kBlack);
    // One-bit mask: set (color1) keeps the black, clear (color0) lets the
    // picture through inside the circle.
    QBitmap mask(w, h);
    mask.fill(Qt::color1);
    {
        QPainter maskPainter(&mask);
        maskPainter.setPen(QPen(Qt::color0));
        maskPainter.setBrush(QBrush(Qt::color0));
        if (!circleRect.isNull()) {
            maskPainter.drawEllipse(circleRect);
        }
    }
    black.setMask(mask);
    painter.drawPixmap(0, 0, black);

    if (!assistLine) {
        return;
    }
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(SolidPen(kBlack, kThickPenWidth));
    painter.drawEllipse(circleRect);
    painter.setPen(SolidPen(kYellow));
    painter.drawEllipse(circleRect);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(SolidPen(kGreen));
    painter.drawRect(circleRect);
    painter.setPen(SolidPen(kBlue));
    painter.drawRect(imageRect);
}

void PaintArea::PaintCircleOutline(QPainter& painter)
{
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(SolidPen(kBlack, kThickPenWidth));
    painter.drawEllipse(circleRect);
    painter.setPen(SolidPen(kYellow));
    painter.drawEllipse(circleRect);
    if (!assistLine) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int w = width();
    const int h = height();
    painter.setPen(SolidPen(kRed));
    painter.drawLine(w / 2, 0, w / 2, h);
    painter.drawLine(0, h / 2, w, h / 2);
    const int cx = circleRect.left() + circleRect.width() / 2;
    const int cy = circleRect.top() + circleRect.height() / 2;
    painter.setPen(SolidPen(kYellow));
    painter.drawLine(cx - kCrossHalfArm, cy - kCrossHalfArm, cx + kCrossHalfArm, cy + kCrossHalfArm);
    painter.drawLine(cx - kCrossHalfArm, cy + kCrossHalfArm, cx + kCrossHalfArm, cy - kCrossHalfArm);
    painter.setPen(SolidPen(kGreen));
    painter.drawRect(circleRect);
}

void PaintArea::PaintDebugBox(QPainter& painter)
{
    QFont font = painter.font();
    font.setPixelSize(kDebugFontPixelSize);
    font.setWeight(kDebugFontWeight);
    painter.setFont(font);
    const QRect textBounds = painter.fontMetrics().boundingRect(QRect(), Qt::AlignLeft, debugText);
    const int tw = textBounds.width();
    const int th = textBounds.height();

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(kDebugBoxFill));
    painter.drawRect(0, 0, tw + 2 * kDebugMargin, th + 2 * kDebugMargin);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(SolidPen(Qt::white));
    painter.drawText(QRect(kDebugMargin, kDebugMargin, tw, th), Qt::AlignLeft, debugText);
}
