// Perspective views keep straight lines straight for every lens. FFmpeg's
// v360 filter makes the fisheye pictures at test time: a flat picture of a
// grid (a floor seen straight down, out to 75 degrees from the axis) turned
// into a fisheye of each projection and field of view. The view shows four
// perspective views of it (the quad layout) with the lens set, and the grid
// lines found in each are measured for bending. The same picture shown with
// a wrong lens must bend, or the measurement proves nothing.

#include "CModelBase.h"
#include "DewarpView.h"
#include "FisheyeLens.h"
#include "GridLines.h"
#include "PanoRenderer.h"
#include "ViewLayout.h"

#include <QProcess>
#include <QtTest>

namespace
{

using Projection = FisheyeLens::Projection;

constexpr int kPictureSide = 800;
constexpr int kViewWidth = 640;
constexpr int kViewHeight = 480;
constexpr int kFfmpegLimitMs = 60000;
// Bright grid lines on a mid-grey floor; whatever lies past the floor's edge
// is that grey too.
constexpr int kBrightLevel = 170;
constexpr double kMinLinePixels = 60;
// Centres are found to a fraction of a pixel; a straight line stays within
// this of its fitted line (the lines drawn measure 0.65 at most).
constexpr double kStraightBendPixels = 1.0;
// A wrong lens bends lines far beyond it (an equisolid 220-degree picture
// shown as the default lens measures over 4).
constexpr double kWrongLensBendPixels = 2.0;
constexpr int kMinLinesPerView = 3;
// The models of the quad layout and the directions they are turned to
// (pan, tilt): straight down the axis, and three oblique views around it.
constexpr int kQuadModels[4] = {11, 12, 13, 14};
constexpr float kAngles[4][2] = {{0, -89.9f}, {35, -68}, {-110, -56}, {160, -50}};

QString V360Output(Projection projection)
{
    switch (projection) {
    case Projection::Equisolid:
        return QStringLiteral("equisolid");
    case Projection::Stereographic:
        return QStringLiteral("sg");
    case Projection::Orthographic:
        return QStringLiteral("og");
    case Projection::Equidistant:
        break;
    }
    return QStringLiteral("fisheye");
}

// The fisheye picture as YUV420P, its circle centred and touching the sides.
QByteArray MakeFisheye(const FisheyeLens& lens)
{
    const QString fov = QString::number(lens.fovDegrees);
    const QString filter =
        QStringLiteral("v360=input=flat:ih_fov=150:iv_fov=150:output=%1:h_fov=%2:v_fov=%2:"
                       "w=%3:h=%3,format=yuv420p")
            .arg(V360Output(lens.projection), fov)
            .arg(kPictureSide);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The grid starts half a cell in, so that the floor's first pixel, which
    // v360 shows where the floor ends, is grey.
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("color=c=0x606060:s=1024x1024,"
                                 "drawgrid=x=32:y=32:w=64:h=64:t=5:c=white"),
                  QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-vf"), filter,
                  QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(kFfmpegLimitMs) || ffmpeg.exitCode() != 0) {
        return {};
    }
    return ffmpeg.readAllStandardOutput();
}

QString Describe(const FisheyeLens& lens)
{
    return QStringLiteral("%1 %2").arg(FisheyeLens::Name(lens.projection)).arg(lens.fovDegrees);
}

} // namespace

class LensStraightnessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void perspectiveLinesStayStraight_data();
    void perspectiveLinesStayStraight();
    void wrongLensBendsThem();
    void changingTheLensRedrawsAtOnce();

private:
    // The picture in the quad layout with the lens set; the views turned to
    // kAngles. Returns what the view shows.
    QImage ShowQuad(const QByteArray& picture, const FisheyeLens& lens);
    std::vector<GridLines::Line> LinesOf(const QImage& image, int slot) const;

    std::unique_ptr<GLYuvWidget> m_view;
};

void LensStraightnessTest::initTestCase()
{
    m_view = DewarpView::Make(kViewWidth, kViewHeight);
    QVERIFY(m_view->Renderer() != nullptr);
    QVERIFY(m_view->Renderer()->IsMeshLoaded());
}

QImage LensStraightnessTest::ShowQuad(const QByteArray& picture, const FisheyeLens& lens)
{
    GLYuvWidget& view = *m_view;
    view.SetDisplay(picture, kPictureSide, kPictureSide);
    view.SetLens(lens);
    view.EnablePanoHY(kPanoModeCeiling, kPictureSide / 2, kPictureSide / 2, kPictureSide / 2);
    view.SelectViewMode(ViewLayout::ViewQuadPerspective);
    DewarpView::Paint(view); // the models take the picture's size
    PanoRenderer& renderer = *view.Renderer();
    for (int i = 0; i < 4; ++i) {
        renderer.Model(kQuadModels[i])->SetAngles(kAngles[i][0], kAngles[i][1]);
    }
    return DewarpView::Paint(view);
}

std::vector<GridLines::Line> LensStraightnessTest::LinesOf(const QImage& image, int slot) const
{
    const QRect place = DewarpView::SlotPixels(m_view->Renderer()->Slot(slot), image.size());
    // Inside the border each sub-view draws.
    return GridLines::Trace(image, place.adjusted(4, 4, -4, -4), kBrightLevel, kMinLinePixels);
}

void LensStraightnessTest::perspectiveLinesStayStraight_data()
{
    QTest::addColumn<int>("projection");
    QTest::addColumn<double>("fov");
    QTest::newRow("equidistant 180") << int(Projection::Equidistant) << 180.0;
    QTest::newRow("equidistant 220") << int(Projection::Equidistant) << 220.0;
    QTest::newRow("equidistant 140") << int(Projection::Equidistant) << 140.0;
    QTest::newRow("equisolid 185") << int(Projection::Equisolid) << 185.0;
    QTest::newRow("equisolid 240") << int(Projection::Equisolid) << 240.0;
    QTest::newRow("stereographic 200") << int(Projection::Stereographic) << 200.0;
    QTest::newRow("stereographic 150") << int(Projection::Stereographic) << 150.0;
    QTest::newRow("orthographic 180") << int(Projection::Orthographic) << 180.0;
    QTest::newRow("orthographic 160") << int(Projection::Orthographic) << 160.0;
}

void LensStraightnessTest::perspectiveLinesStayStraight()
{
    QFETCH(int, projection);
    QFETCH(double, fov);
    const FisheyeLens lens = FisheyeLens::Make(Projection(projection), fov);
    const QByteArray picture = MakeFisheye(lens);
    QCOMPARE(picture.size(), kPictureSide * kPictureSide * 3 / 2);
    const QImage image = ShowQuad(picture, lens);
    for (int slot = 0; slot < 4; ++slot) {
        const std::vector<GridLines::Line> lines = LinesOf(image, slot);
        const double bend = GridLines::LargestBend(lines);
        const QString what = QStringLiteral("%1, view %2: %3 lines, bend %4 px")
                                 .arg(Describe(lens))
                                 .arg(slot)
                                 .arg(lines.size())
                                 .arg(bend, 0, 'f', 2);
        qInfo("%s", qPrintable(what));
        QVERIFY2(int(lines.size()) >= kMinLinesPerView, qPrintable(what));
        QVERIFY2(bend < kStraightBendPixels, qPrintable(what));
    }
}

void LensStraightnessTest::wrongLensBendsThem()
{
    const FisheyeLens recorded = FisheyeLens::Make(Projection::Equisolid, 220);
    const QByteArray picture = MakeFisheye(recorded);
    QCOMPARE(picture.size(), kPictureSide * kPictureSide * 3 / 2);
    const QImage image = ShowQuad(picture, FisheyeLens());
    double largest = 0;
    for (int slot = 0; slot < 4; ++slot) {
        largest = std::max(largest, GridLines::LargestBend(LinesOf(image, slot)));
    }
    QVERIFY2(largest > kWrongLensBendPixels, qPrintable(QString::number(largest)));
}

void LensStraightnessTest::changingTheLensRedrawsAtOnce()
{
    const FisheyeLens recorded = FisheyeLens::Make(Projection::Stereographic, 200);
    const QByteArray picture = MakeFisheye(recorded);
    QCOMPARE(picture.size(), kPictureSide * kPictureSide * 3 / 2);
    const QImage wrong = ShowQuad(picture, FisheyeLens());
    // The next paint after the change, with nothing else touched.
    m_view->SetLens(recorded);
    QCOMPARE(m_view->Renderer()->Lens(), recorded);
    const QImage right = DewarpView::Paint(*m_view);
    QVERIFY(right != wrong);
    for (int slot = 0; slot < 4; ++slot) {
        QVERIFY(GridLines::LargestBend(LinesOf(right, slot)) < kStraightBendPixels);
    }
}

QTEST_MAIN(LensStraightnessTest)
#include "LensStraightnessTest.moc"
