// Circle detection on synthetic fisheye pictures (whole, cut by the picture's
// top and bottom edges, noisy, touching all four sides) and on ordinary
// pictures, which must give no circle.
#include "FisheyeCircleDetector.h"
#include "FisheyePicture.h"

#include <QTest>

#include <cmath>
#include <random>

namespace
{

constexpr double kTolerance = 0.01; // of the radius

// Adds gaussian noise of the given deviation to the luma plane, lifting the
// black border to video-range black first.
void AddNoise(QByteArray& picture, int width, int height, double sigma, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    auto* luma = reinterpret_cast<uchar*>(picture.data());
    for (int i = 0; i < width * height; ++i) {
        const double base = luma[i] == 0 ? 16.0 : luma[i];
        luma[i] = static_cast<uchar>(std::clamp(std::lround(base + noise(random)), 0L, 255L));
    }
}

QByteArray Blank(int width, int height, uchar luma)
{
    QByteArray picture(width * height * 3 / 2, char(128));
    std::fill(picture.begin(), picture.begin() + width * height, char(luma));
    return picture;
}

// Eight vertical colour bars of falling luma (as a test pattern has).
QByteArray ColourBars(int width, int height)
{
    QByteArray picture = Blank(width, height, 0);
    const uchar levels[8] = {235, 210, 170, 145, 106, 81, 41, 16};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture[y * width + x] = char(levels[x * 8 / width]);
        }
    }
    return picture;
}

// A lit shape on black: inside(x, y) says which pixels are lit.
template <typename Inside> QByteArray Shape(int width, int height, Inside inside)
{
    QByteArray picture = Blank(width, height, 16);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (inside(x + 0.5, y + 0.5)) {
                picture[y * width + x] = char(150);
            }
        }
    }
    return picture;
}

} // namespace

class FisheyeCircleDetectorTest : public QObject
{
    Q_OBJECT

private:
    static void Verify(const std::optional<FisheyeCircle>& found, double x, double y, double r)
    {
        QVERIFY(found.has_value());
        const QString text = QStringLiteral("found (%1, %2) r %3, truth (%4, %5) r %6")
                                 .arg(found->centreX)
                                 .arg(found->centreY)
                                 .arg(found->radius)
                                 .arg(x)
                                 .arg(y)
                                 .arg(r);
        QVERIFY2(std::fabs(found->centreX - x) <= kTolerance * r, qPrintable(text));
        QVERIFY2(std::fabs(found->centreY - y) <= kTolerance * r, qPrintable(text));
        QVERIFY2(std::fabs(found->radius - r) <= kTolerance * r, qPrintable(text));
    }

private slots:
    void findsFisheyeCircles_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("noise");
        QTest::addColumn<bool>("cut");
        QTest::newRow("full, centred") << 640 << 480 << 320.0 << 240.0 << 220.0 << 0.0 << false;
        QTest::newRow("full, off centre") << 800 << 600 << 350.0 << 280.0 << 190.5 << 0.0 << false;
        QTest::newRow("full, touching all sides")
            << 720 << 720 << 360.0 << 360.0 << 360.0 << 0.0 << false;
        QTest::newRow("cut top and bottom")
            << 1280 << 720 << 640.0 << 360.0 << 480.0 << 0.0 << true;
        QTest::newRow("cut, centre above middle")
            << 1280 << 720 << 600.0 << 330.0 << 420.0 << 0.0 << true;
        QTest::newRow("full, noisy") << 640 << 480 << 330.0 << 236.0 << 200.0 << 12.0 << false;
        QTest::newRow("cut, noisy") << 1280 << 720 << 640.0 << 360.0 << 500.0 << 12.0 << true;
    }

    void findsFisheyeCircles()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, r);
        QFETCH(double, noise);
        QFETCH(bool, cut);
        QByteArray picture = FisheyePicture::Make(width, height, x, y, r);
        if (noise > 0.0) {
            AddNoise(picture, width, height, noise, 7);
        }
        const std::optional<FisheyeCircle> found =
            FisheyeCircleDetector::Detect(picture, width, height);
        Verify(found, x, y, r);
        QCOMPARE(found->IsCut(height), cut);
        QCOMPARE(found->Shape(height), cut ? kPanoModeWall : kPanoModeCeiling);
    }

    void darkSceneAtTheRimIsLeftOut()
    {
        // A sixth of the circle's rim shows a scene as dark as the border.
        const int width = 800;
        const int height = 600;
        QByteArray picture = FisheyePicture::Make(width, height, 400, 300, 280);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const double angle = std::atan2(y + 0.5 - 300, x + 0.5 - 400);
                if (std::hypot(x + 0.5 - 400, y + 0.5 - 300) > 200 && angle > 0.3 && angle < 1.35) {
                    picture[y * width + x] = char(0);
                }
            }
        }
        Verify(FisheyeCircleDetector::Detect(picture, width, height), 400, 300, 280);
    }

    void ordinaryPicturesHaveNoCircle_data()
    {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("colour bars") << ColourBars(640, 360) << 640 << 360;
        QTest::newRow("uniform grey") << Blank(320, 240, 120) << 320 << 240;
        QTest::newRow("all black") << Blank(320, 240, 16) << 320 << 240;
        QTest::newRow("framed rectangle") << Shape(640, 480, [](double x, double y) {
            return x > 80 && x < 560 && y > 60 && y < 420;
        }) << 640 << 480;
        QTest::newRow("ellipse") << Shape(640, 480, [](double x, double y) {
            const double dx = (x - 320) / 280;
            const double dy = (y - 240) / 170;
            return dx * dx + dy * dy <= 1.0;
        }) << 640 << 480;
        QTest::newRow("small disc") << Shape(640, 480, [](double x, double y) {
            return std::hypot(x - 320, y - 240) <= 40;
        }) << 640 << 480;
        QTest::newRow("disc with a lit band beside it") << Shape(640, 480, [](double x, double y) {
            return std::hypot(x - 260, y - 240) <= 200 || (x > 500 && x < 600);
        }) << 640 << 480;
    }

    void ordinaryPicturesHaveNoCircle()
    {
        QFETCH(QByteArray, picture);
        QFETCH(int, width);
        QFETCH(int, height);
        QVERIFY(!FisheyeCircleDetector::Detect(picture, width, height).has_value());
    }

    void refusesPicturesItCannotRead()
    {
        const QByteArray picture = FisheyePicture::Make(640, 480, 320, 240, 220);
        QVERIFY(FisheyeCircleDetector::Detect(picture, 640, 480).has_value());
        QVERIFY(
            !FisheyeCircleDetector::Detect(picture.left(picture.size() - 1), 640, 480).has_value());
        QVERIFY(!FisheyeCircleDetector::Detect(picture, 16, 16).has_value());
        QVERIFY(!FisheyeCircleDetector::DetectInLuma(nullptr, 640, 480).has_value());
    }

    void fitsPointsOnACircle()
    {
        QVector<QPointF> points;
        for (int degrees = 10; degrees < 130; degrees += 7) {
            const double a = degrees * 3.14159265358979 / 180.0;
            points.append(QPointF(-12.5 + 40.0 * std::cos(a), 7.0 + 40.0 * std::sin(a)));
        }
        const std::optional<FisheyeCircle> fit = FisheyeCircleDetector::FitCircle(points);
        QVERIFY(fit.has_value());
        QVERIFY(std::fabs(fit->centreX + 12.5) < 1e-6);
        QVERIFY(std::fabs(fit->centreY - 7.0) < 1e-6);
        QVERIFY(std::fabs(fit->radius - 40.0) < 1e-6);

        QVERIFY(!FisheyeCircleDetector::FitCircle(
            {QPointF(0, 0), QPointF(1, 1), QPointF(2, 2), QPointF(3, 3)}));
        QVERIFY(!FisheyeCircleDetector::FitCircle({QPointF(0, 0), QPointF(1, 1)}));
    }

    void shapeFollowsTheCircleAgainstThePictureEdges()
    {
        QVERIFY(!(FisheyeCircle{360, 360, 360}.IsCut(720)));
        QVERIFY(!(FisheyeCircle{360, 360, 365}.IsCut(720))); // within the tolerance
        QVERIFY((FisheyeCircle{360, 360, 380}.IsCut(720)));
        QVERIFY((FisheyeCircle{640, 200, 300}.IsCut(720))); // top edge only
        const FisheyeCircle centred = FisheyeCircle::Centred(1280, 720);
        QCOMPARE(centred.centreX, 640.0);
        QCOMPARE(centred.centreY, 360.0);
        QCOMPARE(centred.radius, 360.0);
    }
};

QTEST_APPLESS_MAIN(FisheyeCircleDetectorTest)
#include "FisheyeCircleDetectorTest.moc"
