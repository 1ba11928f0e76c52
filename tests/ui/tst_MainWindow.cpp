// The main window with its real children and engine: wiring, play order
// through the real signals, list changes, volume, speed, engine messages,
// pictures, popups, full screen, dragging and edge resizing.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "DisplayWidget.h"
#include "MsgBox.h"
#include "MultipleWidget.h"
#include "PlayBottomWidget.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlayModelWidget.h"
#include "PlaySetting.h"
#include "PowerEvents.h"
#include "VolumeWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace MainWindowProbe;

namespace {

// Paths that are not files: ShowVideo moves the index but starts nothing.
QVector<QString> Missing(int count)
{
    QVector<QString> list;
    for (int i = 0; i < count; ++i) {
        list << QStringLiteral("/nonexistent/clip%1.mp4").arg(i);
    }
    return list;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;
    std::unique_ptr<MainWindow> m_window;

    MainWindow& Window() { return *m_window; }
    PlayBottomWidget* Bar() { return Window().bottomWidget(); }

    // Through the import dialog, as the user does.
    void Import(const QVector<QString>& list)
    {
        Window().importWidget()->AddPaths(QStringList(list.begin(), list.end()));
        Window().importWidget()->onImportBtnclicked();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        QSettings ini(QStringLiteral("account.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("PIC/Patch"), m_workDir.filePath(QStringLiteral("shots")));
    }

    void init()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
    }

    void frameAndInitialLayout()
    {
        QVERIFY(Window().windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(Window().testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(Window().size(), QSize(1040, 739));
        QCOMPARE(Window().minimumSize(), QSize(800, 600));
        QCOMPARE(Bar()->geometry(), QRect(0, 739 - 100, 1040, 100));
        QCOMPARE(Window().importWidget()->geometry(), QRect((1040 - 470) / 2, (739 - 400) / 2, 470, 400));
        QVERIFY(Window().importWidget()->isVisible());
        QVERIFY(!Child(&Window(), "label_7")->isVisible());
        QVERIFY(!Window().playList()->isVisible());
        QVERIFY(!Window().settingPanel()->isVisible());
        QCOMPARE(Child(&Window(), "MainShowWidget"), static_cast<QWidget*>(Window().display()));
        QCOMPARE(Window().pictureFolder(), m_workDir.filePath(QStringLiteral("shots")));
        // Without "Language/type" = "zh_cn" the title buttons speak English.
        QCOMPARE(Child(&Window(), "closeBtn")->toolTip(), QStringLiteral("Close"));
    }

    void importReplacesTheListWithoutPlaying()
    {
        Import(Missing(3));
        QCOMPARE(Window().fileList().size(), 3);
        QCOMPARE(Window().playList()->rowCount(), 3);
        Window().ShowVideo(1);
        QCOMPARE(Window().currentIndex(), 1);
        Import(Missing(2));
        QCOMPARE(Window().fileList(), Missing(2));
        QCOMPARE(Window().playList()->rowCount(), 2);
        QCOMPARE(Window().currentIndex(), -1);
        QVERIFY(!Window().isPlaying());
        QVERIFY(!Window().importWidget()->isVisible());
        QCOMPARE(Window().display()->CurrentPage(), DisplayWidget::Page::Black);
    }

    void aMissingFileIsNamedReportedAndTheWindowStops()
    {
        QSignalSpy started(&Window(), &MainWindow::sigStartSpliter);
        Import(Missing(2));
        Click(Window().modeChooser(), "stopbtn"); // so that nothing moves on
        emit Window().playList()->sigShowVideo(1);
        QCOMPARE(Window().currentIndex(), 1);
        QCOMPARE(started.count(), 0);
        QCOMPARE(Child<QLabel>(&Window(), "label_6")->text(), QStringLiteral("clip1.mp4"));
        QVERIFY(Child(&Window(), "label_7")->isVisible());
        QVERIFY(Window().messageBox());
        QCOMPARE(Window().messageBox()->text(), QStringLiteral("The file cannot be found: clip1.mp4"));
        QVERIFY(!Window().isPlaying());
        QVERIFY(Child<QPushButton>(Bar(), "stateBtn")->styleSheet().contains(QStringLiteral("bottom_icon_pause_nor.png")));
        QCOMPARE(Window().display()->CurrentPage(), DisplayWidget::Page::Black);
    }

    void barAndListDriveTheFileOrder()
    {
        Import(Missing(3));
        Click(Window().modeChooser(), "stopbtn");
        QVERIFY(!Window().modeChooser()->isVisible());
        QCOMPARE(Window().playMode(), 3);
        QVERIFY(Child<QPushButton>(Bar(), "modelBtn")->styleSheet().contains(QStringLiteral("bottom_icon_off_nor.png")));
        emit Window().playList()->sigShowVideo(0);
        emit Bar()->sigRollbackBtnClicked();
        QCOMPARE(Window().currentIndex(), 2);
        emit Bar()->sigFastForwardBtnClicked();
        QCOMPARE(Window().currentIndex(), 0);
        emit Window().playList()->sigDeleteRow(2);
        QCOMPARE(Window().fileList(), Missing(2));
        QCOMPARE(Window().currentIndex(), 0);
    }

    void volumeSliderSetsTheSinkVolume()
    {
        QSignalSpy volume(&Window(), &MainWindow::sigSetVolume);
        VolumeWidget* slider = Window().volumeWidget();
        emit Bar()->sigSoundBtnClicked();
        QVERIFY(slider->isVisible());
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(16, 70));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(16, 70));
        QCOMPARE(volume.last().first().toDouble(), 0.0);
        auto* sound = Child<QPushButton>(Bar(), "soundBtn");
        QVERIFY(sound->styleSheet().contains(QStringLiteral("bottom_icon_turn_off_sound_nor.png")));
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(16, 25));
        QCOMPARE(volume.last().first().toDouble(), 0.75);
        QVERIFY(sound->styleSheet().contains(QStringLiteral("bottom_icon_turn_on_sound_nor.png")));
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(16, 10));
        QCOMPARE(volume.last().first().toDouble(), 1.0);
    }

    void speedChooserSetsTheMultiple()
    {
        QSignalSpy speed(&Window(), &MainWindow::sigSetMultiple);
        emit Bar()->sigmultipleBtnClicked();
        QVERIFY(Window().speedChooser()->isVisible());
        Click(Window().speedChooser(), "s2btn");
        QCOMPARE(speed.last().first().toFloat(), 2.0f);
        QVERIFY(!Window().speedChooser()->isVisible());
        QCOMPARE(Child<QPushButton>(Bar(), "multipleBtn")->text(), QStringLiteral("2X"));
        emit Bar()->sigmultipleBtnClicked();
        Click(Window().speedChooser(), "shalfbtn");
        QCOMPARE(speed.last().first().toFloat(), 0.5f);
        QCOMPARE(Child<QPushButton>(Bar(), "multipleBtn")->text(), QStringLiteral("0.5X"));
    }

    void engineMessageIsShownCentredWithoutBlocking()
    {
        emit Window().engine()->sigSendMessage(QStringLiteral("打开文件失败"));
        QVERIFY(Window().messageBox());
        QVERIFY(Window().messageBox()->isVisible());
        QCOMPARE(Window().messageBox()->text(), QStringLiteral("打开文件失败"));
        QVERIFY(!Window().messageBox()->isModal());
        QVERIFY(!QApplication::activeModalWidget());
        const QRect box = Window().messageBox()->frameGeometry();
        const QPoint centre = Window().mapToGlobal(Window().rect().center());
        QVERIFY2((box.center() - centre).manhattanLength() <= 2, "the message is centred on the window");
        // The play mode is the user's: a message does not change it.
        QCOMPARE(Window().playMode(), 0);
        emit Window().engine()->sigSendMessage(QStringLiteral("second"));
        QCOMPARE(Window().findChildren<MsgBox*>().size(), 1);
        QCOMPARE(Window().messageBox()->text(), QStringLiteral("second"));
        Click(Window().messageBox(), "confirmBtn");
        QTRY_VERIFY(!Window().messageBox());
    }

    void picturesAreCopiedAndReachTheDisplay()
    {
        const int w = 64, h = 36;
        QByteArray picture(w * h * 3 / 2, char(0x80));
        emit Window().engine()->sigYuv(reinterpret_cast<uchar*>(picture.data()), w, h, picture.size());
        const QByteArray sent = picture;
        picture.fill(char(0)); // the engine reuses its buffer after delivery
        int width = 0, height = 0;
        QCOMPARE(Window().currentFrame(&width, &height), sent);
        QCOMPARE(width, w);
        QCOMPARE(height, h);
        QTRY_COMPARE(Window().display()->CurrentPage(), DisplayWidget::Page::Video);
    }

    void screenshotSavesThePictureAtItsOwnSize()
    {
        const QString folder = m_workDir.filePath(QStringLiteral("shots"));
        Window().onScreenShotBtnClicked(); // no picture yet: nothing, silently
        QVERIFY(QDir(folder).entryList({QStringLiteral("*.jpg")}).isEmpty());
        QVERIFY(!Window().messageBox());
        const int w = 320, h = 180;
        QByteArray picture(w * h * 3 / 2, char(0x60));
        emit Window().engine()->sigYuv(reinterpret_cast<uchar*>(picture.data()), w, h, picture.size());
        emit Bar()->sigScreenShotBtnClicked();
        // Written off the GUI thread.
        QTRY_COMPARE(QDir(folder).entryList({QStringLiteral("*.jpg")}).size(), 1);
        const QStringList shots = QDir(folder).entryList({QStringLiteral("*.jpg")});
        QCOMPARE(QImage(folder + QLatin1Char('/') + shots.first()).size(), QSize(w, h));

        // A picture its stream turns and stretches: saved upright at its
        // display aspect (320 x 180 at 3:2 samples is 480 x 180, turned).
        PictureFormat format;
        format.rotationCwDeg = 270;
        format.sarNum = 3;
        format.sarDen = 2;
        emit Window().engine()->sigPictureFormat(format);
        emit Window().engine()->sigYuv(reinterpret_cast<uchar*>(picture.data()), w, h, picture.size());
        emit Bar()->sigScreenShotBtnClicked();
        QTRY_COMPARE(QDir(folder).entryList({QStringLiteral("*.jpg")}).size(), 2);
        const QStringList both = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Time);
        QCOMPARE(QImage(folder + QLatin1Char('/') + both.first()).size(), QSize(180, 480));
    }

    void popupsTogglePlaceAndHideEachOther()
    {
        Window().resize(1200, 800);
        const int w = 1200, h = 800;
        emit Bar()->sigListBtnClicked();
        QVERIFY(Window().playList()->isVisible());
        QCOMPARE(Window().playList()->geometry(), QRect(w - w / 5, 40, w / 5, h - 140));
        emit Bar()->sigSettingBtnClicked();
        QVERIFY(!Window().playList()->isVisible());
        QCOMPARE(Window().settingPanel()->geometry(), QRect(w - 450 - 30, h - 320, 450, 220));
        emit Bar()->sigmodelBtnClicked();
        QVERIFY(!Window().settingPanel()->isVisible());
        QCOMPARE(Window().modeChooser()->pos(), QPoint(100, h - 229));
        emit Bar()->sigmultipleBtnClicked();
        QVERIFY(!Window().modeChooser()->isVisible());
        QCOMPARE(Window().speedChooser()->pos(), QPoint(w - 279, h - 189));
        emit Bar()->sigmultipleBtnClicked(); // its own toggle closes it
        QVERIFY(!Window().speedChooser()->isVisible());

        emit Bar()->sigListBtnClicked();
        Window().resize(1000, 700); // visible popups follow the window
        QCOMPARE(Window().playList()->geometry(), QRect(1000 - 200, 40, 200, 560));
        QCOMPARE(Bar()->geometry(), QRect(0, 600, 1000, 100));

        // A press on the picture closes the popups but not the import dialog.
        emit Window().playList()->sigShowImportWidget();
        QVERIFY(Window().importWidget()->isVisible());
        QCOMPARE(Window().importWidget()->geometry(), QRect((1000 - 470) / 2, (700 - 400) / 2, 470, 400));
        QTest::mousePress(Window().display(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QVERIFY(!Window().playList()->isVisible());
        QVERIFY(Window().importWidget()->isVisible());
    }

    void fullScreenAndEscape()
    {
        QWidget* title = Child(&Window(), "titleWidget");
        emit Bar()->sigIsFull();
        QVERIFY(Window().isFull());
        QVERIFY(Window().windowState().testFlag(Qt::WindowFullScreen));
        QVERIFY(!title->isVisible());
        QTest::keyClick(&Window(), Qt::Key_A); // other keys change nothing
        QVERIFY(Window().isFull());
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QVERIFY(!Window().isFull());
        QVERIFY(!Window().windowState().testFlag(Qt::WindowFullScreen));
        QVERIFY(title->isVisible());
        // Escape also leaves a maximized window.
        Click(&Window(), "maxBtn");
        QVERIFY(Window().windowState().testFlag(Qt::WindowMaximized));
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QVERIFY(!Window().windowState().testFlag(Qt::WindowMaximized));
        // The bar toggles back out of full screen too.
        emit Bar()->sigIsFull();
        emit Bar()->sigIsFull();
        QVERIFY(!Window().isFull());
        QTRY_COMPARE(Bar()->geometry(), QRect(0, Window().height() - 100, Window().width(), 100));
    }

    void barSlidesAwayInFullScreenAndBackOnMovement()
    {
        emit Bar()->sigIsFull();
        QTest::qWait(100); // the delayed re-layout on entering full screen
        Window().onFullTimeOut(); // what the 5 s timer does
        QVERIFY(Window().isBarHidden());
        QTRY_COMPARE(Bar()->pos(), QPoint(0, Window().height()));
        SendMouse(Window().display(), QEvent::MouseMove, QPoint(200, 200), Window().display()->mapToGlobal(QPoint(200, 200)),
                  Qt::NoButton);
        SendMouse(Window().display(), QEvent::MouseMove, QPoint(210, 200), Window().display()->mapToGlobal(QPoint(210, 200)),
                  Qt::NoButton);
        QVERIFY(!Window().isBarHidden());
        QTRY_COMPARE(Bar()->pos(), QPoint(0, Window().height() - 100));
    }

    void titleBarDragsAndMaximizesAtTheTop()
    {
        QWidget* title = Child(&Window(), "titleWidget");
        Window().move(100, 100);
        const QPoint grip(300, 10);
        SendMouse(title, QEvent::MouseButtonPress, grip, QPoint(400, 110));
        SendMouse(title, QEvent::MouseMove, grip, QPoint(600, 300));
        QTRY_COMPARE(Window().pos(), QPoint(600 - 300 - 5, 300 - 10 - 5));
        SendMouse(title, QEvent::MouseButtonRelease, grip, QPoint(600, 300));
        QVERIFY(!Window().windowState().testFlag(Qt::WindowMaximized));

        SendMouse(title, QEvent::MouseButtonPress, grip, QPoint(600, 300));
        SendMouse(title, QEvent::MouseMove, grip, QPoint(600, 12)); // at the top edge
        SendMouse(title, QEvent::MouseButtonRelease, grip, QPoint(600, 12));
        QVERIFY(Window().windowState().testFlag(Qt::WindowMaximized));
        Click(&Window(), "maxBtn");
        QVERIFY(!Window().windowState().testFlag(Qt::WindowMaximized));
    }

    void edgesResizeWithinTheMinimum()
    {
        Window().setGeometry(100, 100, 1000, 700);
        const QPoint rightEdge(998, 300);
        const QPoint global = Window().mapToGlobal(rightEdge);
        SendMouse(&Window(), QEvent::MouseMove, rightEdge, global, Qt::NoButton);
        QCOMPARE(Window().cursor().shape(), Qt::SizeHorCursor);
        SendMouse(&Window(), QEvent::MouseButtonPress, rightEdge, global);
        SendMouse(&Window(), QEvent::MouseMove, rightEdge + QPoint(60, 0), global + QPoint(60, 0));
        QCOMPARE(Window().width(), 1060);
        SendMouse(&Window(), QEvent::MouseMove, rightEdge - QPoint(400, 0), global - QPoint(400, 0));
        QCOMPARE(Window().width(), 1060); // 600 would be below the minimum
        SendMouse(&Window(), QEvent::MouseButtonRelease, rightEdge, global);
        QTRY_COMPARE(Window().cursor().shape(), Qt::ArrowCursor); // reset after 600 ms
    }

    void volumeSpeedModeListAndPlaceSurviveARestart()
    {
        Import(Missing(3));
        Window().playback()->SetVolume(30);
        Window().playback()->ToggleMute();
        Window().playback()->SetSpeed(2.0f);
        Window().playback()->SetPlayMode(2);
        Window().setGeometry(120, 140, 900, 650);
        Window().close(); // saves what it remembers
        m_window.reset();

        MainWindow next;
        next.RestoreState();
        QCOMPARE(next.fileList(), Missing(3));
        QCOMPARE(next.playList()->rowCount(), 3);
        QVERIFY(!next.importWidget()->isVisible());
        QCOMPARE(next.playback()->volume(), 30);
        QVERIFY(next.playback()->isMuted());
        QVERIFY(Child<QPushButton>(next.bottomWidget(), "soundBtn")
                    ->styleSheet()
                    .contains(QStringLiteral("bottom_icon_turn_off_sound_nor.png")));
        QCOMPARE(next.playback()->speed(), 2.0f);
        QCOMPARE(Child<QPushButton>(next.bottomWidget(), "multipleBtn")->text(), QStringLiteral("2X"));
        QCOMPARE(next.playMode(), 2);
        QCOMPARE(next.geometry().size(), QSize(900, 650));
        QCOMPARE(next.currentIndex(), -1); // nothing starts by itself
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).remove(QStringLiteral("Player"));
    }

    void sleepPausesAndWakeResumesWhatWasPlaying()
    {
        auto* power = Window().findChild<PowerEvents*>();
        QVERIFY(power);
        QSignalSpy paused(&Window(), &MainWindow::sigPausePreview);
        QSignalSpy resumed(&Window(), &MainWindow::sigContinuePreview);
        emit power->sigSuspend();
        QCOMPARE(paused.count(), 1);
        emit power->sigResume();
        QVERIFY(resumed.wait(15000));
        QVERIFY(!Window().isPlaying()); // nothing played before: nothing resumes
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
