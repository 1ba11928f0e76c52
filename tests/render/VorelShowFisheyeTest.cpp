// End to end: vorel-show plays test media dewarped in a chosen layout and
// saves what the view shows.

#include "GridLines.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kRunLimitMs = 120000;
constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 540;

int RunShow(const QStringList& arguments)
{
    QProcess show;
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    show.setStandardOutputFile(QProcess::nullDevice());
    show.start(QStringLiteral(VOREL_SHOW_PATH), arguments);
    if (!show.waitForFinished(kRunLimitMs)) {
        show.kill();
        show.waitForFinished();
        return -1;
    }
    return show.exitStatus() == QProcess::NormalExit ? show.exitCode() : -1;
}

double ContentShare(const QImage& image, const QRect& rect)
{
    int content = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            content += qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 12 ? 1 : 0;
        }
    }
    return double(content) / (rect.width() * rect.height());
}

// A short lossless clip of a grid floor seen through an equisolid 220-degree
// fisheye, made by ffmpeg's v360 filter.
bool MakeEquisolidClip(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral(
                      "color=c=0x606060:s=1024x1024:r=25,drawgrid=x=32:y=32:w=64:h=64:t=5:c=white"),
                  QStringLiteral("-frames:v"), QStringLiteral("12"), QStringLiteral("-vf"),
                  QStringLiteral(
                      "v360=input=flat:ih_fov=150:iv_fov=150:output=equisolid:h_fov=220:v_fov=220:"
                      "w=800:h=800,format=yuv420p"),
                  QStringLiteral("-c:v"), QStringLiteral("ffv1"), QStringLiteral("-y"), path});
    return ffmpeg.waitForFinished(kRunLimitMs) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

// The largest bend of the grid lines in the four views of the quad layout,
// and how many lines were found in the view with the fewest.
double QuadBend(const QImage& image, int& fewestLines)
{
    constexpr int kBrightLevel = 170;
    constexpr double kMinLinePixels = 60;
    double largest = 0;
    fewestLines = 1 << 30;
    const int halfWidth = image.width() / 2;
    const int halfHeight = image.height() / 2;
    for (int quarter = 0; quarter < 4; ++quarter) {
        const QRect rect((quarter % 2) * halfWidth, (quarter / 2) * halfHeight, halfWidth,
                         halfHeight);
        const std::vector<GridLines::Line> lines =
            GridLines::Trace(image, rect.adjusted(4, 4, -4, -4), kBrightLevel, kMinLinePixels);
        fewestLines = std::min(fewestLines, int(lines.size()));
        largest = std::max(largest, GridLines::LargestBend(lines));
    }
    return largest;
}

} // namespace

class VorelShowFisheyeTest : public QObject
{
    Q_OBJECT

private slots:
    void quadLayoutFillsEveryQuarter();
    void badLayoutsAreRefused();
    void theLensStraightensTheViews();
    void badLensesAreRefused();
};

void VorelShowFisheyeTest::quadLayoutFillsEveryQuarter()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QCOMPARE(RunShow({QStringLiteral("--untimed"), QStringLiteral("--fisheye"), QStringLiteral("7"),
                      QStringLiteral("--screenshot"), shot, QStringLiteral("--after"), QStringLiteral("10"),
                      QStringLiteral(VOREL_TEST_MEDIA "/av.mp4")}),
             0);
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(kWindowWidth, kWindowHeight));
    const int halfWidth = kWindowWidth / 2;
    const int halfHeight = kWindowHeight / 2;
    for (int quarter = 0; quarter < 4; ++quarter) {
        const QRect rect((quarter % 2) * halfWidth, (quarter / 2) * halfHeight, halfWidth, halfHeight);
        QVERIFY2(ContentShare(image, rect.adjusted(3, 3, -3, -3)) > 0.2, qPrintable(QString::number(quarter)));
    }
    // The plain display would show the picture across the middle; the quad
    // layout draws the views' borders there.
    const QRgb middle = image.pixel(halfWidth - 1, halfHeight / 2);
    QVERIFY2(qBlue(middle) > qRed(middle), qPrintable(QString::number(middle, 16)));
}

void VorelShowFisheyeTest::badLayoutsAreRefused()
{
    const QString media = QStringLiteral(VOREL_TEST_MEDIA "/av.mp4");
    QCOMPARE(RunShow({QStringLiteral("--fisheye"), QStringLiteral("14"), media}), 2);
    QCOMPARE(RunShow({QStringLiteral("--fisheye"), QStringLiteral("one"), media}), 2);
    QCOMPARE(RunShow({QStringLiteral("--fisheye"), QStringLiteral("2"), QStringLiteral("--circle"),
                      QStringLiteral("10,20"), media}),
             2);
    QCOMPARE(RunShow({QStringLiteral("--wall"), media}), 2);
}

void VorelShowFisheyeTest::theLensStraightensTheViews()
{
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("equisolid.mkv"));
    QVERIFY(MakeEquisolidClip(clip));
    const QString right = dir.filePath(QStringLiteral("right.png"));
    const QString wrong = dir.filePath(QStringLiteral("wrong.png"));
    const QStringList common = {QStringLiteral("--untimed"), QStringLiteral("--fisheye"),
                                QStringLiteral("7"),         QStringLiteral("--after"),
                                QStringLiteral("6"),         QStringLiteral("--screenshot")};
    QCOMPARE(RunShow(QStringList(common)
                     << right << QStringLiteral("--lens") << QStringLiteral("equisolid")
                     << QStringLiteral("--lens-fov") << QStringLiteral("220") << clip),
             0);
    QCOMPARE(RunShow(QStringList(common) << wrong << clip), 0);
    int fewest = 0;
    const double rightBend = QuadBend(QImage(right), fewest);
    qInfo("with the lens: bend %.2f px, at least %d lines a view", rightBend, fewest);
    QVERIFY2(fewest >= 2, qPrintable(QString::number(fewest)));
    QVERIFY2(rightBend < 1.0, qPrintable(QString::number(rightBend)));
    // Without the lens (the default, equidistant 180 degrees) the lines bend.
    const double wrongBend = QuadBend(QImage(wrong), fewest);
    qInfo("without it: bend %.2f px", wrongBend);
    QVERIFY2(wrongBend > 2.0, qPrintable(QString::number(wrongBend)));
}

void VorelShowFisheyeTest::badLensesAreRefused()
{
    const QString media = QStringLiteral(VOREL_TEST_MEDIA "/av.mp4");
    const QString fisheye = QStringLiteral("--fisheye");
    const QString lens = QStringLiteral("--lens");
    const QString fov = QStringLiteral("--lens-fov");
    QCOMPARE(RunShow({fisheye, QStringLiteral("1"), lens, QStringLiteral("fish"), media}), 2);
    QCOMPARE(RunShow({fisheye, QStringLiteral("1"), fov, QStringLiteral("100"), media}), 2);
    QCOMPARE(RunShow({fisheye, QStringLiteral("1"), fov, QStringLiteral("250"), media}), 2);
    QCOMPARE(RunShow({fisheye, QStringLiteral("1"), fov, QStringLiteral("wide"), media}), 2);
    QCOMPARE(RunShow({fisheye, QStringLiteral("1"), lens, QStringLiteral("orthographic"), fov,
                      QStringLiteral("200"), media}),
             2);
    QCOMPARE(RunShow({lens, QStringLiteral("equisolid"), media}), 2);
}

QTEST_MAIN(VorelShowFisheyeTest)
#include "VorelShowFisheyeTest.moc"
