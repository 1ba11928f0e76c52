// The engine's pictures handed to the display: one copy each, the newest
// shown, and the buffer of a picture the display never took carrying the
// next one instead of a third buffer.

#include "DisplayWidget.h"
#include "PictureHandOff.h"

#include <QSignalSpy>
#include <QtTest>

#include <thread>
#include <vector>

namespace
{

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kBytes = kWidth * kHeight * 3 / 2;

std::vector<uchar> Picture(uchar luma)
{
    std::vector<uchar> bytes(kBytes, 128);
    std::fill(bytes.begin(), bytes.begin() + kWidth * kHeight, luma);
    return bytes;
}

} // namespace

class PictureHandOffTest : public QObject
{
    Q_OBJECT

private slots:
    void untakenPictureBufferCarriesTheNext();
    void takenPictureIsNeverOverwritten();
};

void PictureHandOffTest::untakenPictureBufferCarriesTheNext()
{
    DisplayWidget display;
    PictureHandOff handOff;
    handOff.Attach(&display);
    QSignalSpy shown(&display, &DisplayWidget::sigYuv);
    const std::vector<uchar> dark = Picture(20);
    const std::vector<uchar> bright = Picture(230);
    // The presenting thread outruns the GUI thread: two pictures before it
    // runs once.
    const char* firstBuffer = nullptr;
    std::thread presenter([&] {
        handOff.Deliver(dark.data(), kWidth, kHeight, kBytes);
        firstBuffer = handOff.Current(nullptr, nullptr).constData();
        handOff.Deliver(bright.data(), kWidth, kHeight, kBytes);
    });
    presenter.join();
    int width = 0;
    const QByteArray current = handOff.Current(&width, nullptr);
    QCOMPARE(width, kWidth);
    QCOMPARE(current.constData(), firstBuffer);
    QCOMPARE(quint8(current.at(0)), quint8(230));
    QCOMPARE(display.DroppedPictures(), quint64(1));
    QTRY_COMPARE(shown.count(), 1);
    QCOMPARE(quint8(shown.at(0).at(0).toByteArray().at(0)), quint8(230));
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 1);
}

void PictureHandOffTest::takenPictureIsNeverOverwritten()
{
    DisplayWidget display;
    PictureHandOff handOff;
    handOff.Attach(&display);
    QSignalSpy shown(&display, &DisplayWidget::sigYuv);
    const std::vector<uchar> dark = Picture(20);
    const std::vector<uchar> bright = Picture(230);
    handOff.Deliver(dark.data(), kWidth, kHeight, kBytes);
    QTRY_COMPARE(shown.count(), 1);
    // The display holds the first picture: the next one gets a buffer of
    // its own and the shown one keeps its bytes.
    const QByteArray taken = shown.at(0).at(0).toByteArray();
    handOff.Deliver(bright.data(), kWidth, kHeight, kBytes);
    QVERIFY(handOff.Current(nullptr, nullptr).constData() != taken.constData());
    QCOMPARE(quint8(taken.at(0)), quint8(20));
    QTRY_COMPARE(shown.count(), 2);
    QCOMPARE(quint8(shown.at(1).at(0).toByteArray().at(0)), quint8(230));
}

QTEST_MAIN(PictureHandOffTest)
#include "tst_PictureHandOff.moc"
