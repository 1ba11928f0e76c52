#include "LoadingWidget.h"

#include <QPainter>
#include <QTimerEvent>
#include <QtGlobal>

#include <algorithm>

namespace {

constexpr int kFrameIntervalMs = 20;

} // namespace

// The strip ":/img/logging-in.png" is compiled into this library; a static
// library's resources must be registered by hand before the first use. (Outside
// any namespace: the registration function is a global symbol.)
static void RegisterDisplayResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(display_images);
        return true;
    }();
    Q_UNUSED(registered);
}

LoadingWidget::LoadingWidget(QString imagePath, int frameCount, QWidget* parent)
    : QWidget(parent)
    , frameCount(frameCount)
{
    RegisterDisplayResources();
    const QPixmap strip(imagePath);
    if (strip.isNull()) {
        qWarning("%d LoadingWidget::LoadingWidget cannot load %s", __LINE__, qPrintable(imagePath));
    }
    const int side = strip.height();
    setFixedSize(side, side);
    QList<QPixmap> cut;
    if (side > 0) {
        const int count = strip.width() / side;
        for (int i = 0; i < count; ++i) {
            cut.append(strip.copy(i * side, 0, side, side));
        }
    }
    frames = cut;
    setAcceptDrops(true);
}

void LoadingWidget::Start()
{
    current = 0;
    if (timerId != 0) {
        killTimer(timerId);
    }
    timerId = startTimer(kFrameIntervalMs, Qt::CoarseTimer);
    update();
}

int LoadingWidget::WrapCount() const
{
    return std::min(frameCount, static_cast<int>(frames.size()));
}

void LoadingWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QWidget::timerEvent(event);
        return;
    }
    update();
    current += 1;
    if (current >= WrapCount()) {
        current = 0;
    }
}

void LoadingWidget::paintEvent(QPaintEvent* /*event*/)
{
    if (current < 0 || current >= frames.size()) {
        return;
    }
    QPixmap offscreen(size());
    offscreen.fill(Qt::transparent);
    {
        QPainter offscreenPainter(&offscreen);
        const QPixmap& shown = frames.at(current);
        offscreenPainter.drawPixmap(0, 0, shown.width(), shown.height(), shown);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, offscreen);
}

void LoadingWidget::dragEnterEvent(QDragEnterEvent* /*event*/)
{
    qDebug("LoadingWidget::dragEnterEvent");
}
