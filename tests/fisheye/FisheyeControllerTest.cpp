// The context menu of the picture driving the view: a display widget with its
// controller, fed synthetic fisheye pictures as the main window feeds decoded
// ones, and the menu clicked as a user clicks it.
#include "FisheyeController.h"
#include "DisplayWidget.h"
#include "FisheyeCircleDialog.h"
#include "FisheyeHint.h"
#include "FisheyeMemory.h"
#include "FisheyeMenu.h"
#include "FisheyePicture.h"
#include "GLYuvWidget.h"
#include "MenuDriver.h"
#include "PaintArea.h"
#include "PanoRenderer.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <cmath>
#include <memory>

using namespace MenuDriver;

namespace
{

constexpr int kWidth = 960;
constexpr int kHeight = 720;
// The picture's fisheye circle.
constexpr double kCentreX = 470.0;
constexpr double kCentreY = 350.0;
constexpr double kRadius = 330.0;

const QString kFile = QStringLiteral("/media/fisheye-camera.mvr");

bool Near(double value, double truth)
{
    return std::fabs(value - truth) <= 0.01 * kRadius;
}

} // namespace

class FisheyeControllerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_window;
    DisplayWidget* m_display = nullptr;
    FisheyeController* m_controller = nullptr;

    GLYuvWidget* View() const { return m_display->View(); }
    PaintArea* Overlay() const { return View()->findChild<PaintArea*>(); }

    void Feed(const QByteArray& picture, int width, int height)
    {
        emit m_display->sigYuv(picture, uint(width), uint(height));
        QCoreApplication::processEvents();
    }

    void FeedFisheye()
    {
        Feed(FisheyePicture::Make(kWidth, kHeight, kCentreX, kCentreY, kRadius), kWidth, kHeight);
    }

    bool Choose(const char* action) { return ChooseOn(View(), action); }

    QMenu* OpenMenu()
    {
        QMenu* menu = OpenContextMenu(View());
        return menu == m_controller->Menu() ? menu : nullptr;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_window = std::make_unique<QWidget>();
        m_window->resize(800, 600);
        m_display = new DisplayWidget(m_window.get());
        m_display->setGeometry(m_window->rect());
        m_controller = new FisheyeController(m_display, m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_display->Start();
        m_controller->OpenFile(kFile);
    }

    void cleanup()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        m_window.reset();
    }

    void everyNewFileStartsOnThePlainPicture()
    {
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        QCOMPARE(m_controller->Choice().display, FisheyeChoice::Display::Plain);
        QVERIFY(!m_controller->Hint()->isVisible()); // nothing remembered for the file

        QVERIFY(Choose("zoomAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Zoomed);
        m_display->Start();
        m_controller->OpenFile(QStringLiteral("/media/another.mvr"));
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        QCOMPARE(m_controller->Choice().display, FisheyeChoice::Display::Plain);
    }

    void theSameFileAgainGoesOnInItsDisplay()
    {
        FeedFisheye();
        QTRY_VERIFY(View()->Renderer());
        QVERIFY(Choose("layoutAction6"));
        m_display->Start(); // a loop: the display puts the view back first
        m_controller->OpenFile(kFile);
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Dewarped);
        QCOMPARE(View()->Renderer()->CurrentMode(), 6);
        QVERIFY(!m_controller->Hint()->isVisible());

        QVERIFY(Choose("plainAction"));
        m_display->Start();
        m_controller->OpenFile(kFile);
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        QVERIFY(m_controller->Hint()->isVisible()); // the last fisheye choice, offered
    }

    void stretchToWindowIsAChoiceRemembered()
    {
        m_window->resize(1000, 600);
        m_display->setGeometry(m_window->rect());
        FeedFisheye();
        // A 4:3 picture in a wider window keeps its aspect: pillar-boxed.
        QVERIFY(View()->KeepsAspect());
        QCOMPARE(View()->PictureRect(), QRect(100, 0, 800, 600));
        QVERIFY(Choose("circleAction"));
        const QRect roundOutline = Overlay()->CircleRect();
        QVERIFY(std::abs(roundOutline.width() - roundOutline.height()) <= 1);

        QVERIFY(Choose("stretchAction"));
        QVERIFY(!View()->KeepsAspect());
        QCOMPARE(View()->PictureRect(), QRect(0, 0, 1000, 600));
        // The outline follows the stretched picture.
        QVERIFY(Overlay()->CircleRect().width() > Overlay()->CircleRect().height() + 50);
        QCOMPARE(QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
                     .value(QStringLiteral("VIDEO/StretchToWindow"))
                     .toBool(),
                 true);
        // The next start of the player stretches from the first picture.
        QWidget window;
        auto* display = new DisplayWidget(&window);
        auto* controller = new FisheyeController(display, &window);
        QVERIFY(!display->View()->KeepsAspect());
        QVERIFY(controller->Menu()->findChild<QAction*>(QStringLiteral("stretchAction"))->isChecked());

        QVERIFY(Choose("stretchAction"));
        QVERIFY(View()->KeepsAspect());
        QCOMPARE(QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
                     .value(QStringLiteral("VIDEO/StretchToWindow"))
                     .toBool(),
                 false);
    }

    void screenshotsShowTheViewAsDrawn()
    {
        FeedFisheye();
        // The plain picture: its own pixels.
        QCOMPARE(View()->GrabView().size(), QSize(kWidth, kHeight));
        // A dewarped layout: the view as drawn, at its size in device pixels.
        QTRY_VERIFY(View()->Renderer());
        QVERIFY(Choose("layoutAction1"));
        const QImage dewarped = View()->GrabView();
        QCOMPARE(dewarped.size(), (QSizeF(View()->size()) * View()->devicePixelRatioF()).toSize());
        // The perspective view fills the picture with the scene.
        int lit = 0;
        for (int y = 0; y < dewarped.height(); y += 8) {
            for (int x = 0; x < dewarped.width(); x += 8) {
                lit += qGray(dewarped.pixel(x, y)) > 20 ? 1 : 0;
            }
        }
        const int samples = (dewarped.width() / 8) * (dewarped.height() / 8);
        QVERIFY2(lit > samples / 2, qPrintable(QString::number(lit)));
    }

    void menuOffersWhatThePictureAllows()
    {
        QMenu* menu = OpenMenu();
        QVERIFY(menu);
        QVERIFY(m_controller->Menu()->DisplayAction(FisheyeChoice::Display::Plain)->isChecked());
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("detectAction"))->isEnabled());
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("setCircleAction"))->isEnabled());
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("restoreAction"))->isEnabled());
        QCOMPARE(menu->findChild<QAction*>(QStringLiteral("layoutAction12"))->text(),
                 FisheyeMenu::LayoutName(12));
        menu->close();

        FeedFisheye();
        menu = OpenMenu();
        QVERIFY(menu);
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("detectAction"))->isEnabled());
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("setCircleAction"))->isEnabled());
        menu->close();
    }

    void eachDisplayReachesTheView()
    {
        FeedFisheye();
        QVERIFY(Choose("circleAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        QVERIFY(Overlay() && Overlay()->IsCircleShown() && Overlay()->IsAssistLineOn());
        const FisheyeChoice found = m_controller->Choice();
        QVERIFY(m_controller->CircleWasDetected());
        QVERIFY(Near(found.circle.centreX, kCentreX) && Near(found.circle.centreY, kCentreY) &&
                Near(found.circle.radius, kRadius));
        QCOMPARE(found.mount, kPanoModeCeiling); // a whole circle

        QVERIFY(Choose("zoomAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Zoomed);
        QVERIFY(Overlay()->IsMaskOn());
        QVERIFY(!Overlay()->IsCircleShown());

        QVERIFY(Choose("plainAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        QVERIFY(!Overlay()->IsMaskOn() && !Overlay()->IsCircleShown());
    }

    void everyLayoutReachesTheRenderCore()
    {
        FeedFisheye();
        QTRY_VERIFY(View()->Renderer());
        for (int layout = ViewLayout::kModeCount - 1; layout >= 0; --layout) {
            const QByteArray action = "layoutAction" + QByteArray::number(layout);
            QVERIFY2(Choose(action.constData()), action.constData());
            QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Dewarped);
            QCOMPARE(View()->Renderer()->CurrentMode(), layout);
            QCOMPARE(m_controller->Choice().layout, layout);
            QMenu* menu = OpenMenu();
            QVERIFY(menu);
            QVERIFY(menu->findChild<QAction*>(QString::fromLatin1(action))->isChecked());
            QVERIFY(m_controller->Menu()->LayoutMenu()->menuAction()->isChecked());
            menu->close();
        }
    }

    void wallMountOffersItsLayoutsOnly()
    {
        FeedFisheye();
        QTRY_VERIFY(View()->Renderer());
        QVERIFY(Choose("layoutAction7"));
        QCOMPARE(View()->Renderer()->CurrentMode(), 7);
        QVERIFY(Choose("wallAction"));
        // The four views are not offered on a wall: the perspective view is.
        QCOMPARE(View()->Renderer()->CurrentMode(), int(ViewLayout::ViewPerspective));
        QCOMPARE(m_controller->Choice().mount, kPanoModeWall);
        View()->SelectViewMode(7); // the render core has the wall mount: refused
        QCOMPARE(View()->Renderer()->CurrentMode(), int(ViewLayout::ViewPerspective));
        QMenu* menu = OpenMenu();
        QVERIFY(menu);
        for (int layout = 0; layout < ViewLayout::kModeCount; ++layout) {
            QCOMPARE(m_controller->Menu()->LayoutAction(layout)->isEnabled(),
                     ViewLayout::AcceptsMount(layout, kPanoModeWall));
        }
        menu->close();
        QVERIFY(!Choose("layoutAction12"));
        QVERIFY(Choose("layoutAction13"));
        QCOMPARE(View()->Renderer()->CurrentMode(), 13);
        QVERIFY(Choose("ceilingAction"));
        QVERIFY(Choose("layoutAction12"));
        QCOMPARE(View()->Renderer()->CurrentMode(), 12);
    }

    void aCutCircleSuggestsAWallMount()
    {
        const int width = 1280;
        const int height = 720;
        Feed(FisheyePicture::Make(width, height, 640, 360, 500), width, height);
        QVERIFY(Choose("layoutAction1"));
        QCOMPARE(m_controller->Choice().mount, kPanoModeWall);
        QVERIFY(std::fabs(m_controller->Choice().circle.radius - 500) <= 5.0);
    }

    void aChoiceBeforeThePictureWaitsForIt()
    {
        QVERIFY(Choose("zoomAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Zoomed);
        QVERIFY(Near(m_controller->Choice().circle.radius, kRadius));
    }

    void withoutACircleTheCentredOneIsUsedAndSettingItOffered()
    {
        QByteArray grey(kWidth * kHeight * 3 / 2, char(128));
        Feed(grey, kWidth, kHeight);
        QVERIFY(Choose("zoomAction"));
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Zoomed);
        QVERIFY(!m_controller->CircleWasDetected());
        QCOMPARE(m_controller->Choice().circle.radius, kHeight / 2.0);
        QVERIFY(m_controller->Hint()->isVisible());
        m_controller->Hint()->findChild<QPushButton*>(QStringLiteral("actionBtn"))->click();
        QVERIFY(!m_controller->Hint()->isVisible());
        QVERIFY(m_controller->CircleDialog() && m_controller->CircleDialog()->isVisible());
        m_controller->CircleDialog()->reject();
    }

    void theDialogShowsTheCircleWhileItIsSet()
    {
        FeedFisheye();
        QVERIFY(Choose("setCircleAction"));
        FisheyeCircleDialog* dialog = m_controller->CircleDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(Overlay() && Overlay()->IsCircleShown()); // preview over the plain picture
        auto* radius = dialog->findChild<QSpinBox*>(QStringLiteral("radiusSpin"));
        QVERIFY(std::abs(radius->value() - int(kRadius)) <= 3);
        const QRect before = Overlay()->CircleRect();
        radius->setValue(200);
        QCOMPARE(m_controller->Choice().circle.radius, 200.0);
        QVERIFY(Overlay()->CircleRect().width() < before.width());

        dialog->findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click();
        QVERIFY(Near(m_controller->Choice().circle.radius, kRadius));
        QCOMPARE(m_controller->Choice().display, FisheyeChoice::Display::Plain);
        QVERIFY(!Overlay()->IsCircleShown());

        QVERIFY(Choose("layoutAction12"));
        QVERIFY(Choose("setCircleAction"));
        dialog = m_controller->CircleDialog();
        QVERIFY(dialog);
        dialog->findChild<QSpinBox*>(QStringLiteral("radiusSpin"))->setValue(300);
        dialog->findChild<QSpinBox*>(QStringLiteral("centreXSpin"))->setValue(480);
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Dewarped);
        dialog->findChild<QPushButton*>(QStringLiteral("confirmBtn"))->click();
        QCOMPARE(m_controller->Choice().circle.radius, 300.0);
        QCOMPARE(m_controller->Choice().circle.centreX, 480.0);
        QVERIFY(!m_controller->CircleWasDetected());
        QCOMPARE(FisheyeMemory::Recall(kFile)->circle.radius, 300.0);

        // Detection from the dialog puts the circle found back.
        QVERIFY(Choose("setCircleAction"));
        dialog = m_controller->CircleDialog();
        dialog->findChild<QPushButton*>(QStringLiteral("detectBtn"))->click();
        QVERIFY(std::abs(dialog->findChild<QSpinBox*>(QStringLiteral("radiusSpin"))->value() -
                         int(kRadius)) <= 3);
        dialog->findChild<QPushButton*>(QStringLiteral("confirmBtn"))->click();
        QVERIFY(Near(m_controller->Choice().circle.radius, kRadius));
    }

    void theLensIsSetBesideTheCircleAndRemembered()
    {
        FeedFisheye();
        QVERIFY(Choose("layoutAction1"));
        QCOMPARE(View()->Renderer()->Lens(), FisheyeLens());
        QVERIFY(Choose("setCircleAction"));
        FisheyeCircleDialog* dialog = m_controller->CircleDialog();
        QVERIFY(dialog);
        auto* projection = dialog->findChild<QComboBox*>(QStringLiteral("lensCombo"));
        auto* fov = dialog->findChild<QSpinBox*>(QStringLiteral("lensFovSpin"));
        QCOMPARE(projection->currentIndex(), int(FisheyeLens::Projection::Equidistant));
        QCOMPARE(fov->value(), 180);
        QCOMPARE(fov->minimum(), 120);
        QCOMPARE(fov->maximum(), 240);

        // Each edit reaches the dewarped display at once.
        projection->setCurrentIndex(int(FisheyeLens::Projection::Equisolid));
        fov->setValue(220);
        QCOMPARE(View()->Renderer()->Lens(),
                 FisheyeLens::Make(FisheyeLens::Projection::Equisolid, 220));
        // An orthographic lens sees 180 degrees at most.
        projection->setCurrentIndex(int(FisheyeLens::Projection::Orthographic));
        QCOMPARE(fov->maximum(), 180);
        QCOMPARE(View()->Renderer()->Lens(),
                 FisheyeLens::Make(FisheyeLens::Projection::Orthographic, 180));
        dialog->findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click();
        QCOMPARE(View()->Renderer()->Lens(), FisheyeLens());
        QCOMPARE(m_controller->Choice().lens, FisheyeLens());

        QVERIFY(Choose("setCircleAction"));
        dialog = m_controller->CircleDialog();
        dialog->findChild<QComboBox*>(QStringLiteral("lensCombo"))
            ->setCurrentIndex(int(FisheyeLens::Projection::Stereographic));
        dialog->findChild<QSpinBox*>(QStringLiteral("lensFovSpin"))->setValue(200);
        dialog->findChild<QPushButton*>(QStringLiteral("confirmBtn"))->click();
        const FisheyeLens chosen = FisheyeLens::Make(FisheyeLens::Projection::Stereographic, 200);
        QCOMPARE(m_controller->Choice().lens, chosen);
        QCOMPARE(FisheyeMemory::Recall(kFile)->lens, chosen);

        // Another file starts with the default lens; restoring brings the
        // remembered one back, and the dialog shows it.
        m_display->Start();
        m_controller->OpenFile(QStringLiteral("/media/other.mvr"));
        FeedFisheye();
        QVERIFY(Choose("layoutAction1"));
        QCOMPARE(View()->Renderer()->Lens(), FisheyeLens());
        m_display->Start();
        m_controller->OpenFile(kFile);
        FeedFisheye();
        m_controller->RestoreRemembered();
        QCOMPARE(View()->Renderer()->Lens(), chosen);
        QVERIFY(Choose("setCircleAction"));
        dialog = m_controller->CircleDialog();
        QCOMPARE(dialog->Lens(), chosen);
        dialog->reject();
    }

    void theLastChoiceIsOfferedNotForced()
    {
        FeedFisheye();
        QVERIFY(Choose("wallAction"));
        QVERIFY(Choose("layoutAction13"));
        QVERIFY(FisheyeMemory::Recall(kFile).has_value());

        m_display->Start();
        m_controller->OpenFile(QStringLiteral("/media/other.mvr"));
        m_display->Start();
        m_controller->OpenFile(kFile);
        FeedFisheye();
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);
        FisheyeHint* hint = m_controller->Hint();
        QVERIFY(hint->isVisible());
        QVERIFY(hint->Text().contains(FisheyeMenu::LayoutName(13)));
        QMenu* menu = OpenMenu();
        QVERIFY(menu && menu->findChild<QAction*>(QStringLiteral("restoreAction"))->isEnabled());
        menu->close();

        hint->findChild<QPushButton*>(QStringLiteral("actionBtn"))->click();
        QVERIFY(!hint->isVisible());
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Dewarped);
        QTRY_VERIFY(View()->Renderer());
        QCOMPARE(View()->Renderer()->CurrentMode(), 13);
        QCOMPARE(m_controller->Choice().mount, kPanoModeWall);

        // Another file: nothing to offer; closing the note leaves the picture.
        m_display->Start();
        m_controller->OpenFile(QStringLiteral("/media/other.mvr"));
        FeedFisheye();
        QVERIFY(!hint->isVisible());
        m_display->Start();
        m_controller->OpenFile(kFile);
        FeedFisheye();
        QVERIFY(hint->isVisible());
        hint->findChild<QPushButton*>(QStringLiteral("closeBtn"))->click();
        QVERIFY(!hint->isVisible());
        QCOMPARE(View()->State(), GLYuvWidget::DisplayState::Plain);

        // Choosing a fisheye display answers the offer.
        m_display->Start();
        m_controller->OpenFile(kFile);
        FeedFisheye();
        QVERIFY(hint->isVisible());
        QVERIFY(Choose("zoomAction"));
        QVERIFY(!hint->isVisible());
    }

    void englishTexts()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral("vorelplayer_en.qm"), QStringLiteral(VOREL_QM_DIR)));
        QCoreApplication::installTranslator(&english);
        FisheyeMenu menu;
        const auto text = [&menu](const char* name) {
            return menu.findChild<QAction*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("plainAction"), QStringLiteral("Plain picture"));
        QCOMPARE(text("zoomAction"), QStringLiteral("Zoom onto the circle"));
        QCOMPARE(text("circleAction"), QStringLiteral("Show the circle"));
        QCOMPARE(menu.LayoutMenu()->title(), QStringLiteral("Dewarped view"));
        QCOMPARE(text("layoutAction8"), QStringLiteral("Circle + 3 views"));
        QCOMPARE(text("layoutAction12"), QStringLiteral("Panorama"));
        QCOMPARE(text("wallAction"), QStringLiteral("Wall mount"));
        QCOMPARE(text("restoreAction"), QStringLiteral("Restore last fisheye view"));
        for (int layout = 0; layout < ViewLayout::kModeCount; ++layout) {
            QVERIFY(!FisheyeMenu::LayoutName(layout).contains(
                QRegularExpression(QStringLiteral("[^\\x{0}-\\x{7f}“”]"))));
        }
        FisheyeCircleDialog dialog;
        dialog.SetPicture(720, 576);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Fisheye circle"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("sizeLabel"))->text(),
                 QStringLiteral("Picture 720 × 576 pixels"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("detectBtn"))->text(),
                 QStringLiteral("Detect"));
        auto* lenses = dialog.findChild<QComboBox*>(QStringLiteral("lensCombo"));
        QCOMPARE(lenses->itemText(0), QStringLiteral("Equidistant"));
        QCOMPARE(lenses->itemText(1), QStringLiteral("Equisolid angle"));
        QCOMPARE(lenses->itemText(2), QStringLiteral("Stereographic"));
        QCOMPARE(lenses->itemText(3), QStringLiteral("Orthographic"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lensLabel"))->text(),
                 QStringLiteral("Lens projection"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lensFovLabel"))->text(),
                 QStringLiteral("Lens field of view"));

        FisheyeMemory::Remember(kFile, [] {
            FisheyeChoice choice;
            choice.display = FisheyeChoice::Display::Zoom;
            choice.circle = {360, 360, 360};
            choice.pictureWidth = choice.pictureHeight = 720;
            return choice;
        }());
        FisheyeController controller(m_display);
        controller.OpenFile(kFile);
        FeedFisheye();
        QCOMPARE(controller.Hint()->Text(),
                 QStringLiteral("Last time this file was shown as “Zoom onto the circle”"));
        QCOMPARE(controller.Hint()->ActionText(), QStringLiteral("Restore last fisheye view"));
        QCoreApplication::removeTranslator(&english);
    }
};

QTEST_MAIN(FisheyeControllerTest)
#include "FisheyeControllerTest.moc"
