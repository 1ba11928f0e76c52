// The overlay rendered into images: mask, circle outline, guide lines, debug box.

#include "PaintArea.h"
#include "YuvPicture.h"

#include <QImage>
#include <QtTest>

namespace {

const QRgb kOpaqueBlack = qRgba(0, 0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);

QImage Render(PaintArea& area)
{
    QImage image(area.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    area.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

bool IsTransparent(QRgb pixel)
{
    return qAlpha(pixel) == 0;
}

} // namespace

class TestPaintArea : public QObject
{
    Q_OBJECT

private slots:
    void maskWithNullCircleIsAllBlack();
    void maskLeavesTheCircleOpen();
    void maskWithGuidesOutlinesCircleAndPicture();
    void circleWithGuideLines();
    void maskWinsOverTheOutline();
    void debugBoxSitsTopLeft();
};

void TestPaintArea::maskWithNullCircleIsAllBlack()
{
    PaintArea area;
    area.resize(320, 240);
    area.SetMask(true);
    const QImage image = Render(area);
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kOpaqueBlack, 0), 0);
    for (int y = 0; y < image.height(); y += 17) {
        QCOMPARE(qAlpha(image.pixel(y % image.width(), y)), 255);
    }
}

void TestPaintArea::maskLeavesTheCircleOpen()
{
    PaintArea area;
    area.resize(400, 300);
    area.SetMask(true);
    area.SetCircleRect(QRect(QPoint(50, 0), QPoint(349, 299)));
    const QImage image = Render(area);
    QVERIFY(IsTransparent(image.pixel(200, 150)));
    QVERIFY(IsTransparent(image.pixel(60, 150)));
    QCOMPARE(image.pixel(10, 150), kOpaqueBlack);
    QCOMPARE(image.pixel(55, 5), kOpaqueBlack);
    QCOMPARE(image.pixel(395, 295), kOpaqueBlack);
}

void TestPaintArea::maskWithGuidesOutlinesCircleAndPicture()
{
    PaintArea area;
    area.resize(400, 300);
    area.SetMask(true);
    area.SetAssistLine(true);
    area.SetCircleRect(QRect(QPoint(50, 0), QPoint(349, 299)));
    area.SetImageRect(QRect(QPoint(10, 20), QPoint(389, 279)));
    const QImage image = Render(area);
    // The circle's square in green, the picture's rectangle in blue.
    QCOMPARE(image.pixel(50, 60), kGreen);
    QCOMPARE(image.pixel(10, 100), kBlue);
    QCOMPARE(image.pixel(100, 20), kBlue);
    // The yellow outline crosses the circle's leftmost point.
    bool yellowNearEdge = false;
    for (int x = 48; x <= 56; ++x) {
        yellowNearEdge = yellowNearEdge || YuvPicture::IsYellowish(image.pixel(x, 150));
    }
    QVERIFY(yellowNearEdge);
    QVERIFY(IsTransparent(image.pixel(200, 150)));
}

void TestPaintArea::circleWithGuideLines()
{
    PaintArea area;
    area.resize(640, 480);
    area.SetShowCircle(true);
    area.SetAssistLine(true);
    area.SetCircleRect(QRect(QPoint(100, 50), QPoint(299, 249)));
    const QImage image = Render(area);
    QCOMPARE(image.pixel(320, 10), kRed);
    QCOMPARE(image.pixel(320, 470), kRed);
    QCOMPARE(image.pixel(600, 240), kRed);
    QCOMPARE(image.pixel(10, 240), kRed);
    QVERIFY(IsTransparent(image.pixel(321, 10)));
    QVERIFY(IsTransparent(image.pixel(600, 241)));
    // The cross at the circle's centre, with arms four pixels long.
    QCOMPARE(image.pixel(200, 150), kYellow);
    QCOMPARE(image.pixel(196, 146), kYellow);
    QCOMPARE(image.pixel(204, 146), kYellow);
    QVERIFY(IsTransparent(image.pixel(200, 146)));
    // The circle's square in green where the circle does not touch it.
    QCOMPARE(image.pixel(100, 60), kGreen);
    QCOMPARE(image.pixel(150, 50), kGreen);
    // Without guide lines only the outline remains.
    area.SetAssistLine(false);
    const QImage plain = Render(area);
    QVERIFY(IsTransparent(plain.pixel(320, 10)));
    QVERIFY(IsTransparent(plain.pixel(200, 150)));
    QVERIFY(IsTransparent(plain.pixel(100, 60)));
    QVERIFY(YuvPicture::IsYellowish(plain.pixel(200, 49)) || YuvPicture::IsYellowish(plain.pixel(200, 50)));
}

void TestPaintArea::maskWinsOverTheOutline()
{
    PaintArea area;
    area.resize(200, 200);
    area.SetShowCircle(true);
    area.SetMask(true);
    area.SetCircleRect(QRect(QPoint(0, 0), QPoint(199, 199)));
    const QImage image = Render(area);
    // No yellow outline anywhere along the middle row: only mask and open circle.
    for (int x = 0; x < 200; ++x) {
        QVERIFY(qRed(image.pixel(x, 100)) < 128);
    }
    QCOMPARE(image.pixel(1, 1), kOpaqueBlack);
    QVERIFY(IsTransparent(image.pixel(100, 100)));
}

void TestPaintArea::debugBoxSitsTopLeft()
{
    PaintArea area;
    area.resize(300, 200);
    area.SetDebug(true, QStringLiteral("fps 25 / 1920x1080"));
    const QImage image = Render(area);
    // Translucent black box at the top left, white text inside it.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 68);
    QVERIFY(IsTransparent(image.pixel(299, 199)));
    int whiteish = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 150; ++x) {
            const QRgb pixel = image.pixel(x, y);
            whiteish += (qAlpha(pixel) > 200 && qRed(pixel) > 200) ? 1 : 0;
        }
    }
    QVERIFY(whiteish > 20);
    // Drawn over the mask as well.
    area.SetMask(true);
    const QImage masked = Render(area);
    QCOMPARE(masked.pixel(299, 199), kOpaqueBlack);
    area.SetDebug(false, QString());
    QCOMPARE(Render(area).pixel(0, 0), kOpaqueBlack);
}

QTEST_MAIN(TestPaintArea)
#include "test_paint_area.moc"
