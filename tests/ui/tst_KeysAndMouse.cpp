// The window's keys, double click, wheel, cursor and drops, driven through
// QTest on a window that plays real media.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "DisplayWidget.h"
#include "PlayBottomWidget.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlayerKeys.h"
#include "VolumeWidget.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QDir>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace MainWindowProbe;

namespace
{

const QString kMedia = QStringLiteral(VOREL_TEST_MEDIA);

QString Media(const char* name)
{
    return kMedia + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

class KeysAndMouseTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;
    std::unique_ptr<MainWindow> m_window;

    MainWindow& Window() { return *m_window; }
    PlaybackController* Control() { return m_window->playback(); }
    QPushButton* BarButton(const char* name)
    {
        return Child<QPushButton>(Window().bottomWidget(), name);
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&Window(), Qt::Key(key), modifiers);
    }

    // A file playing, with its length and a position reported.
    void PlayUntilPositioned(const QStringList& files)
    {
        Window().OpenFiles(files);
        QTRY_VERIFY_WITH_TIMEOUT(Control()->durationMs() > 0 && Control()->positionMs() > 0, 20000);
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
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void controlsNeverTakeTheFocus()
    {
        for (auto* button : Window().findChildren<QAbstractButton*>()) {
            QVERIFY2(button->focusPolicy() == Qt::NoFocus, qPrintable(button->objectName()));
        }
        for (auto* slider : Window().findChildren<QAbstractSlider*>()) {
            QVERIFY2(slider->focusPolicy() == Qt::NoFocus, qPrintable(slider->objectName()));
        }
        // After a click on "next", Space pauses instead of skipping again.
        Window().importWidget()->AddPaths({Media("av.mp4"), Media("av.mkv")});
        Window().importWidget()->onImportBtnclicked();
        QTest::mouseClick(BarButton("stateBtn"), Qt::LeftButton);
        QTest::mouseClick(BarButton("fastForwardBtn"), Qt::LeftButton);
        QCOMPARE(Window().currentIndex(), 1);
        QVERIFY(Window().isPlaying());
        Key(Qt::Key_Space);
        QCOMPARE(Window().currentIndex(), 1);
        QVERIFY(!Window().isPlaying());
    }

    void spaceStartsPausesAndResumes()
    {
        QSignalSpy started(&Window(), &MainWindow::sigStartSpliter);
        Key(Qt::Key_Space); // empty list: nothing happens
        QCOMPARE(started.count(), 0);
        Window().importWidget()->AddPaths({Media("av.mp4"), Media("av.mkv")});
        Window().importWidget()->onImportBtnclicked();
        Key(Qt::Key_Space); // nothing started: the first row plays
        QCOMPARE(started.count(), 1);
        QCOMPARE(Window().currentIndex(), 0);
        QVERIFY(Window().isPlaying());
        QVERIFY(
            BarButton("stateBtn")->styleSheet().contains(QStringLiteral("bottom_icon_play_nor")));
        Key(Qt::Key_Space);
        QVERIFY(!Window().isPlaying());
        QVERIFY(
            BarButton("stateBtn")->styleSheet().contains(QStringLiteral("bottom_icon_pause_nor")));
        Key(Qt::Key_Space);
        QVERIFY(Window().isPlaying());
        QCOMPARE(started.count(), 1);
    }

    void arrowsSeekAndSetTheVolumeAndMTogglesMute()
    {
        PlayUntilPositioned({Media("long.mkv")});
        QSignalSpy seeks(Control(), &PlaybackController::sigSeek);
        QSignalSpy volume(&Window(), &MainWindow::sigSetVolume);
        const int at = Control()->positionMs();
        Key(Qt::Key_Right);
        QCOMPARE(seeks.last().first().toInt(), at + PlayerKeys::kSeekStepMs);
        Key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(seeks.last().first().toInt(),
                 at + PlayerKeys::kSeekStepMs + PlayerKeys::kLongSeekStepMs);
        Key(Qt::Key_Left, Qt::ShiftModifier);
        Key(Qt::Key_Left);
        QCOMPARE(seeks.count(), 4);
        QVERIFY(seeks.last().first().toInt() <= at + 1000);

        Key(Qt::Key_Up);
        QCOMPARE(volume.last().first().toDouble(), 0.55);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        QCOMPARE(volume.last().first().toDouble(), 0.45);
        Key(Qt::Key_M);
        QCOMPARE(volume.last().first().toDouble(), 0.0);
        QVERIFY(BarButton("soundBtn")
                    ->styleSheet()
                    .contains(QStringLiteral("bottom_icon_turn_off_sound_nor")));
        Key(Qt::Key_M);
        QCOMPARE(volume.last().first().toDouble(), 0.45);
        QVERIFY(BarButton("soundBtn")
                    ->styleSheet()
                    .contains(QStringLiteral("bottom_icon_turn_on_sound_nor")));
        QCOMPARE(Window().volumeWidget()->volume(), 45);
    }

    void pagesSpeedScreenshotAndImportKeys()
    {
        PlayUntilPositioned({Media("av.mp4"), Media("av.mkv"), Media("video_only.mkv")});
        Key(Qt::Key_PageDown);
        QCOMPARE(Window().currentIndex(), 1);
        Key(Qt::Key_PageUp);
        Key(Qt::Key_PageUp);
        QCOMPARE(Window().currentIndex(), 2);

        QSignalSpy speed(&Window(), &MainWindow::sigSetMultiple);
        Key(Qt::Key_BracketRight);
        QCOMPARE(speed.last().first().toFloat(), 2.0f);
        QCOMPARE(BarButton("multipleBtn")->text(), QStringLiteral("2X"));
        Key(Qt::Key_BracketLeft);
        Key(Qt::Key_BracketLeft);
        QCOMPARE(speed.last().first().toFloat(), 0.5f);
        QCOMPARE(BarButton("multipleBtn")->text(), QStringLiteral("0.5X"));

        QTRY_COMPARE_WITH_TIMEOUT(Window().display()->CurrentPage(), DisplayWidget::Page::Video, 20000);
        const QDir shots(m_workDir.filePath(QStringLiteral("shots")));
        Key(Qt::Key_S);
        QTRY_COMPARE_WITH_TIMEOUT(shots.entryList({QStringLiteral("*.jpg")}).size(), 1, 20000);

        Window().importWidget()->hide();
        Key(Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Window().importWidget()->isVisible());
    }

    void fullScreenByKeyAndDoubleClickInBothDirections()
    {
        QWidget* picture = Window().display();
        Key(Qt::Key_F);
        QVERIFY(Window().isFull());
        Key(Qt::Key_Escape);
        QVERIFY(!Window().isFull());
        QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(Window().isFull());
        // Keys work in full screen too.
        QSignalSpy volume(&Window(), &MainWindow::sigSetVolume);
        Key(Qt::Key_Up);
        QCOMPARE(volume.count(), 1);
        QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(!Window().isFull());
        Key(Qt::Key_F);
        Key(Qt::Key_F);
        QVERIFY(!Window().isFull());
    }

    void wheelOverThePictureChangesTheVolume()
    {
        QSignalSpy volume(&Window(), &MainWindow::sigSetVolume);
        QWidget* picture = Window().display();
        const QPoint at(200, 200);
        QWheelEvent up(at, picture->mapToGlobal(at), QPoint(),
                       QPoint(0, 2 * MainWindow::kWheelNotch), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture, &up);
        QCOMPARE(volume.last().first().toDouble(), 0.6);
        QWheelEvent down(at, picture->mapToGlobal(at), QPoint(),
                         QPoint(0, -MainWindow::kWheelNotch), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture, &down);
        QCOMPARE(volume.last().first().toDouble(), 0.55);
    }

    void cursorHidesOverAPlayingPictureInFullScreen()
    {
        QWidget* picture = Window().display();
        PlayUntilPositioned({Media("long.mkv")});
        Key(Qt::Key_F);
        QTRY_COMPARE_WITH_TIMEOUT(picture->cursor().shape(), Qt::BlankCursor, 10000);
        SendMouse(picture, QEvent::MouseMove, QPoint(300, 300),
                  picture->mapToGlobal(QPoint(300, 300)), Qt::NoButton);
        QCOMPARE(picture->cursor().shape(), Qt::ArrowCursor);
        QTRY_COMPARE_WITH_TIMEOUT(picture->cursor().shape(), Qt::BlankCursor, 10000);
        // Paused, the cursor stays.
        Key(Qt::Key_Space);
        QCOMPARE(picture->cursor().shape(), Qt::ArrowCursor);
        SendMouse(picture, QEvent::MouseMove, QPoint(310, 300),
                  picture->mapToGlobal(QPoint(310, 300)), Qt::NoButton);
        QTest::qWait(MainWindow::kCursorHideMs + 500);
        QCOMPARE(picture->cursor().shape(), Qt::ArrowCursor);
        Key(Qt::Key_Escape);
    }

    void filesDroppedAnywhereAreImportedAndPlayed()
    {
        auto drop = [this](QWidget* target, const QStringList& paths) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& path : paths) {
                urls << QUrl::fromLocalFile(path);
            }
            data.setUrls(urls);
            const QPoint at(target->width() / 2, target->height() / 3);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&Window(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&Window(), &dropped);
        };
        // Upper-case suffixes are media too; a text file is not.
        const QString upper = m_workDir.filePath(QStringLiteral("CLIP.MP4"));
        QVERIFY(QFile::copy(Media("av.mp4"), upper));
        const QString text = m_workDir.filePath(QStringLiteral("notes.txt"));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a video\n");
        notes.close();
        drop(Window().display(), {text, upper, Media("av.mkv")});
        QCOMPARE(Window().fileList(), (QVector<QString>{upper, Media("av.mkv")}));
        QCOMPARE(Window().currentIndex(), 0);
        QVERIFY(Window().isPlaying());
        QCOMPARE(Window().playList()->rowCount(), 2);
        drop(Window().bottomWidget(), {Media("av.mkv")}); // already listed: played, not added
        QCOMPARE(Window().fileList().size(), 2);
        QCOMPARE(Window().currentIndex(), 1);
    }
};

QTEST_MAIN(KeysAndMouseTest)
#include "tst_KeysAndMouse.moc"
