#include "FisheyeCircleDialog.h"
#include "ui_FisheyeCircleDialog.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

FisheyeCircleDialog::FisheyeCircleDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FisheyeCircleDialog>())
{
    ui->setupUi(this);
    for (QSpinBox* spin : {ui->centreXSpin, ui->centreYSpin, ui->radiusSpin}) {
        connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &FisheyeCircleDialog::OnSpinValueChanged);
    }
    connect(ui->lensCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &FisheyeCircleDialog::OnLensChanged);
    connect(ui->lensFovSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &FisheyeCircleDialog::OnLensChanged);
    connect(ui->detectBtn, &QPushButton::clicked, this, &FisheyeCircleDialog::sigDetectClicked);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &FisheyeCircleDialog::reject);
    connect(ui->confirmBtn, &QPushButton::clicked, this, &FisheyeCircleDialog::accept);
}

FisheyeCircleDialog::~FisheyeCircleDialog() = default;

void FisheyeCircleDialog::SetPicture(int width, int height)
{
    const QSignalBlocker blockX(ui->centreXSpin);
    const QSignalBlocker blockY(ui->centreYSpin);
    const QSignalBlocker blockR(ui->radiusSpin);
    ui->centreXSpin->setRange(0, width);
    ui->centreYSpin->setRange(0, height);
    ui->radiusSpin->setRange(1, width + height);
    ui->sizeLabel->setText(tr("画面 %1 × %2 像素").arg(width).arg(height));
}

void FisheyeCircleDialog::SetCircle(const FisheyeCircle& circle)
{
    const QSignalBlocker blockX(ui->centreXSpin);
    const QSignalBlocker blockY(ui->centreYSpin);
    const QSignalBlocker blockR(ui->radiusSpin);
    ui->centreXSpin->setValue(static_cast<int>(std::lround(circle.centreX)));
    ui->centreYSpin->setValue(static_cast<int>(std::lround(circle.centreY)));
    ui->radiusSpin->setValue(static_cast<int>(std::lround(circle.radius)));
    ui->statusLabel->clear();
}

FisheyeCircle FisheyeCircleDialog::Circle() const
{
    return {static_cast<double>(ui->centreXSpin->value()),
            static_cast<double>(ui->centreYSpin->value()),
            static_cast<double>(ui->radiusSpin->value())};
}

void FisheyeCircleDialog::SetLens(const FisheyeLens& lens)
{
    const QSignalBlocker blockProjection(ui->lensCombo);
    const QSignalBlocker blockFov(ui->lensFovSpin);
    // The combo box lists the projections in the order of their enumeration.
    ui->lensCombo->setCurrentIndex(static_cast<int>(lens.projection));
    LimitFov();
    ui->lensFovSpin->setValue(static_cast<int>(std::lround(lens.fovDegrees)));
}

FisheyeLens FisheyeCircleDialog::Lens() const
{
    const int index = std::max(ui->lensCombo->currentIndex(), 0);
    return FisheyeLens::Make(static_cast<FisheyeLens::Projection>(index),
                             static_cast<double>(ui->lensFovSpin->value()));
}

void FisheyeCircleDialog::LimitFov()
{
    const FisheyeLens::Projection projection =
        static_cast<FisheyeLens::Projection>(std::max(ui->lensCombo->currentIndex(), 0));
    ui->lensFovSpin->setMaximum(static_cast<int>(FisheyeLens::MaxFovDegrees(projection)));
}

void FisheyeCircleDialog::OnLensChanged()
{
    {
        // An orthographic lens lowers the field of view to 180 degrees at
        // most: one edit, reported once.
        const QSignalBlocker blockFov(ui->lensFovSpin);
        LimitFov();
    }
    emit sigLensEdited();
}

void FisheyeCircleDialog::ShowNotFound()
{
    ui->statusLabel->setText(tr("未找到鱼眼圆"));
}

void FisheyeCircleDialog::OnSpinValueChanged()
{
    ui->statusLabel->clear();
    emit sigCircleEdited();
}
