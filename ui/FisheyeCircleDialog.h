#pragma once

#include "FisheyeCircle.h"
#include "FisheyeLens.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class FisheyeCircleDialog;
}

// Sets the fisheye circle by hand: centre and radius in picture pixels, with
// a button asking for automatic detection, and beside it the lens that
// recorded the picture: its projection and field of view (whole degrees, 120
// to 240, at most 180 for an orthographic lens). It reports every edit at
// once, so that the caller can show the circle and the lens while they are
// being set; the caller decides what OK and Cancel mean.
//
// Threads: GUI thread only.
class FisheyeCircleDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FisheyeCircleDialog(QWidget* parent = nullptr);
    ~FisheyeCircleDialog() override;

    // The picture the circle belongs to: the ranges of the three values (the
    // centre within the picture, the radius up to the picture's width plus
    // height).
    void SetPicture(int width, int height);
    // Shows a circle (rounded to whole pixels) without reporting an edit.
    void SetCircle(const FisheyeCircle& circle);
    FisheyeCircle Circle() const;
    // Shows a lens without reporting an edit.
    void SetLens(const FisheyeLens& lens);
    FisheyeLens Lens() const;
    // Says that detection found no circle, until the next circle is shown.
    void ShowNotFound();

signals:
    void sigCircleEdited();
    void sigLensEdited();
    void sigDetectClicked();

private:
    void OnSpinValueChanged();
    void OnLensChanged();
    // The field of view's range for the chosen projection.
    void LimitFov();

    std::unique_ptr<Ui::FisheyeCircleDialog> ui;
};
