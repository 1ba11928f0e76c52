// The main window's sound and subtitle tracks on a black clip with two of
// each: the picture's menu offers them, the keys V, J and # work, a switch of
// the sound keeps the position, the text shows inside the picture's area on
// screen, and the next file follows the languages chosen.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "AppSettings.h"
#include "DisplayWidget.h"
#include "FisheyeController.h"
#include "FisheyeMenu.h"
#include "GLYuvWidget.h"
#include "PlayBottomWidget.h"
#include "TrackController.h"

#include <QDir>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

using namespace MainWindowProbe;

namespace {

const QString kTracks = QStringLiteral(VOREL_TEST_MEDIA "/tracks.mkv");

// Bright pixels in `rect` of the window as the screen shows it.
int BrightPixels(MainWindow& window, const QRect& rect)
{
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); y += 2)
        for (int x = rect.left(); x <= rect.right(); x += 2)
            count += qGray(shot.pixel(x, y)) > 160;
    return count;
}

// The picture's area in window coordinates.
QRect PictureArea(MainWindow& window)
{
    GLYuvWidget* view = window.display()->View();
    const QRect area = view->PictureRect();
    return QRect(view->mapTo(&window, area.topLeft()), area.size());
}

int SliderMs(MainWindow& window)
{
    return Child<QSlider>(window.bottomWidget(), "progressSlider")->value();
}

} // namespace

class MainWindowTracksTest : public QObject
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

    void menuAndKeysChooseTheTracks()
    {
        const QString shots = m_workDir.filePath(QStringLiteral("shots"));
        AppSettings::SetValue(AppSettings::kPictureFolder, shots);
        MainWindow window;
        window.resize(960, 640);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.OpenFiles({kTracks});
        TrackController* tracks = window.tracks();
        QTRY_COMPARE_WITH_TIMEOUT(tracks->Tracks().size(), 4, 20000);
        QTRY_COMPARE(tracks->ShownSubtitle(), 1);
        QCOMPARE(tracks->PlayingAudio(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(SliderMs(window) > 500, 20000);

        // The text lies in the lower part of the picture, nothing above it.
        const QRect picture = PictureArea(window);
        const QRect lower(picture.left(), picture.top() + picture.height() * 3 / 4,
                          picture.width(), picture.height() / 4);
        const QRect upper(picture.left(), picture.top(), picture.width(), picture.height() / 2);
        QTRY_VERIFY(BrightPixels(window, lower) > 50);
        QCOMPARE(BrightPixels(window, upper), 0);
        // A screenshot has them too, at the picture's own resolution.
        QTest::keyClick(&window, Qt::Key_S);
        QTRY_COMPARE(QDir(shots).entryList({QStringLiteral("*.jpg")}).size(), 1);
        const QImage shot(QDir(shots).filePath(QDir(shots).entryList({"*.jpg"}).first()));
        QCOMPARE(shot.size(), QSize(320, 240));
        int lowerText = 0;
        int upperText = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                (y < 120 ? upperText : lowerText) += qGray(shot.pixel(x, y)) > 160;
        QVERIFY2(lowerText > 50 && upperText == 0,
                 qPrintable(QStringLiteral("%1 %2").arg(lowerText).arg(upperText)));

        // The menu lists both kinds, with Off and the loading of a file.
        FisheyeMenu* menu = window.fisheye()->Menu();
        emit menu->aboutToShow();
        for (const char* name : {"audioTrack1", "audioTrack2", "subtitleTrack1", "subtitleTrack2",
                                 "subtitlesOff", "loadSubtitles"})
            QVERIFY2(menu->findChild<QAction*>(QLatin1String(name)), name);
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("subtitleTrack1"))->isChecked());
        menu->findChild<QAction*>(QStringLiteral("subtitleTrack2"))->trigger();
        QTRY_COMPARE(tracks->ShownSubtitle(), 2);

        // J: the next track, then off (remembered), then the first again.
        QTest::keyClick(&window, Qt::Key_J);
        QTRY_COMPARE(tracks->ShownSubtitle(), 0);
        QCOMPARE(AppSettings::Value(AppSettings::kSubtitleLanguage).toString(), QStringLiteral("no"));
        QTRY_COMPARE(BrightPixels(window, lower), 0);
        QTest::keyClick(&window, Qt::Key_J);
        QTRY_COMPARE(tracks->ShownSubtitle(), 1);
        QTRY_VERIFY(BrightPixels(window, lower) > 50);

        // V hides and shows the subtitles without changing the track.
        QTest::keyClick(&window, Qt::Key_V);
        QVERIFY(!tracks->SubtitlesVisible());
        QTRY_COMPARE(BrightPixels(window, lower), 0);
        QTest::keyClick(&window, Qt::Key_V);
        QVERIFY(tracks->SubtitlesVisible());
        QCOMPARE(tracks->ShownSubtitle(), 1);

        // #: the other sound track, from where the playback is.
        const int beforeMs = SliderMs(window);
        QTest::keyClick(&window, Qt::Key_NumberSign);
        QTRY_COMPARE(tracks->PlayingAudio(), 2);
        QCOMPARE(AppSettings::Value(AppSettings::kAudioLanguage).toString(), QStringLiteral("fre"));
        QTest::qWait(500);
        QVERIFY2(SliderMs(window) >= beforeMs - 300, qPrintable(QString::number(SliderMs(window))));
    }

    void nextFileFollowsTheLanguagesChosen()
    {
        AppSettings::SetValue(AppSettings::kAudioLanguage, QStringLiteral("fre"));
        AppSettings::SetValue(AppSettings::kSubtitleLanguage, QStringLiteral("chi"));
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.OpenFiles({kTracks});
        TrackController* tracks = window.tracks();
        QTRY_COMPARE_WITH_TIMEOUT(tracks->Tracks().size(), 4, 20000);
        QTRY_COMPARE(tracks->ShownSubtitle(), 2);
        QCOMPARE(tracks->PlayingAudio(), 2);
    }
};

QTEST_MAIN(MainWindowTracksTest)
#include "tst_MainWindowTracks.moc"
