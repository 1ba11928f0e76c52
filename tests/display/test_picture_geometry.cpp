// Placement of the plain picture without GL: display size from the sample
// aspect and the turn, the aspect-kept and stretched rectangles, the texture
// corners that stand a turned or mirrored picture upright, and the mapping of
// picture pixels to view pixels that outlines use.

#include "PictureGeometry.h"
#include "Yuv420Layout.h"

#include <QtTest>

namespace
{

PictureFormat Turned(int degrees, bool mirrored = false)
{
    PictureFormat format;
    format.rotationCwDeg = degrees;
    format.mirrored = mirrored;
    return format;
}

PictureFormat Anamorphic(int num, int den)
{
    PictureFormat format;
    format.sarNum = num;
    format.sarDen = den;
    return format;
}

// The stored-picture texture coordinate shown at an upright corner: 0
// bottom-left, 1 top-left, 2 top-right, 3 bottom-right.
QPointF Corner(const std::array<float, 8>& coords, int corner)
{
    return QPointF(coords[static_cast<size_t>(corner) * 2],
                   coords[static_cast<size_t>(corner) * 2 + 1]);
}

} // namespace

class TestPictureGeometry : public QObject
{
    Q_OBJECT

private slots:
    void displaySizeFollowsSampleAspectAndTurn_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<PictureFormat>("format");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("square") << 1920 << 1080 << PictureFormat() << QSize(1920, 1080);
        QTest::newRow("PAL 16:15 shows 4:3") << 720 << 576 << Anamorphic(16, 15) << QSize(768, 576);
        QTest::newRow("PAL 64:45 shows 16:9")
            << 720 << 576 << Anamorphic(64, 45) << QSize(1024, 576);
        QTest::newRow("NTSC 8:9 narrows") << 720 << 480 << Anamorphic(8, 9) << QSize(640, 480);
        QTest::newRow("phone turned 90") << 1920 << 1080 << Turned(90) << QSize(1080, 1920);
        QTest::newRow("turned 270") << 640 << 360 << Turned(270) << QSize(360, 640);
        QTest::newRow("turned 180 keeps the size") << 640 << 360 << Turned(180) << QSize(640, 360);
        QTest::newRow("unknown ratio 0:1 is square")
            << 640 << 360 << Anamorphic(0, 1) << QSize(640, 360);
        QTest::newRow("absurd ratio is square")
            << 640 << 360 << Anamorphic(1000, 1) << QSize(640, 360);
        QTest::newRow("quarter turns beyond a circle")
            << 640 << 360 << Turned(-90) << QSize(360, 640);
        QTest::newRow("empty picture") << 0 << 360 << PictureFormat() << QSize();
    }

    void displaySizeFollowsSampleAspectAndTurn()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(PictureFormat, format);
        QFETCH(QSize, expected);
        QCOMPARE(PictureGeometry(width, height, format).DisplaySize(), expected);
    }

    void viewportKeepsOrStretches()
    {
        const PictureGeometry hd(1920, 1080, PictureFormat());
        // Truncated like the GL viewport: 218.75 and 562.5.
        QCOMPARE(hd.Viewport(QSize(1000, 1000), AspectMode::Keep), QRect(0, 218, 1000, 562));
        QCOMPARE(hd.Viewport(QSize(1000, 1000), AspectMode::Stretch), QRect(0, 0, 1000, 1000));
        // An anamorphic PAL picture is 4:3 on screen: pillar-boxed in 16:9.
        const PictureGeometry pal(720, 576, Anamorphic(16, 15));
        QCOMPARE(pal.Viewport(QSize(1280, 720), AspectMode::Keep), QRect(160, 0, 960, 720));
        // A portrait phone clip stands upright in a landscape window.
        const PictureGeometry phone(1920, 1080, Turned(90));
        const QRect upright = phone.Viewport(QSize(1280, 720), AspectMode::Keep);
        QCOMPARE(upright.height(), 720);
        QCOMPARE(upright.width(), 405);
        QCOMPARE(upright.center().x(), 640 - 1);
        // An empty view or picture fills what there is.
        QCOMPARE(PictureGeometry(0, 0, PictureFormat()).Viewport(QSize(300, 200), AspectMode::Keep),
                 QRect(0, 0, 300, 200));
    }

    void textureCornersStandThePictureUpright()
    {
        // Unturned: the stored top-left (0, 0) shows at the top-left corner.
        const auto plain = PictureGeometry(4, 2, PictureFormat()).QuadTexCoords();
        QCOMPARE(Corner(plain, 1), QPointF(0, 0));
        QCOMPARE(Corner(plain, 3), QPointF(1, 1));
        // A clockwise quarter turn: the stored bottom-left comes to the top-left,
        // the stored top-left to the top-right.
        const auto cw = PictureGeometry(4, 2, Turned(90)).QuadTexCoords();
        QCOMPARE(Corner(cw, 1), QPointF(0, 1));
        QCOMPARE(Corner(cw, 2), QPointF(0, 0));
        // Counter-clockwise: the stored top-right comes to the top-left.
        const auto ccw = PictureGeometry(4, 2, Turned(270)).QuadTexCoords();
        QCOMPARE(Corner(ccw, 1), QPointF(1, 0));
        const auto half = PictureGeometry(4, 2, Turned(180)).QuadTexCoords();
        QCOMPARE(Corner(half, 1), QPointF(1, 1));
        // A mirror alone swaps left and right.
        const auto mirror = PictureGeometry(4, 2, Turned(0, true)).QuadTexCoords();
        QCOMPARE(Corner(mirror, 1), QPointF(1, 0));
        // Mirrored, then turned clockwise: the stored bottom-right at the top-left.
        const auto both = PictureGeometry(4, 2, Turned(90, true)).QuadTexCoords();
        QCOMPARE(Corner(both, 1), QPointF(1, 1));
    }

    void planesOfOddSizedPictures()
    {
        // 101 x 51 as FFmpeg packs it: chroma 51 x 26, V after U.
        const Yuv420Layout packed = Yuv420Layout::Of(101, 51, 5151 + 2 * 51 * 26);
        QCOMPARE(packed.chromaWidth, 51);
        QCOMPARE(packed.chromaHeight, 26);
        QCOMPARE(packed.uOffset, qint64(5151));
        QCOMPARE(packed.vOffset, qint64(5151 + 51 * 26));
        // An array only as long as the rounded-down planes: 50 x 25, V at 6438.
        const Yuv420Layout legacy = Yuv420Layout::Of(101, 51, 7726);
        QCOMPARE(legacy.chromaWidth, 50);
        QCOMPARE(legacy.vOffset, qint64(6438));
        // Even sizes agree either way.
        const Yuv420Layout even = Yuv420Layout::Of(64, 32, 64 * 32 * 3 / 2);
        QCOMPARE(even.chromaWidth, 32);
        QCOMPARE(even.vOffset, qint64(64 * 32 * 5 / 4));
    }

    void picturePointsLandWhereTheyAreDrawn()
    {
        const QRectF view(100, 50, 200, 400);
        // The stored top-left pixel of a picture turned clockwise is drawn at
        // the top-right of its rectangle; its centre stays the centre.
        const PictureGeometry cw(400, 200, Turned(90));
        QCOMPARE(cw.PictureToView(QPointF(0, 0), view), QPointF(300, 50));
        QCOMPARE(cw.PictureToView(QPointF(200, 100), view), QPointF(200, 250));
        QCOMPARE(cw.PictureToView(QPointF(400, 200), view), QPointF(100, 450));
        // Unturned, the mapping is a plain scale into the rectangle.
        const PictureGeometry plain(400, 200, PictureFormat());
        QCOMPARE(plain.PictureToView(QPointF(100, 100), view), QPointF(150, 250));
        // Every corner maps into the rectangle, whichever the turn and mirror.
        for (int degrees : {0, 90, 180, 270}) {
            for (bool mirrored : {false, true}) {
                const PictureGeometry g(400, 200, Turned(degrees, mirrored));
                for (const QPointF corner :
                     {QPointF(0, 0), QPointF(400, 0), QPointF(0, 200), QPointF(400, 200)}) {
                    const QPointF at = g.PictureToView(corner, view);
                    QVERIFY2(view.adjusted(-0.01, -0.01, 0.01, 0.01).contains(at),
                             qPrintable(QStringLiteral("%1 %2").arg(degrees).arg(mirrored)));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureGeometry)
#include "test_picture_geometry.moc"
