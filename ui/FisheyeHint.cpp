#include "FisheyeHint.h"

#include "PictureOverlay.h"
#include "ui_FisheyeHint.h"

#include <QEvent>

FisheyeHint::FisheyeHint(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::FisheyeHint>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    // Shown over the picture.
    PictureOverlay::Lift(this);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &FisheyeHint::Withdraw);
    connect(ui->closeBtn, &QPushButton::clicked, this, &FisheyeHint::Withdraw);
    connect(ui->actionBtn, &QPushButton::clicked, this, [this] {
        Withdraw();
        emit sigActionClicked();
    });
    parent->installEventFilter(this);
    hide();
}

FisheyeHint::~FisheyeHint() = default;

void FisheyeHint::Offer(const QString& text, const QString& actionText)
{
    ui->textLabel->setText(text);
    ui->actionBtn->setText(actionText);
    adjustSize();
    Place();
    raise();
    show();
    m_hideTimer.start(kShownMs);
}

void FisheyeHint::Withdraw()
{
    m_hideTimer.stop();
    hide();
}

QString FisheyeHint::Text() const
{
    return ui->textLabel->text();
}

QString FisheyeHint::ActionText() const
{
    return ui->actionBtn->text();
}

void FisheyeHint::Place()
{
    move((parentWidget()->width() - width()) / 2, kTopMarginPx);
}

bool FisheyeHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        Place();
    }
    return QWidget::eventFilter(watched, event);
}
