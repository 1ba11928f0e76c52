// The engine's pictures handed to the display: one copy each, the newest
// shown, and the buffer of a picture the display never took, or of one the
// view let go, carrying a later one; a buffer still read elsewhere is never
// written.

#include "DisplayWidget.h"
#include "GLYuvWidget.h"
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
    void bufferTheViewLetGoCarriesALaterPicture();
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

void PictureHandOffTest::bufferTheViewLetGoCarriesALaterPicture()
{
    DisplayWidget display;
    PictureHandOff handOff;
    handOff.Attach(&display);
    int shown = 0;
    connect(&display, &DisplayWidget::sigYuv, [&shown] { ++shown; });
    const std::vector<uchar> first = Picture(20);
    const std::vector<uchar> second = Picture(120);
    const std::vector<uchar> third = Picture(230);
    handOff.Deliver(first.data(), kWidth, kHeight, kBytes);
    const char* firstBuffer = handOff.Current(nullptr, nullptr).constData();
    QTRY_COMPARE(shown, 1);
    handOff.Deliver(second.data(), kWidth, kHeight, kBytes);
    QTRY_COMPARE(shown, 2);
    // The view now shows the second picture and let the first go: its
    // buffer takes the third.
    handOff.Deliver(third.data(), kWidth, kHeight, kBytes);
    const QByteArray current = handOff.Current(nullptr, nullptr);
    QCOMPARE(current.constData(), firstBuffer);
    QCOMPARE(quint8(current.at(0)), quint8(230));
    QTRY_COMPARE(shown, 3);
    QCOMPARE(quint8(display.View()->Picture(nullptr, nullptr).at(0)), quint8(230));
    QCOMPARE(display.DroppedPictures(), quint64(0));
}

QTEST_MAIN(PictureHandOffTest)
#include "tst_PictureHandOff.moc"
