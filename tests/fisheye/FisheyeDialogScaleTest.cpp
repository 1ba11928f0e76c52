// The circle dialog on a screen of any device pixel ratio: run as it is and
// with QT_SCALE_FACTOR 1.5 and 2. The dialog is opened from the picture's
// menu and driven by typing and by clicks on its arrows; the circle it sets
// is outlined over the picture exactly where the picture's own circle is
// drawn, and what it stores is in picture pixels whatever the ratio.
#include "DisplayWidget.h"
#include "FisheyeCircleDialog.h"
#include "FisheyeController.h"
#include "FisheyeMemory.h"
#include "FisheyePicture.h"
#include "GLYuvWidget.h"
#include "MenuDriver.h"
#include "PaintArea.h"

#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace MenuDriver;

namespace
{

// A 4:3 picture in a wider window: the picture is pillarboxed, and its
// circle lies off the picture's centre.
constexpr int kWidth = 960;
constexpr int kHeight = 720;
constexpr int kCentreX = 470;
constexpr int kCentreY = 350;
constexpr int kRadius = 330;
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 400;

const QString kFile = QStringLiteral("/media/fisheye-scaled.mvr");

// Bounding box of the pixels that pass a test, in the image's own pixels.
template <typename Test> QRect PixelBox(const QImage& image, Test test)
{
    int left = image.width();
    int top = image.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (test(row[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

bool IsPicture(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 20;
}

// The outline's yellow line.
bool IsOutline(QRgb pixel)
{
    return qRed(pixel) > 180 && qGreen(pixel) > 180 && qBlue(pixel) < 100;
}

// Where a picture-pixel circle lies in the view's device pixels, given the
// picture's own circle as drawn.
struct PictureMapping {
    double scale;
    double left;
    double top;

    QRectF Circle(double centreX, double centreY, double radius) const
    {
        return QRectF(left + (centreX - radius) * scale, top + (centreY - radius) * scale,
                      2.0 * radius * scale, 2.0 * radius * scale);
    }
};

} // namespace

class FisheyeDialogScaleTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_window;
    DisplayWidget* m_display = nullptr;
    FisheyeController* m_controller = nullptr;
    double m_ratio = 1.0;

    GLYuvWidget* View() const { return m_display->View(); }
    PaintArea* Overlay() const { return View()->findChild<PaintArea*>(); }

    // The view as shown, in device pixels.
    QImage Grab() const
    {
        QCoreApplication::processEvents();
        return View()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    }

    FisheyeCircleDialog* OpenDialog()
    {
        if (!m_controller->CircleDialog()) {
            if (!ChooseOn(View(), "setCircleAction")) {
                return nullptr;
            }
        }
        FisheyeCircleDialog* dialog = m_controller->CircleDialog();
        if (!dialog || !QTest::qWaitForWindowExposed(dialog)) {
            return nullptr;
        }
        // Typing needs the dialog's focus.
        dialog->activateWindow();
        return QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }

    // The picture's circle as the GL view draws it, with the outline hidden.
    bool MeasurePicture(PictureMapping& mapping)
    {
        Overlay()->hide();
        const QImage picture = Grab();
        Overlay()->show();
        const QRect disc = PixelBox(picture, IsPicture);
        if (disc.isEmpty()) {
            return false;
        }
        mapping.scale = (disc.width() + disc.height()) / (4.0 * kRadius);
        mapping.left = disc.left() - (kCentreX - kRadius) * mapping.scale;
        mapping.top = disc.top() - (kCentreY - kRadius) * mapping.scale;
        return true;
    }

    // The outline is placed in whole view pixels (its side truncated, its
    // rectangle ending on its last pixel), so it may fall up to two view
    // pixels short of the circle, plus a device pixel of its own line.
    bool OutlineFits(const QRect& outline, const QRectF& circle, QString& why) const
    {
        const double slack = 2.0 * m_ratio + 1.0;
        const bool fits = std::fabs(outline.left() - circle.left()) <= slack &&
                          std::fabs(outline.top() - circle.top()) <= slack &&
                          std::fabs(outline.right() + 1 - circle.right()) <= slack &&
                          std::fabs(outline.bottom() + 1 - circle.bottom()) <= slack;
        why = QStringLiteral("outline %1,%2 %3x%4 against circle %5,%6 %7x%8")
                  .arg(outline.left())
                  .arg(outline.top())
                  .arg(outline.width())
                  .arg(outline.height())
                  .arg(circle.left())
                  .arg(circle.top())
                  .arg(circle.width())
                  .arg(circle.height());
        return fits;
    }

    static QPoint UpArrow(QSpinBox* spin)
    {
        QStyleOptionSpinBox option;
        option.initFrom(spin);
        option.rect = spin->rect();
        option.subControls = QStyle::SC_All;
        option.buttonSymbols = spin->buttonSymbols();
        option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
        option.frame = spin->hasFrame();
        return spin->style()
            ->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spin)
            .center();
    }

    // Types a value and moves on with Tab, which commits it (Return would
    // also press the dialog's default button).
    static void Type(QSpinBox* spin, int value)
    {
        // The commit needs the focus, which a window of another test on the
        // shared display may have taken meanwhile.
        spin->window()->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(spin->window()));
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, QString::number(value));
        QTest::keyClick(spin, Qt::Key_Tab);
    }

private slots:
    void initTestCase()
    {
        bool given = false;
        const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&given);
        m_ratio = given && factor > 0.0 ? factor : 1.0;
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_window = std::make_unique<QWidget>();
        m_window->resize(kWindowWidth, kWindowHeight);
        m_display = new DisplayWidget(m_window.get());
        m_display->setGeometry(m_window->rect());
        m_controller = new FisheyeController(m_display, m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_display->Start();
        m_controller->OpenFile(kFile);
        emit m_display->sigYuv(FisheyePicture::Make(kWidth, kHeight, kCentreX, kCentreY, kRadius),
                               uint(kWidth), uint(kHeight));
        QCoreApplication::processEvents();
    }

    void cleanup()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        m_window.reset();
    }

    void theOutlineLiesOnThePictureAndStoresPicturePixels()
    {
        QCOMPARE(View()->devicePixelRatioF(), m_ratio);
        if (FisheyeCircleDialog* offered = m_controller->CircleDialog()) {
            offered->reject();
        }
        QVERIFY(ChooseOn(View(), "circleAction"));
        FisheyeCircleDialog* dialog = OpenDialog();
        QVERIFY(dialog);
        auto* centreX = dialog->findChild<QSpinBox*>(QStringLiteral("centreXSpin"));
        auto* centreY = dialog->findChild<QSpinBox*>(QStringLiteral("centreYSpin"));
        auto* radius = dialog->findChild<QSpinBox*>(QStringLiteral("radiusSpin"));
        QVERIFY(centreX && centreY && radius);
        // Found in the picture, in picture pixels.
        dialog->findChild<QPushButton*>(QStringLiteral("detectBtn"))->click();
        QVERIFY(std::abs(centreX->value() - kCentreX) <= 3);
        QVERIFY(std::abs(centreY->value() - kCentreY) <= 3);
        QVERIFY(std::abs(radius->value() - kRadius) <= 3);
        QVERIFY(Overlay() && Overlay()->IsCircleShown());

        PictureMapping mapping{};
        QVERIFY(MeasurePicture(mapping));
        // The picture fills the view's height: its scale is the ratio's.
        const double expectedScale = m_ratio * kWindowHeight / kHeight;
        QVERIFY2(std::fabs(mapping.scale - expectedScale) < 0.01 * expectedScale,
                 qPrintable(QStringLiteral("%1 against %2").arg(mapping.scale).arg(expectedScale)));

        // Typed values, then a click on an arrow.
        Type(centreX, 500);
        Type(centreY, 330);
        Type(radius, 250);
        QCOMPARE(centreX->value(), 500);
        QCOMPARE(centreY->value(), 330);
        QCOMPARE(radius->value(), 250);
        QTest::mouseClick(radius, Qt::LeftButton, Qt::NoModifier, UpArrow(radius));
        QCOMPARE(radius->value(), 251);
        const FisheyeCircle edited = m_controller->Choice().circle;
        QCOMPARE(edited.centreX, 500.0);
        QCOMPARE(edited.centreY, 330.0);
        QCOMPARE(edited.radius, 251.0);

        QString why;
        const QRect outline = PixelBox(Grab(), IsOutline);
        QVERIFY2(OutlineFits(outline, mapping.Circle(500, 330, 251), why), qPrintable(why));

        dialog->findChild<QPushButton*>(QStringLiteral("confirmBtn"))->click();
        const FisheyeCircle stored = FisheyeMemory::Recall(kFile)->circle;
        QCOMPARE(stored.centreX, 500.0);
        QCOMPARE(stored.centreY, 330.0);
        QCOMPARE(stored.radius, 251.0);
        // The outline stays where the dialog left it.
        QVERIFY2(OutlineFits(PixelBox(Grab(), IsOutline), mapping.Circle(500, 330, 251), why),
                 qPrintable(why));
    }
};

QTEST_MAIN(FisheyeDialogScaleTest)
#include "FisheyeDialogScaleTest.moc"
