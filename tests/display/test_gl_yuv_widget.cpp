// The OpenGL view drawn by Mesa and read back with grabFramebuffer: plain and
// aspect-kept display, fixed zoom, colours, odd sizes, short arrays, the
// overlay calls and the display states.

#include "GLYuvWidget.h"
#include "PaintArea.h"
#include "YuvPicture.h"

#include <QAbstractEventDispatcher>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
constexpr int kTolerance = 3;

std::unique_ptr<GLYuvWidget> MakeView(int width, int height)
{
    auto view = std::make_unique<GLYuvWidget>();
    view->resize(width, height);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) {
        qWarning("view not exposed");
    }
    return view;
}

QRgb Grey(quint8 y)
{
    return YuvPicture::ExpectedRgb(y, 128, 128);
}

// Interval of the view's dewarp repaint timer, 0 when none runs.
QList<QAbstractEventDispatcher::TimerInfo> TimersOf(QObject* object)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(object);
}

} // namespace

class TestGLYuvWidget : public QObject
{
    Q_OBJECT

private slots:
    void stretchedFillsTheView();
    void aspectKeptIsCentred();
    void coloursFollowTheMatrix_data();
    void coloursFollowTheMatrix();
    void oddSizedPictureKeepsItsRows();
    void shortOrInvalidPicturesPaintBlack_data();
    void shortOrInvalidPicturesPaintBlack();
    void pictureSizeChangesAreShown();
    void grabNeedsNoPaintFirst();
    void picturesDuringASwapReachTheScreenNewestLast();
    void viewGoesWhileItsPaintIsSwapped();
    void subtitlesAreInGrabsOfEveryDisplay();
    void fixedZoomFillsASquareView();
    void fixedZoomCentresTheCircle();
    void fixedZoomOfACutCircle();
    void fixedZoomMasksAndPlacesTheCircle();
    void drawCircleLandsOnTheAspectKeptPicture();
    void drawCircleRefusesWithoutPictureOrWhenZoomed();
    void resizePlacesTheCircleAgain();
    void debugText();
    void clearDisplayBlanksButKeepsTheState();
    void stateTable();
    void enterAndLeaveAreSignalled();
    void slotsAreReachableByName();
};

void TestGLYuvWidget::stretchedFillsTheView()
{
    auto view = MakeView(1000, 1000);
    // The picture keeps its aspect unless stretching is asked for.
    QVERIFY(view->KeepsAspect());
    view->SetScale(false);
    view->SetDisplay(YuvPicture::Uniform(1920, 1080, 255, 128, 128), 1920, 1080);
    const QImage image = view->grabFramebuffer();
    QCOMPARE(image.size(), QSize(1000, 1000));
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, kTolerance), 0);
}

void TestGLYuvWidget::aspectKeptIsCentred()
{
    auto view = MakeView(1000, 1000);
    view->SetDisplay(YuvPicture::Uniform(1920, 1080, 255, 128, 128), 1920, 1080);
    view->SetScale(true);
    // Viewport (0, 218, 1000, 562) counted from the bottom: rows 220..781.
    QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 220, 1000, 562), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 1000, 220), kBlack, 0), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 782, 1000, 218), kBlack, 0), 0);

    // A wide view: height kept, width 711 centred at x 144.
    view->resize(1000, 400);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(144, 0, 711, 400), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 144, 400), kBlack, 0), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(855, 0, 145, 400), kBlack, 0), 0);

    view->SetScale(false);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, kTolerance), 0);
}

void TestGLYuvWidget::coloursFollowTheMatrix_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("v");
    QTest::newRow("white") << 255 << 128 << 128;
    QTest::newRow("black") << 0 << 128 << 128;
    QTest::newRow("red") << 76 << 85 << 255;
    QTest::newRow("green") << 150 << 44 << 21;
    QTest::newRow("blue") << 29 << 255 << 107;
    QTest::newRow("yellow") << 226 << 0 << 149;
    QTest::newRow("inside the gamut") << 120 << 100 << 160;
}

void TestGLYuvWidget::coloursFollowTheMatrix()
{
    QFETCH(int, y);
    QFETCH(int, u);
    QFETCH(int, v);
    auto view = MakeView(128, 128);
    view->SetDisplay(YuvPicture::Uniform(64, 64, quint8(y), quint8(u), quint8(v)), 64, 64);
    const QImage image = view->grabFramebuffer();
    const QRgb expected = YuvPicture::ExpectedRgb(quint8(y), quint8(u), quint8(v));
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), expected, kTolerance), 0);
}

void TestGLYuvWidget::oddSizedPictureKeepsItsRows()
{
    // 101 x 51: Y 5151 bytes, U 50 x 25 at 5151, V 50 x 25 at 6438, 7726 in all.
    constexpr int kWidth = 101;
    constexpr int kHeight = 51;
    QCOMPARE(YuvPicture::TotalBytes(kWidth, kHeight), 7726);
    QCOMPARE(YuvPicture::VOffset(kWidth, kHeight), 6438);
    QByteArray picture(YuvPicture::TotalBytes(kWidth, kHeight), char(128));
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column) {
            picture[row * kWidth + column] = char(column < 50 ? 255 : 40);
        }
    }
    const int uOffset = YuvPicture::UOffset(kWidth, kHeight);
    for (int row = 0; row < kHeight / 2; ++row) {
        for (int column = 0; column < 12; ++column) {
            picture[uOffset + row * 50 + column] = char(200);
        }
    }
    // The bytes between the end of U and the start of V are not chroma.
    for (int gap = uOffset + 1250; gap < YuvPicture::VOffset(kWidth, kHeight); ++gap) {
        picture[gap] = char(255);
    }
    auto view = MakeView(202, 102);
    view->SetDisplay(picture, kWidth, kHeight);
    const QImage image = view->grabFramebuffer();
    const QRgb blueish = YuvPicture::ExpectedRgb(255, 200, 128);
    // Rows with a wrong stride would shear; every row must show the same columns.
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(2, 0, 40, 102), blueish, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(56, 0, 38, 102), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(106, 0, 94, 102), Grey(40), kTolerance), 0);
}

void TestGLYuvWidget::shortOrInvalidPicturesPaintBlack_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const QByteArray full = YuvPicture::Uniform(64, 32, 255, 128, 128);
    QTest::newRow("far too short") << QByteArray(100, char(255)) << 1920 << 1080;
    QTest::newRow("one byte short") << full.left(full.size() - 1) << 64 << 32;
    QTest::newRow("negative width") << full << -64 << 32;
    QTest::newRow("negative height") << full << 64 << -32;
    QTest::newRow("zero size") << full << 0 << 0;
    QTest::newRow("no chroma") << full << 1 << 1;
    QTest::newRow("empty") << QByteArray() << 64 << 32;
    QTest::newRow("size overflows int") << full << 70000 << 70000;
}

void TestGLYuvWidget::shortOrInvalidPicturesPaintBlack()
{
    QFETCH(QByteArray, picture);
    QFETCH(int, width);
    QFETCH(int, height);
    auto view = MakeView(128, 64);
    view->SetDisplay(YuvPicture::Uniform(64, 32, 255, 128, 128), 64, 32);
    QCOMPARE(YuvPicture::CountDifferent(view->grabFramebuffer(), QRect(0, 0, 128, 64), kWhite, kTolerance), 0);
    view->SetDisplay(picture, width, height);
    QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
    // With the aspect kept and zoomed the picture stays rejected as well.
    view->SetScale(true);
    view->EnablePano(kPanoModeWall, 10, 10, 5);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
    // A complete picture afterwards shows normally.
    view->DisablePano();
    view->SetScale(false);
    view->SetDisplay(YuvPicture::Uniform(64, 32, 255, 128, 128), 64, 32);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, kTolerance), 0);
}

void TestGLYuvWidget::pictureSizeChangesAreShown()
{
    auto view = MakeView(120, 90);
    view->SetScale(false);
    const struct {
        int width;
        int height;
        quint8 luma;
    } pictures[] = {{64, 48, 255}, {64, 48, 90}, {32, 16, 180}, {320, 240, 30}, {64, 48, 140}};
    for (const auto& picture : pictures) {
        view->SetDisplay(YuvPicture::Uniform(picture.width, picture.height, picture.luma, 128, 128),
                         picture.width, picture.height);
        const QImage image = view->grabFramebuffer();
        QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), Grey(picture.luma), kTolerance), 0);
    }
}

void TestGLYuvWidget::grabNeedsNoPaintFirst()
{
    // A view whose picture window was never shown, so never exposed nor
    // painted (as right after the first picture, before the window system
    // answers): the grab makes the GL context itself and shows the picture.
    GLYuvWidget view;
    view.resize(160, 120);
    view.SetDisplay(YuvPicture::Uniform(64, 48, 255, 128, 128), 64, 48);
    QVERIFY(!view.Program());
    const QImage image = view.GrabView();
    QCOMPARE(image.size(), QSize(64, 48));
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, kTolerance), 0);
}

void TestGLYuvWidget::picturesDuringASwapReachTheScreenNewestLast()
{
    // Pictures come faster than the swaps (which run off the GUI thread):
    // those that arrive while one is swapped are drawn once, newest only,
    // and what reaches the window is the last picture.
    auto view = MakeView(320, 240);
    view->SetScale(false);
    QSignalSpy swaps(view.get(), &GLYuvWidget::frameSwapped);
    const quint8 lumas[] = {40, 200, 90, 160, 235};
    for (const quint8 luma : lumas) {
        view->SetDisplay(YuvPicture::Uniform(64, 48, luma, 128, 128), 64, 48);
        view->RequestPaint();
        QCoreApplication::processEvents();
    }
    // A paint asked for last may still be on its way (the window's update
    // request waits for the next frame): the screen ends on the newest.
    const auto screenDiffers = [&view] {
        const QImage screen = view->screen()->grabWindow(view->winId()).toImage();
        return screen.size() != QSize(320, 240)
                   ? -1
                   : YuvPicture::CountDifferent(screen, screen.rect(), Grey(235), kTolerance);
    };
    QTRY_COMPARE_WITH_TIMEOUT(screenDiffers(), 0, 10000);
    QVERIFY(swaps.count() > 0);
    QTRY_VERIFY(!view->IsPainting());
    // The context is the GUI thread's again: a grab right after works.
    const QImage grab = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(grab, grab.rect(), Grey(235), kTolerance), 0);
}

void TestGLYuvWidget::viewGoesWhileItsPaintIsSwapped()
{
    // A view destroyed (or grabbed) while its last paint is still being
    // swapped waits for that swap before its context goes. Whether a round
    // catches its swap in flight is up to the scheduler; most do.
    // A large window and picture make the swap long enough to be caught.
    const QByteArray picture = YuvPicture::Uniform(3840, 2160, 200, 128, 128);
    for (int round = 0; round < 10; ++round) {
        auto view = MakeView(1600, 900);
        QTRY_VERIFY(!view->IsPainting());
        view->SetDisplay(picture, 3840, 2160);
        view->RequestPaint();
        QElapsedTimer waited;
        waited.start();
        while (!view->IsPainting() && waited.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        if (round % 2) {
            QVERIFY(!view->grabFramebuffer().isNull());
        }
        view.reset();
    }
}

void TestGLYuvWidget::subtitlesAreInGrabsOfEveryDisplay()
{
    auto view = MakeView(320, 240);
    view->SetDisplay(YuvPicture::Uniform(320, 240, 16, 128, 128), 320, 240);
    view->Subtitles().SetClock([] { return qint64(500); });
    view->Subtitles().Layer().Start(SubtitleTrackStart{1, false, {}});
    SubtitleEvent event;
    event.endMs = 1000;
    event.assEvent = "0,0,Default,,0,0,0,,Subtitle";
    view->Subtitles().Layer().Add(event);
    const auto brightRows = [](const QImage& image) {
        int top = 0;
        int bottom = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                (y < image.height() / 2 ? top : bottom) += qGray(image.pixel(x, y)) > 160;
        return QPair<int, int>(top, bottom);
    };
    // The plain picture at its own size, then the fixed zoom at the view's.
    const QPair<int, int> plain = brightRows(view->GrabView());
    QVERIFY2(plain.second > 5 && plain.first == 0, qPrintable(QString::number(plain.second)));
    view->EnablePano(kPanoModeCeiling, 160, 120, 100);
    const QPair<int, int> zoomed = brightRows(view->GrabView());
    QVERIFY2(zoomed.second > 5 && zoomed.first == 0, qPrintable(QString::number(zoomed.second)));
    view->Subtitles().SetVisible(false);
    QCOMPARE(brightRows(view->GrabView()).second, 0);
}

void TestGLYuvWidget::fixedZoomFillsASquareView()
{
    auto view = MakeView(400, 400);
    view->SetDisplay(YuvPicture::Quadrants(2000, 2000, 255, 0, 128, 60), 2000, 2000);
    view->EnablePano(kPanoModeCeiling, 1000, 1000, 1000);
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Zoomed);
    // Viewport (0, 0, 400, 400): each quadrant covers a quarter of the view.
    const QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 199, 199), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(201, 0, 199, 199), Grey(0), kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 201, 199, 199), Grey(128), kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(201, 201, 199, 199), Grey(60), kTolerance), 0);

    // In a wide view the circle keeps its shape: 400 x 400 centred at x 100.
    view->resize(600, 400);
    const QImage wide = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(wide, QRect(0, 0, 100, 400), kBlack, 0), 0);
    QCOMPARE(YuvPicture::CountDifferent(wide, QRect(500, 0, 100, 400), kBlack, 0), 0);
    QCOMPARE(YuvPicture::CountDifferent(wide, QRect(100, 0, 99, 199), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(wide, QRect(301, 201, 199, 199), Grey(60), kTolerance), 0);
}

void TestGLYuvWidget::fixedZoomCentresTheCircle()
{
    auto view = MakeView(400, 400);
    view->SetDisplay(YuvPicture::Quadrants(2000, 2000, 255, 0, 128, 60), 2000, 2000);
    // A circle inside the top-left quadrant fills the view with that quadrant.
    view->EnablePano(kPanoModeCeiling, 500, 500, 500);
    // Inside the circle; the mask lies outside it.
    QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(70, 70, 260, 260), kWhite, kTolerance), 0);
    // Mirrored, the same numbers name the bottom-right quadrant.
    view->EnablePano(kPanoModeCeiling, 500, 500, 500, true);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect().adjusted(2, 2, -2, -2), Grey(60),
                                        kTolerance),
             0);
    // A circle without radius cannot be enlarged: the plain display stands in.
    view->EnablePano(kPanoModeCeiling, 1000, 1000, 0);
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 199, 199), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(201, 201, 199, 199), Grey(60), kTolerance), 0);
}

void TestGLYuvWidget::fixedZoomOfACutCircle()
{
    // Wall mount: the circle's centre on the top edge. The picture's top row
    // comes to the middle of the view, the picture fills the lower half.
    auto view = MakeView(400, 400);
    view->SetDisplay(YuvPicture::Uniform(2000, 1000, 255, 128, 128), 2000, 1000);
    view->EnablePano(kPanoModeWall, 1000, 0, 1000);
    const QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 400, 200), kBlack, 0), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 200, 400, 200), kWhite, kTolerance), 0);
}

void TestGLYuvWidget::fixedZoomMasksAndPlacesTheCircle()
{
    auto view = MakeView(600, 400);
    view->SetDisplay(YuvPicture::Uniform(2000, 2000, 255, 128, 128), 2000, 2000);
    view->EnablePano(kPanoModeCeiling, 1000, 1000, 1000, false, true);
    auto* overlay = view->findChild<PaintArea*>();
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->geometry(), QRect(0, 0, 600, 400));
    QVERIFY(overlay->IsMaskOn());
    QVERIFY(overlay->IsAssistLineOn());
    QCOMPARE(overlay->CircleRect(), QRect(QPoint(100, 0), QPoint(499, 399)));
    view->grabFramebuffer();
    QCOMPARE(overlay->ImageRect(), QRect(QPoint(100, 0), QPoint(499, 399)));
    // The whole widget as seen: picture inside the circle, black outside.
    const QImage seen = view->grabFramebuffer();
    QVERIFY(YuvPicture::Near(seen.pixel(300, 200), kWhite, kTolerance));
    QVERIFY(YuvPicture::Near(seen.pixel(110, 10), kBlack, 0));
    QVERIFY(YuvPicture::Near(seen.pixel(590, 390), kBlack, 0));
}

void TestGLYuvWidget::drawCircleLandsOnTheAspectKeptPicture()
{
    auto view = MakeView(1000, 1000);
    view->SetDisplay(YuvPicture::Uniform(1920, 1080, 255, 128, 128), 1920, 1080);
    QVERIFY(view->DrawCircle(960, 540, 540));
    auto* overlay = view->findChild<PaintArea*>();
    QVERIFY(overlay);
    QVERIFY(overlay->IsCircleShown());
    QVERIFY(!overlay->IsMaskOn());
    QCOMPARE(overlay->CircleRect(), QRect(QPoint(218, 218), QPoint(779, 779)));
    const QImage seen = view->grabFramebuffer();
    bool yellowAtLeftEdge = false;
    for (int x = 214; x <= 222; ++x) {
        yellowAtLeftEdge = yellowAtLeftEdge || YuvPicture::IsYellowish(seen.pixel(x, 499));
    }
    QVERIFY(yellowAtLeftEdge);
    QVERIFY(YuvPicture::Near(seen.pixel(500, 500), kWhite, kTolerance));

    // Mirrored centre (1440, 810), radius 100.
    QVERIFY(view->DrawCircle(480, 270, 100, kPanoModeCeiling, true, true));
    QCOMPARE(overlay->CircleRect(), QRect(QPoint(697, 588), QPoint(800, 691)));
    QVERIFY(overlay->IsAssistLineOn());
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Plain);
}

void TestGLYuvWidget::drawCircleRefusesWithoutPictureOrWhenZoomed()
{
    auto view = MakeView(400, 400);
    QVERIFY(!view->findChild<PaintArea*>());
    QVERIFY(!view->DrawCircle(100, 100, 50));
    auto* overlay = view->findChild<PaintArea*>();
    QVERIFY(overlay);
    QVERIFY(!overlay->IsCircleShown());

    view->SetDisplay(YuvPicture::Uniform(400, 400, 255, 128, 128), 400, 400);
    QVERIFY(view->DrawCircle(200, 200, 100));
    const QRect placed = overlay->CircleRect();
    view->EnablePano(kPanoModeCeiling, 200, 200, 200);
    const QRect zoomed = overlay->CircleRect();
    QVERIFY(!view->DrawCircle(50, 50, 10));
    QCOMPARE(overlay->CircleRect(), zoomed);
    QVERIFY(placed != zoomed);
    QVERIFY(!view->ClearDraw());
    view->DisablePano();
    QVERIFY(view->ClearDraw());
}

void TestGLYuvWidget::resizePlacesTheCircleAgain()
{
    auto view = MakeView(1000, 1000);
    view->SetDisplay(YuvPicture::Uniform(1920, 1080, 255, 128, 128), 1920, 1080);
    QVERIFY(view->DrawCircle(960, 540, 540));
    auto* overlay = view->findChild<PaintArea*>();
    view->resize(500, 500);
    QCOMPARE(overlay->size(), QSize(500, 500));
    QCOMPARE(overlay->CircleRect(), QRect(QPoint(109, 109), QPoint(389, 389)));
    // A cleared circle stays cleared when the view changes size.
    QVERIFY(view->ClearDraw());
    view->resize(700, 700);
    QVERIFY(!overlay->IsCircleShown());
    // Zoomed, the circle follows the smaller side.
    view->EnablePano(kPanoModeCeiling, 960, 540, 540);
    view->resize(800, 600);
    QCOMPARE(overlay->CircleRect(), QRect(QPoint(100, 0), QPoint(699, 599)));
}

void TestGLYuvWidget::debugText()
{
    auto view = MakeView(300, 200);
    QVERIFY(!view->SetDebugText(false));
    QVERIFY(!view->findChild<PaintArea*>());
    QVERIFY(view->SetDebugText(true, QStringLiteral("25 fps")));
    auto* overlay = view->findChild<PaintArea*>();
    QVERIFY(overlay);
    QVERIFY(overlay->IsDebugOn());
    QCOMPARE(overlay->DebugText(), QStringLiteral("25 fps"));
    view->SetScale(false);
    view->SetDisplay(YuvPicture::Uniform(64, 64, 255, 128, 128), 64, 64);
    const QImage seen = view->grabFramebuffer();
    // The translucent box darkens the white picture at the top left only.
    QVERIFY(qRed(seen.pixel(0, 0)) < 240);
    QVERIFY(YuvPicture::Near(seen.pixel(299, 199), kWhite, kTolerance));
    QVERIFY(view->SetDebugText(false, QStringLiteral("ignored")));
    QVERIFY(!overlay->IsDebugOn());
    QVERIFY(overlay->DebugText().isEmpty());
}

void TestGLYuvWidget::clearDisplayBlanksButKeepsTheState()
{
    auto view = MakeView(400, 400);
    view->SetDisplay(YuvPicture::Uniform(400, 400, 255, 128, 128), 400, 400);
    QVERIFY(view->DrawCircle(200, 200, 100, kPanoModeCeiling, false, true));
    QVERIFY(view->SetDebugText(true, QStringLiteral("x")));
    auto* overlay = view->findChild<PaintArea*>();
    const QRect circle = overlay->CircleRect();
    view->ClearDisplay();
    QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
    QVERIFY(!overlay->IsCircleShown());
    QVERIFY(!overlay->IsAssistLineOn());
    QVERIFY(!overlay->IsDebugOn());
    QCOMPARE(overlay->CircleRect(), circle);

    view->SetDisplay(YuvPicture::Uniform(400, 400, 255, 128, 128), 400, 400);
    view->EnablePano(kPanoModeCeiling, 200, 200, 200, false, true);
    view->ClearDisplay();
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Zoomed);
    QVERIFY(!overlay->IsMaskOn());
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
}

void TestGLYuvWidget::stateTable()
{
    auto view = MakeView(400, 400);
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Plain);
    view->SetDisplay(YuvPicture::Quadrants(2000, 2000, 255, 0, 128, 60), 2000, 2000);

    view->EnablePano(kPanoModeCeiling, 500, 500, 500, false, true);
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Zoomed);
    QVERIFY(TimersOf(view.get()).isEmpty());

    view->EnablePanoHY(kPanoModeCeiling, 1000, 1000, 1000);
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Dewarped);
    auto* overlay = view->findChild<PaintArea*>();
    QVERIFY(!overlay->IsMaskOn());
    QVERIFY(!overlay->IsCircleShown());
    QList<QAbstractEventDispatcher::TimerInfo> timers = TimersOf(view.get());
    QCOMPARE(timers.size(), 1);
    QCOMPARE(timers.first().interval, 20);
    QVERIFY(!view->DrawCircle(10, 10, 5));
    // Entering again restarts the one timer rather than adding one.
    view->EnablePanoHY(kPanoModeCeiling, 1000, 1000, 1000);
    QCOMPARE(TimersOf(view.get()).size(), 1);

    // Directly from Dewarped to Zoomed; the timer stops itself at its next tick.
    view->EnablePano(kPanoModeCeiling, 500, 500, 500);
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Zoomed);
    QTRY_VERIFY(TimersOf(view.get()).isEmpty());
    // Inside the circle; the mask lies outside it.
    QImage image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(70, 70, 260, 260), kWhite, kTolerance), 0);

    view->EnablePanoHY(kPanoModeWall, 1000, 1000, 1000);
    view->DisablePano();
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Plain);
    QTRY_VERIFY(TimersOf(view.get()).isEmpty());
    // The picture survived every change: the plain display shows all of it.
    image = view->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(0, 0, 199, 199), kWhite, kTolerance), 0);
    QCOMPARE(YuvPicture::CountDifferent(image, QRect(201, 201, 199, 199), Grey(60), kTolerance), 0);
    QVERIFY(view->DrawCircle(1000, 1000, 500));
}

void TestGLYuvWidget::enterAndLeaveAreSignalled()
{
    auto view = MakeView(200, 200);
    QSignalSpy entered(view.get(), &GLYuvWidget::sigEnter);
    QSignalSpy left(view.get(), &GLYuvWidget::sigLeave);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(view.get(), &enter);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view.get(), &leave);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 1);
}

void TestGLYuvWidget::slotsAreReachableByName()
{
    // Callers outside the program's own windows reach the fisheye slots by
    // name, with PanoMode in the signature and the trailing defaults left out.
    auto view = MakeView(400, 400);
    view->SetDisplay(YuvPicture::Quadrants(2000, 2000, 255, 0, 128, 60), 2000, 2000);
    bool drawn = false;
    QVERIFY(QMetaObject::invokeMethod(view.get(), "DrawCircle", Q_RETURN_ARG(bool, drawn),
                                      Q_ARG(int, 1000), Q_ARG(int, 1000), Q_ARG(int, 500)));
    QVERIFY(drawn);
    QVERIFY(QMetaObject::invokeMethod(view.get(), "EnablePano", Q_ARG(PanoMode, kPanoModeCeiling),
                                      Q_ARG(int, 500), Q_ARG(int, 500), Q_ARG(int, 500)));
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Zoomed);
    QVERIFY(QMetaObject::invokeMethod(view.get(), "DisablePano", Qt::QueuedConnection));
    QTRY_COMPARE(view->State(), GLYuvWidget::DisplayState::Plain);
}

QTEST_MAIN(TestGLYuvWidget)
#include "test_gl_yuv_widget.moc"
