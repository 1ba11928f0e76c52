// End to end: vorel-show plays test media through the engine into the
// display and saves what the view shows.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kRunLimitMs = 120000;

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

} // namespace

class TestVorelShow : public QObject
{
    Q_OBJECT

private slots:
    void screenshotShowsTheColourBars();
    void unreadableFileFailsWithoutScreenshot();
};

void TestVorelShow::screenshotShowsTheColourBars()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QCOMPARE(RunShow({QStringLiteral("--untimed"), QStringLiteral("--screenshot"), shot, QStringLiteral("--after"),
                      QStringLiteral("10"), QStringLiteral(VOREL_TEST_MEDIA "/av.mp4")}),
             0);
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(960, 540));
    // The test source's bars, left to right: red, green, yellow, blue,
    // magenta, cyan; sampled in the lower third, below the time stamp.
    const struct {
        int x;
        bool red;
        bool green;
        bool blue;
    } bars[] = {{180, true, false, false}, {300, false, true, false}, {420, true, true, false},
                {540, false, false, true}, {660, true, false, true},  {780, false, true, true}};
    // The 4:3 picture keeps its aspect in the 16:9 window: 720 x 540 from
    // x 120, black bars on both sides.
    QCOMPARE(image.pixel(60, 270), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(900, 270), qRgb(0, 0, 0));
    for (const auto& bar : bars) {
        const QRgb pixel = image.pixel(bar.x, 500);
        QVERIFY2((qRed(pixel) > 150) == bar.red && (qGreen(pixel) > 150) == bar.green
                     && (qBlue(pixel) > 150) == bar.blue,
                 qPrintable(QStringLiteral("x %1: %2").arg(bar.x).arg(pixel, 8, 16)));
    }
}

void TestVorelShow::unreadableFileFailsWithoutScreenshot()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QCOMPARE(RunShow({QStringLiteral("--untimed"), QStringLiteral("--screenshot"), shot,
                      QStringLiteral(VOREL_TEST_MEDIA "/zero.mp4")}),
             1);
    QVERIFY(!QFile::exists(shot));
    QCOMPARE(RunShow({}), 2);
}

QTEST_MAIN(TestVorelShow)
#include "test_vorel_show.moc"
