// The display widget: its two pages, Start, HideLoading, the picture handler
// and its debug lines.

#include "DisplayWidget.h"
#include "GLYuvWidget.h"
#include "LoadingWidget.h"
#include "YuvPicture.h"

#include <QRegularExpression>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QtTest>

#include <thread>

#include <memory>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

std::unique_ptr<DisplayWidget> MakeDisplay()
{
    QTest::ignoreMessage(QtDebugMsg, "20");
    auto display = std::make_unique<DisplayWidget>();
    display->resize(320, 240);
    display->show();
    if (!QTest::qWaitForWindowExposed(display.get())) {
        qWarning("display not exposed");
    }
    return display;
}

void SendPicture(DisplayWidget& display, quint8 luma)
{
    emit display.sigYuv(YuvPicture::Uniform(160, 120, luma, 128, 128), 160, 120);
}

} // namespace

class TestDisplayWidget : public QObject
{
    Q_OBJECT

private slots:
    void postedPicturesKeepOnlyTheNewest();
    void perPictureLineIsOffByDefault();
    void startsIdleOnTheBlackPage();
    void pictureSwitchesToTheVideoPage();
    void pictureShowsAHiddenView();
    void pictureIsNotCopied();
    void startReturnsToTheLoadingAnimation();
    void startResetsTheView();
    void hideLoadingLeavesAPlainBlackPage();
    void playVideoAndDecodedFrameOnlySwitchAndLog();
    void destructionIsLogged();
};

void TestDisplayWidget::startsIdleOnTheBlackPage()
{
    auto display = MakeDisplay();
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Black);
    QVERIFY(!display->Loading()->isVisible());
    QCOMPARE(display->Loading()->size(), QSize(78, 78));
    QVERIFY(!display->View()->isVisible());
    QCOMPARE(display->View()->parentWidget(), display.get());
}

void TestDisplayWidget::pictureSwitchesToTheVideoPage()
{
    auto display = MakeDisplay();
    display->Start();
    SendPicture(*display, 255);
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Video);
    QVERIFY(display->View()->isVisible());
    QCOMPARE(display->View()->size(), display->size());
    const QImage image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, 3), 0);
}

void TestDisplayWidget::pictureShowsAHiddenView()
{
    auto display = MakeDisplay();
    SendPicture(*display, 255);
    display->View()->hide();
    SendPicture(*display, 90);
    QVERIFY(display->View()->isVisible());
    const QImage image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), YuvPicture::ExpectedRgb(90, 128, 128), 3), 0);
}

void TestDisplayWidget::postedPicturesKeepOnlyTheNewest()
{
    auto display = MakeDisplay();
    QSignalSpy shown(display.get(), &DisplayWidget::sigYuv);
    PictureFormat turned;
    turned.rotationCwDeg = 90;
    // A presenting thread that outruns the GUI thread: three pictures before
    // the GUI thread runs once. Only the newest is shown, with its format.
    std::thread presenter([&display, turned] {
        display->PostPicture(YuvPicture::Uniform(160, 120, 16, 128, 128), 160, 120, PictureFormat());
        display->PostPicture(YuvPicture::Uniform(160, 120, 16, 128, 128), 160, 120, PictureFormat());
        display->PostPicture(YuvPicture::Uniform(120, 160, 235, 128, 128), 120, 160, turned);
    });
    presenter.join();
    QCOMPARE(display->DroppedPictures(), quint64(2));
    QTRY_COMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(1).toUInt(), 120u);
    QCOMPARE(display->View()->Format().rotationCwDeg, 90);
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Video);
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 1);

    // A new file: a picture of the last one still waiting is not shown.
    display->PostPicture(YuvPicture::Uniform(160, 120, 235, 128, 128), 160, 120, PictureFormat());
    display->Start();
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Black);
}

void TestDisplayWidget::perPictureLineIsOffByDefault()
{
    auto display = MakeDisplay();
    static QStringList printed;
    printed.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { printed << text; });
    // Nothing is printed per picture unless the category is switched on.
    SendPicture(*display, 235);
    const QStringList byDefault = printed;
    QLoggingCategory::setFilterRules(QStringLiteral("vorel.display.frames.debug=true"));
    SendPicture(*display, 235);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    QVERIFY2(!byDefault.contains(QStringLiteral("39")), qPrintable(byDefault.join(QLatin1Char('|'))));
    QVERIFY(printed.contains(QStringLiteral("39")));
}

void TestDisplayWidget::pictureIsNotCopied()
{
    // The picture travels by implicit sharing: after the hand-off the caller's
    // array and the view's copy share one buffer, so writing into it (which
    // detaches the caller) leaves the shown picture unchanged.
    auto display = MakeDisplay();
    QByteArray picture = YuvPicture::Uniform(160, 120, 255, 128, 128);
    const char* const before = picture.constData();
    emit display->sigYuv(picture, 160, 120);
    QVERIFY(!picture.isDetached());
    picture.fill(char(0));
    QVERIFY(picture.constData() != before);
    const QImage image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kWhite, 3), 0);
}

void TestDisplayWidget::startReturnsToTheLoadingAnimation()
{
    auto display = MakeDisplay();
    SendPicture(*display, 255);
    display->Start();
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Black);
    QVERIFY(display->Loading()->isVisible());
    QVERIFY(!display->View()->isVisible());
    // The animation runs: it leaves frame 0 on its own.
    QTRY_VERIFY(display->Loading()->CurrentFrame() != 0);
    // The view was emptied for the next file.
    display->PlayVideo(QByteArray(), 0, 0);
    const QImage image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
}

void TestDisplayWidget::startResetsTheView()
{
    auto display = MakeDisplay();
    SendPicture(*display, 255);
    GLYuvWidget* view = display->View();
    view->EnablePano(kPanoModeCeiling, 80, 60, 60, false, true);
    QVERIFY(view->SetDebugText(true, QStringLiteral("info")));
    display->Start();
    QCOMPARE(view->State(), GLYuvWidget::DisplayState::Plain);
    SendPicture(*display, 255);
    // No mask or debug box remains over the next file's pictures.
    const QImage seen = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(seen, seen.rect(), kWhite, 3), 0);
}

void TestDisplayWidget::hideLoadingLeavesAPlainBlackPage()
{
    auto display = MakeDisplay();
    display->Start();
    SendPicture(*display, 255);
    display->HideLoading();
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Black);
    QVERIFY(!display->Loading()->isVisible());
    QVERIFY(!display->View()->isVisible());
    const QImage seen = display->grab().toImage();
    QCOMPARE(YuvPicture::CountDifferent(seen, seen.rect(), kBlack, 0), 0);
}

void TestDisplayWidget::playVideoAndDecodedFrameOnlySwitchAndLog()
{
    auto display = MakeDisplay();
    QTest::ignoreMessage(QtDebugMsg, "153 DisplayWidget::PlayVideo");
    QTest::ignoreMessage(QtDebugMsg, "156 DisplayWidget::PlayVideo");
    display->PlayVideo(YuvPicture::Uniform(160, 120, 255, 128, 128), 160, 120);
    QCOMPARE(display->CurrentPage(), DisplayWidget::Page::Video);
    // Its picture is not shown: the view has none.
    QImage image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
    QTest::ignoreMessage(QtDebugMsg, "162");
    uchar byte = 0;
    display->onDecodedFrame(&byte);
    image = display->View()->grabFramebuffer();
    QCOMPARE(YuvPicture::CountDifferent(image, image.rect(), kBlack, 0), 0);
}

void TestDisplayWidget::destructionIsLogged()
{
    auto display = MakeDisplay();
    for (int line = 70; line <= 74; ++line) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("%1 DisplayWidget::~DisplayWidget").arg(line)));
    }
    display.reset();
}

QTEST_MAIN(TestDisplayWidget)
#include "test_display_widget.moc"
