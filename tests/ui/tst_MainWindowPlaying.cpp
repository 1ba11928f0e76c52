// The main window playing real media through the engine, and in English.
// Saves a picture of the window playing the demo clip into the build tree.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "DisplayWidget.h"
#include "GLYuvWidget.h"
#include "MsgBox.h"
#include "PlayBottomWidget.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlayModelWidget.h"
#include "PlaySetting.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace MainWindowProbe;

namespace {

const QString kMedia = QStringLiteral(VOREL_TEST_MEDIA);
const QString kDemo = QStringLiteral(VOREL_DEMO_MEDIA);

// Whether the picture area of a grabbed window shows something other than
// black: the video reached the screen.
bool ShowsPicture(const QImage& shot, const QRect& area)
{
    int coloured = 0;
    for (int y = area.top(); y < area.bottom(); y += 8) {
        for (int x = area.left(); x < area.right(); x += 8) {
            const QColor c = shot.pixelColor(x, y);
            coloured += (c.red() + c.green() + c.blue() > 120) ? 1 : 0;
        }
    }
    return coloured > 50;
}

} // namespace

class MainWindowPlayingTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
    }

    void playsTheClipAndSavesAPicture()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.OpenFiles({kDemo + QStringLiteral("/demo.mp4"), kMedia + QStringLiteral("/av.mkv"),
                          kMedia + QStringLiteral("/random.bin")});
        QCOMPARE(window.fileList().size(), 2); // unsupported suffixes are not imported
        QCOMPARE(window.currentIndex(), 0);
        QVERIFY(window.isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(window.display()->CurrentPage(), DisplayWidget::Page::Video, 20000);
        int width = 0, height = 0;
        QVERIFY(!window.currentFrame(&width, &height).isEmpty());
        QCOMPARE(QSize(width, height), QSize(640, 360));
        auto* slider = Child<QSlider>(window.bottomWidget(), "progressSlider");
        QTRY_VERIFY_WITH_TIMEOUT(slider->isEnabled() && slider->value() > 0, 20000);
        QVERIFY2(slider->maximum() >= 5900 && slider->maximum() <= 6200, qPrintable(QString::number(slider->maximum())));
        QCOMPARE(Child<QLabel>(&window, "label_6")->text(), QStringLiteral("demo.mp4"));

        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(
            ShowsPicture(shot = window.screen()->grabWindow(window.winId()).toImage(),
                         window.display()->geometry().adjusted(0, 0, 0, -100)),
            20000);
        // The screen shows the control bar over the picture's native window,
        // and the picture, fitted above the bar, loses nothing under it.
        auto* playButton = Child<QPushButton>(window.bottomWidget(), "stateBtn");
        const QRect buttonRect(playButton->mapTo(&window, QPoint(0, 0)), playButton->size());
        int iconPixels = 0;
        for (int y = buttonRect.top(); y <= buttonRect.bottom(); ++y) {
            for (int x = buttonRect.left(); x <= buttonRect.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                iconPixels += (c.red() + c.green() + c.blue() > 600) ? 1 : 0;
            }
        }
        QVERIFY2(iconPixels > 10, "control bar hidden");
        GLYuvWidget* view = window.display()->View();
        const QRect picture(view->mapTo(&window, view->PictureRect().topLeft()), view->PictureRect().size());
        QVERIFY(!picture.isEmpty());
        QVERIFY(picture.bottom() < window.bottomWidget()->geometry().top());
        const QString saved = QStringLiteral(VOREL_UI_SHOTS) + QStringLiteral("/mainwindow-playing.png");
        QDir().mkpath(QStringLiteral(VOREL_UI_SHOTS));
        QVERIFY(shot.save(saved));

        // Pause and resume through the bar's button.
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(!window.isPlaying());
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(window.isPlaying());
        // A seek ends a pause in the engine, and the button follows.
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(!window.isPlaying());
        emit window.bottomWidget()->sigSentCurrentTime(1000);
        QVERIFY(window.isPlaying());
        QVERIFY(Child<QPushButton>(window.bottomWidget(), "stateBtn")->styleSheet().contains(QStringLiteral("bottom_icon_play_nor")));

        // At the end of the file AutoPlay goes on to the next one.
        QSignalSpy started(&window, &MainWindow::sigStartSpliter);
        QTRY_VERIFY_WITH_TIMEOUT(window.currentIndex() == 1, 30000);
        QCOMPARE(Child<QLabel>(&window, "label_6")->text(), QStringLiteral("av.mkv"));
        QCOMPARE(started.count(), 1);
    }

    void brokenFileReportsAndTheWindowStops()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.OpenFiles({kMedia + QStringLiteral("/random.mp4")});
        QTRY_VERIFY_WITH_TIMEOUT(window.messageBox() != nullptr, 20000);
        QVERIFY(!window.messageBox()->isHidden());
        // The window is back in its stopped state, and the mode is the user's.
        QCOMPARE(window.playMode(), 0);
        QVERIFY(!window.isPlaying());
        QCOMPARE(window.display()->CurrentPage(), DisplayWidget::Page::Black);
        QVERIFY(Child<QPushButton>(window.bottomWidget(), "stateBtn")
                    ->styleSheet()
                    .contains(QStringLiteral("bottom_icon_pause_nor")));
    }

    void closingWithAStartStillQueued()
    {
        // The engine reads the path after the queued start arrives: the
        // window's buffer must outlive the engine, and the close must not
        // wait for ever (an address-sanitizer build reports a freed read).
        for (int i = 0; i < 3; ++i) {
            auto window = std::make_unique<MainWindow>();
            window->show();
            window->OpenFiles({kMedia + QStringLiteral("/av.mp4")});
            QVERIFY(window->isPlaying());
            window->close();
            window.reset();
        }
    }

    void englishInterface()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral("vorelplayer_en.qm"), QStringLiteral(VOREL_QM_DIR)));
        QCoreApplication::installTranslator(&english);
        MainWindow window;
        QCOMPARE(Child<QPushButton>(window.modeChooser(), "autobtn")->text(), QStringLiteral("Mode 1: Play all"));
        QCOMPARE(Child<QLabel>(window.importWidget(), "label")->text(), QStringLiteral("Import files"));
        QCOMPARE(Child<QPushButton>(window.importWidget(), "importBtn")->text(), QStringLiteral("Import"));
        QCOMPARE(Child<QLabel>(window.settingPanel(), "label")->text(), QStringLiteral("Screenshot folder"));
        QCOMPARE(Child<QLabel>(window.playList(), "label")->text(), QStringLiteral("Playlist"));
        QCoreApplication::removeTranslator(&english);
    }
};

QTEST_MAIN(MainWindowPlayingTest)
#include "tst_MainWindowPlaying.moc"
