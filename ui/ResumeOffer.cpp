#include "ResumeOffer.h"

#include "PictureOverlay.h"
#include "ui_ResumeOffer.h"

#include "PlayBottomWidget.h"

#include <QEvent>

ResumeOffer::ResumeOffer(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::ResumeOffer>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    // Shown over the picture.
    PictureOverlay::Lift(this);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &ResumeOffer::Withdraw);
    connect(ui->closeBtn, &QPushButton::clicked, this, &ResumeOffer::Withdraw);
    connect(ui->resumeBtn, &QPushButton::clicked, this, [this] {
        Withdraw();
        emit sigAccepted();
    });
    parent->installEventFilter(this);
    hide();
}

ResumeOffer::~ResumeOffer() = default;

void ResumeOffer::Offer(int positionMs)
{
    ui->textLabel->setText(tr("上次播放到 %1").arg(PlayBottomWidget::TimeText(positionMs)));
    adjustSize();
    Place();
    raise();
    show();
    m_hideTimer.start(kShownMs);
}

void ResumeOffer::Withdraw()
{
    m_hideTimer.stop();
    hide();
}

QString ResumeOffer::Text() const
{
    return ui->textLabel->text();
}

QString ResumeOffer::ActionText() const
{
    return ui->resumeBtn->text();
}

void ResumeOffer::Place()
{
    move(kLeftMarginPx, parentWidget()->height() - height() - kBottomMarginPx);
}

bool ResumeOffer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        Place();
    }
    return QWidget::eventFilter(watched, event);
}
