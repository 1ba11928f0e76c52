// End to end: vorel-show plays test media dewarped in a chosen layout and
// saves what the view shows.

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

} // namespace

class VorelShowFisheyeTest : public QObject
{
    Q_OBJECT

private slots:
    void quadLayoutFillsEveryQuarter();
    void badLayoutsAreRefused();
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

QTEST_MAIN(VorelShowFisheyeTest)
#include "VorelShowFisheyeTest.moc"
