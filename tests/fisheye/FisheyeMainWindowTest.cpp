// The main window playing the fisheye demo recording, driven through the
// picture's context menu: every choice reaches the view, the popups, control
// bar and full screen keep working, and the last choice is offered when the
// file is opened again. Saves one picture of the window per display and
// layout into the build tree.
#include "MainWindow.h"

#include "CModelBase.h"
#include "DisplayWidget.h"
#include "FisheyeController.h"
#include "FisheyeHint.h"
#include "FisheyeMenu.h"
#include "GLYuvWidget.h"
#include "MenuDriver.h"
#include "PanoRenderer.h"
#include "PlayBottomWidget.h"
#include "PlaybackController.h"
#include "PlayListWidget.h"
#include "PlayerKeys.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace MenuDriver;

namespace
{

const QString kRecording = QStringLiteral(VOREL_DEMO_MEDIA "/fisheye.mvr");
const QString kShots = QStringLiteral(VOREL_FISHEYE_SHOTS);
// The recording's lens circle: centred in its 720 x 720 pictures.
constexpr double kCircleCentre = 360.0;
constexpr double kCircleRadius = 360.0;
constexpr int kSettleMs = 400;

// Whether the picture area of a grabbed window shows coloured pixels.
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

class FisheyeMainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

    static GLYuvWidget* View(MainWindow& window) { return window.display()->View(); }

    static bool StartRecording(MainWindow& window, const QStringList& files = {kRecording})
    {
        window.resize(1040, 739);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
        window.OpenFiles(files);
        return QTest::qWaitFor(
            [&window] { return window.display()->CurrentPage() == DisplayWidget::Page::Video; },
            20000);
    }

    static QRect PictureArea(MainWindow& window)
    {
        return window.display()->geometry().adjusted(0, 0, 0, -MainWindow::kBarHeightPx);
    }

    // Lets the display settle (the dewarped views ease into place), waits for
    // the picture to show and saves the window into the build tree.
    // The window as the screen shows it: the picture is drawn into a native
    // window of its own, which only the screen composes with the rest.
    static QImage ScreenShot(MainWindow& window)
    {
        return window.screen()->grabWindow(window.winId()).toImage();
    }

    static bool SaveShot(MainWindow& window, const QString& name)
    {
        QTest::qWait(kSettleMs);
        QImage shot;
        const bool shown = QTest::qWaitFor(
            [&] { return ShowsPicture(shot = ScreenShot(window), PictureArea(window)); },
            10000);
        return shown && shot.save(kShots + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        QVERIFY(QDir().mkpath(kShots));
        QVERIFY2(QFileInfo(kRecording).isFile(), qPrintable(kRecording));
    }

    void rightPressHidesThePopupsAndOpensTheMenu()
    {
        MainWindow window;
        QVERIFY(StartRecording(window));
        window.onListBtnClicked();
        QVERIFY(window.playList()->isVisible());
        QMenu* menu = OpenContextMenu(View(window));
        QVERIFY(!window.playList()->isVisible());
        QCOMPARE(menu, window.fisheye()->Menu());
        QVERIFY(
            window.fisheye()->Menu()->DisplayAction(FisheyeChoice::Display::Plain)->isChecked());
        menu->close();
        QCOMPARE(View(window)->State(),
                 GLYuvWidget::DisplayState::Plain); // the menu alone changes nothing
    }

    void everyDisplayOfTheDemoRecording()
    {
        MainWindow window;
        QVERIFY(StartRecording(window));
        emit window.bottomWidget()
            ->sigstateBtnclicked(); // paused: the picture stays for the pictures
        QVERIFY(!window.isPlaying());
        QVERIFY(SaveShot(window, QStringLiteral("fisheye-plain")));

        QVERIFY(ChooseOn(View(window), "zoomAction"));
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Zoomed);
        const FisheyeCircle circle = window.fisheye()->Choice().circle;
        QVERIFY(window.fisheye()->CircleWasDetected());
        QVERIFY(std::fabs(circle.centreX - kCircleCentre) <= 0.01 * kCircleRadius);
        QVERIFY(std::fabs(circle.centreY - kCircleCentre) <= 0.01 * kCircleRadius);
        QVERIFY(std::fabs(circle.radius - kCircleRadius) <= 0.01 * kCircleRadius);
        QVERIFY(SaveShot(window, QStringLiteral("fisheye-zoom")));
        QVERIFY(ChooseOn(View(window), "circleAction"));
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Plain);
        QVERIFY(SaveShot(window, QStringLiteral("fisheye-circle")));

        QVERIFY(View(window)->Renderer());
        for (int layout = 0; layout < ViewLayout::kModeCount; ++layout) {
            const QByteArray action = "layoutAction" + QByteArray::number(layout);
            QVERIFY2(ChooseOn(View(window), action.constData()), action.constData());
            QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Dewarped);
            QCOMPARE(View(window)->Renderer()->CurrentMode(), layout);
            QVERIFY2(
                SaveShot(window,
                         QStringLiteral("fisheye-layout-%1").arg(layout, 2, 10, QLatin1Char('0'))),
                action.constData());
        }
        QVERIFY(ChooseOn(View(window), "plainAction"));
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Plain);
    }

    void controlsKeepWorkingWhileDewarped()
    {
        MainWindow window;
        QVERIFY(StartRecording(window));
        QVERIFY(ChooseOn(View(window), "layoutAction12"));
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Dewarped);

        // Pictures keep arriving: the position moves on.
        auto* slider = window.bottomWidget()->findChild<QSlider*>(QStringLiteral("progressSlider"));
        const int before = slider->value();
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > before, 10000);
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(!window.isPlaying());
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(window.isPlaying());

        window.onListBtnClicked();
        QVERIFY(window.playList()->isVisible());
        window.onListBtnClicked();
        QVERIFY(!window.playList()->isVisible());

        emit window.bottomWidget()->sigIsFull();
        QVERIFY(window.isFull());
        QTRY_VERIFY(window.isFullScreen());
        QVERIFY(ChooseOn(View(window), "layoutAction8"));
        QCOMPARE(View(window)->Renderer()->CurrentMode(), 8);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isFull());
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Dewarped);
        QCOMPARE(View(window)->Renderer()->CurrentMode(), 8);
    }

    void keysSteerTheDewarpedViews()
    {
        MainWindow window;
        QVERIFY(StartRecording(window));
        QVERIFY(ChooseOn(View(window), "layoutAction7"));
        PanoRenderer* renderer = View(window)->Renderer();
        QCOMPARE(renderer->CurrentMode(), 7);
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(!window.isPlaying());
        auto* slider = window.bottomWidget()->findChild<QSlider*>(QStringLiteral("progressSlider"));
        const int position = slider->value();
        const int volume = window.playback()->volume();

        // The pointer rests over the lower right view: the keys steer it.
        const QSize size = View(window)->size();
        QTest::mouseMove(View(window), QPoint(size.width() * 3 / 4, size.height() * 3 / 4));
        const CModelBase* steered = renderer->Slot(3).model;
        const CModelBase* other = renderer->Slot(0).model;
        const auto angles = [](const CModelBase* model) {
            float pan = 0.0f;
            float tilt = 0.0f;
            model->GetAngles(pan, tilt);
            return QPointF(pan, tilt);
        };
        QTRY_VERIFY(renderer->IsAtRest());
        const QPointF start = angles(steered);
        const QPointF otherStart = angles(other);
        QTest::keyClick(&window, Qt::Key_Right);
        QTRY_VERIFY(std::abs(angles(steered).x() - start.x()) > 1.0);
        QTest::keyClick(&window, Qt::Key_Up);
        QTRY_VERIFY(std::abs(angles(steered).y() - start.y()) > 1.0);
        const float fov = steered->Fov();
        QTest::keyClick(&window, Qt::Key_Plus);
        QTRY_VERIFY(steered->Fov() < fov);
        QCOMPARE(angles(other), otherStart);
        // No seek (a picture on its way at the pause may still move it a
        // little), and no volume change.
        QVERIFY(std::abs(slider->value() - position) < PlayerKeys::kSeekStepMs / 2);
        QCOMPARE(window.playback()->volume(), volume);

        // Tab moves the selection, and the keys with it.
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(renderer->Slot(0).model->IsSelected());
        QTest::keyClick(&window, Qt::Key_Left);
        QTRY_VERIFY(angles(other) != otherStart);

        // Seeking moved to Ctrl+Left/Right; the other keys keep theirs.
        QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > position + PlayerKeys::kSeekStepMs / 2, 10000);
        QTest::keyClick(&window, Qt::Key_F);
        QVERIFY(window.isFull());
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isFull());
    }

    void reopeningTheFileOffersTheLastChoice()
    {
        // A second copy is another file, with nothing to offer.
        const QString copy = m_workDir.path() + QStringLiteral("/fisheye-copy.mvr");
        QVERIFY(QFile::copy(kRecording, copy));
        MainWindow window;
        QVERIFY(StartRecording(window, {kRecording, copy}));
        QVERIFY(ChooseOn(View(window), "layoutAction9"));
        window.ShowVideo(1);
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Plain);
        QTRY_VERIFY_WITH_TIMEOUT(window.display()->CurrentPage() == DisplayWidget::Page::Video,
                                 20000);
        QVERIFY(!window.fisheye()->Hint()->isVisible());
        window.ShowVideo(0);
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Plain);
        FisheyeHint* hint = window.fisheye()->Hint();
        QTRY_VERIFY_WITH_TIMEOUT(hint->isVisible(), 20000);
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Plain); // offered, not forced
        QVERIFY(hint->Text().contains(FisheyeMenu::LayoutName(9)));
        QVERIFY(SaveShot(window, QStringLiteral("fisheye-restore-offer")));
        QTest::mouseClick(hint->findChild<QPushButton*>(QStringLiteral("actionBtn")),
                          Qt::LeftButton);
        QCOMPARE(View(window)->State(), GLYuvWidget::DisplayState::Dewarped);
        QCOMPARE(View(window)->Renderer()->CurrentMode(), 9);
    }
};

QTEST_MAIN(FisheyeMainWindowTest)
#include "FisheyeMainWindowTest.moc"
