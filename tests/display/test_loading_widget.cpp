// The loading animation: the strip shipped in the resources, cutting, the
// 20 ms timer, wrapping at the frame count and at a shorter strip.

#include "LoadingWidget.h"

#include <QAbstractEventDispatcher>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kShippedFrames = 49;
constexpr int kShippedSide = 78;

// A strip of frames of one solid colour each, so the frame on screen can be
// told from its pixels.
QString WriteStrip(const QTemporaryDir& dir, int frameCount, int side)
{
    QImage strip(frameCount * side, side, QImage::Format_ARGB32);
    QPainter painter(&strip);
    for (int frame = 0; frame < frameCount; ++frame) {
        painter.fillRect(frame * side, 0, side, side, QColor(frame * 20 % 256, 100, 255 - frame * 20 % 256));
    }
    painter.end();
    const QString path = dir.filePath(QStringLiteral("strip.png"));
    strip.save(path);
    return path;
}

QRgb ColourOfFrame(int frame)
{
    return qRgb(frame * 20 % 256, 100, 255 - frame * 20 % 256);
}

// Delivers one tick of the widget's running animation timer.
void Tick(LoadingWidget& widget)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&widget);
    QVERIFY(timers.size() == 1);
    QTimerEvent tick(timers.first().timerId);
    QCoreApplication::sendEvent(&widget, &tick);
}

QRgb ShownColour(LoadingWidget& widget)
{
    return widget.grab().toImage().pixel(widget.width() / 2, widget.height() / 2);
}

} // namespace

class TestLoadingWidget : public QObject
{
    Q_OBJECT

private slots:
    void shippedStripIsCutInto49Frames();
    void shippedFramesDifferFromEachOther();
    void startRunsA20msTimer();
    void wrapsAtTheFrameCount();
    void wrapsAtAShorterStrip();
    void startGoesBackToFrameZero();
    void missingImageDrawsNothing();
    void advancesOnItsOwn();
};

void TestLoadingWidget::shippedStripIsCutInto49Frames()
{
    LoadingWidget widget(QStringLiteral(":/img/logging-in.png"), 47);
    const QImage strip(QStringLiteral(":/img/logging-in.png"));
    QCOMPARE(strip.size(), QSize(3822, 78));
    QCOMPARE(widget.StripFrameCount(), kShippedFrames);
    QCOMPARE(widget.size(), QSize(kShippedSide, kShippedSide));
    QVERIFY(widget.acceptDrops());
}

void TestLoadingWidget::shippedFramesDifferFromEachOther()
{
    // A spinner: every frame shows something, and no two frames are equal.
    const QImage strip(QStringLiteral(":/img/logging-in.png"));
    QList<QImage> frames;
    for (int frame = 0; frame < kShippedFrames; ++frame) {
        frames.append(strip.copy(frame * kShippedSide, 0, kShippedSide, kShippedSide));
    }
    for (int frame = 0; frame < kShippedFrames; ++frame) {
        int opaque = 0;
        for (int y = 0; y < kShippedSide; ++y) {
            for (int x = 0; x < kShippedSide; ++x) {
                opaque += qAlpha(frames[frame].pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        QVERIFY2(opaque > 50, qPrintable(QString::number(frame)));
        QVERIFY(frames[frame] != frames[(frame + 1) % kShippedFrames]);
    }
}

void TestLoadingWidget::startRunsA20msTimer()
{
    LoadingWidget widget(QStringLiteral(":/img/logging-in.png"), 47);
    QVERIFY(QAbstractEventDispatcher::instance()->registeredTimers(&widget).isEmpty());
    widget.Start();
    widget.Start();
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&widget);
    QCOMPARE(timers.size(), 1);
    QCOMPARE(timers.first().interval, 20);
}

void TestLoadingWidget::wrapsAtTheFrameCount()
{
    QTemporaryDir dir;
    LoadingWidget widget(WriteStrip(dir, 10, 16), 7);
    widget.Start();
    QCOMPARE(ShownColour(widget), ColourOfFrame(0));
    for (int frame = 1; frame < 7; ++frame) {
        Tick(widget);
        QCOMPARE(widget.CurrentFrame(), frame);
        QCOMPARE(ShownColour(widget), ColourOfFrame(frame));
    }
    // Frames 7..9 are never shown.
    Tick(widget);
    QCOMPARE(widget.CurrentFrame(), 0);
    QCOMPARE(ShownColour(widget), ColourOfFrame(0));
}

void TestLoadingWidget::wrapsAtAShorterStrip()
{
    // The shipped count of 47 with a strip of only 5 frames.
    QTemporaryDir dir;
    LoadingWidget widget(WriteStrip(dir, 5, 16), 47);
    QCOMPARE(widget.StripFrameCount(), 5);
    widget.Start();
    for (int tick = 1; tick <= 12; ++tick) {
        Tick(widget);
        QCOMPARE(widget.CurrentFrame(), tick % 5);
        QCOMPARE(ShownColour(widget), ColourOfFrame(tick % 5));
    }
}

void TestLoadingWidget::startGoesBackToFrameZero()
{
    QTemporaryDir dir;
    LoadingWidget widget(WriteStrip(dir, 6, 16), 6);
    widget.Start();
    Tick(widget);
    Tick(widget);
    QCOMPARE(widget.CurrentFrame(), 2);
    widget.Start();
    QCOMPARE(widget.CurrentFrame(), 0);
    QCOMPARE(ShownColour(widget), ColourOfFrame(0));
    Tick(widget);
    QCOMPARE(widget.CurrentFrame(), 1);
}

void TestLoadingWidget::missingImageDrawsNothing()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot load"));
    LoadingWidget widget(QStringLiteral(":/img/no-such-strip.png"), 47);
    QCOMPARE(widget.StripFrameCount(), 0);
    widget.Start();
    Tick(widget);
    Tick(widget);
    QCOMPARE(widget.CurrentFrame(), 0);
    widget.grab();
}

void TestLoadingWidget::advancesOnItsOwn()
{
    QTemporaryDir dir;
    LoadingWidget widget(WriteStrip(dir, 4, 16), 4);
    widget.show();
    widget.Start();
    QSet<int> seen;
    QTRY_VERIFY((seen.insert(widget.CurrentFrame()), seen.size() == 4));
}

QTEST_MAIN(TestLoadingWidget)
#include "test_loading_widget.moc"
