#pragma once

#include "FisheyeCircle.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class FisheyeCircleDialog;
}

// Sets the fisheye circle by hand: centre and radius in picture pixels, with
// a button asking for automatic detection. It reports every edit at once, so
// that the caller can show the circle while it is being set; the caller
// decides what OK and Cancel mean.
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
    // Says that detection found no circle, until the next circle is shown.
    void ShowNotFound();

signals:
    void sigCircleEdited();
    void sigDetectClicked();

private:
    void OnSpinValueChanged();

    std::unique_ptr<Ui::FisheyeCircleDialog> ui;
};
