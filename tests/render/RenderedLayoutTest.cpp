// Every layout drawn by the view from the synthetic fisheye picture and read
// back: each slot shows picture content, and each slot drawn alone stays
// inside its rectangle, with a border exactly where its view has one.

#include "CModelBase.h"
#include "DewarpView.h"
#include "PanoRenderer.h"
#include "ViewLayout.h"

#include <QtTest>

#include <set>

namespace {

constexpr int kViewWidth = 480;
constexpr int kViewHeight = 360;
// Share of a slot's inner pixels that must show the picture. The emptiest
// views (the flat circle in a wide slot, the cylinder) show well over a third.
constexpr double kMinContent = 0.25;
// Pixels left out at a slot's edges, where borders are drawn.
constexpr int kInset = 3;
// Models whose views draw a border (the perspective sub-views, the double
// panorama and the strip under the two perspectives).
const std::set<int> kBordered = {2,  3,  9,  10, 11, 12, 13, 14, 16, 17,
                                 18, 20, 21, 22, 23, 24, 26, 28, 29, 30};

bool IsBorderColour(QRgb pixel)
{
    // (0.133, 0.165, 0.255) or, for the selected view, (0.090, 0.584, 1.0).
    const auto near = [pixel](int r, int g, int b) {
        return qAbs(qRed(pixel) - r) <= 6 && qAbs(qGreen(pixel) - g) <= 6 && qAbs(qBlue(pixel) - b) <= 6;
    };
    return near(34, 42, 65) || near(23, 149, 255);
}

// Share of a rectangle's edge pixels showing the border colour, allowing the
// line to fall one pixel inside.
double BorderShare(const QImage& image, const QRect& rect)
{
    int edge = 0;
    int bordered = 0;
    const auto visit = [&](int x, int y, int inX, int inY) {
        ++edge;
        bordered += IsBorderColour(image.pixel(x, y)) || IsBorderColour(image.pixel(x + inX, y + inY)) ? 1 : 0;
    };
    for (int x = rect.left() + 2; x <= rect.right() - 2; ++x) {
        visit(x, rect.top(), 0, 1);
        visit(x, rect.bottom(), 0, -1);
    }
    for (int y = rect.top() + 2; y <= rect.bottom() - 2; ++y) {
        visit(rect.left(), y, 1, 0);
        visit(rect.right(), y, -1, 0);
    }
    return double(bordered) / edge;
}

int ModelIndex(const PanoRenderer& renderer, const CModelBase* model)
{
    for (int i = 0; i < PanoRenderer::kModelCount; ++i) {
        if (renderer.Model(i) == model) {
            return i;
        }
    }
    return -1;
}

} // namespace

class RenderedLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void everySlotShowsThePicture_data();
    void everySlotShowsThePicture();
    void switchingLayoutsRefillsTheBuffers();
};

void RenderedLayoutTest::everySlotShowsThePicture_data()
{
    QTest::addColumn<int>("mode");
    for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
        QTest::newRow(qPrintable(QStringLiteral("mode %1").arg(mode))) << mode;
    }
}

void RenderedLayoutTest::everySlotShowsThePicture()
{
    QFETCH(int, mode);
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    view->SelectViewMode(mode);
    PanoRenderer* renderer = view->Renderer();
    QVERIFY(renderer);
    QImage image;
    for (int paint = 0; paint < 3; ++paint) {
        image = DewarpView::Paint(*view);
    }
    QCOMPARE(renderer->CurrentMode(), mode);
    const int count = renderer->SlotCount();
    QCOMPARE(count, ViewLayout::SlotCount(mode));
    // Slots are drawn at the framebuffer's resolution (device pixels).
    const QSize size = image.size();
    QCOMPARE(size, QSize(kViewWidth, kViewHeight) * view->devicePixelRatioF());
    for (int i = 0; i < count; ++i) {
        const QRect inner = DewarpView::SlotPixels(renderer->Slot(i), size).adjusted(kInset, kInset, -kInset, -kInset);
        const double share = DewarpView::ContentShare(image, inner);
        QVERIFY2(share > kMinContent, qPrintable(QStringLiteral("slot %1 shows %2").arg(i).arg(share)));
    }
    // Each slot alone: the others stopped draw nothing.
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            if (j != i) {
                renderer->Slot(j).model->Stop();
            }
        }
        const QImage alone = DewarpView::Paint(*view);
        const QRect rect = DewarpView::SlotPixels(renderer->Slot(i), size);
        QCOMPARE(DewarpView::CountOutside(alone, rect), 0);
        QVERIFY(DewarpView::ContentShare(alone, rect.adjusted(kInset, kInset, -kInset, -kInset)) > kMinContent);
        const int model = ModelIndex(*renderer, renderer->Slot(i).model);
        const double border = BorderShare(alone, rect);
        if (kBordered.count(model) > 0) {
            QVERIFY2(border > 0.9, qPrintable(QStringLiteral("model %1 border %2").arg(model).arg(border)));
        } else {
            QVERIFY2(border < 0.1, qPrintable(QStringLiteral("model %1 border %2").arg(model).arg(border)));
        }
        for (int j = 0; j < count; ++j) {
            if (j != i) {
                renderer->Slot(j).model->Start();
            }
        }
    }
}

// One view through every layout and back: the GPU buffers follow each
// layout's mesh (the expansions' meshes are larger, the rectangle's tiny).
void RenderedLayoutTest::switchingLayoutsRefillsTheBuffers()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    PanoRenderer* renderer = view->Renderer();
    QVERIFY(renderer);
    QList<int> modes;
    for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
        modes << mode;
    }
    for (int mode = ViewLayout::kModeCount - 1; mode >= 0; --mode) {
        modes << mode;
    }
    for (int mode : modes) {
        view->SelectViewMode(mode);
        DewarpView::Paint(*view);
        const QImage image = DewarpView::Paint(*view);
        for (int i = 0; i < renderer->SlotCount(); ++i) {
            const QRect inner = DewarpView::SlotPixels(renderer->Slot(i), image.size())
                                    .adjusted(kInset, kInset, -kInset, -kInset);
            QVERIFY2(DewarpView::ContentShare(image, inner) > kMinContent,
                     qPrintable(QStringLiteral("mode %1 slot %2").arg(mode).arg(i)));
        }
    }
}

QTEST_MAIN(RenderedLayoutTest)
#include "RenderedLayoutTest.moc"
