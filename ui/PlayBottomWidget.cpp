#include "PlayBottomWidget.h"
#include "ui_PlayBottomWidget.h"

#include "AppSettings.h"
#include "VolumeWidget.h"
#include "VorelResources.h"

namespace {
const char* const kModeImages[] = {"bottom_icon_loop", "bottom_icon_only", "bottom_icon_random", "bottom_icon_off"};
}

PlayBottomWidget::PlayBottomWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::PlayBottomWidget>())
{
    VorelResourcesInit();
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    SetToolTips();
    const struct { QPushButton* button; const char* base; } images[] = {
        {ui->stateBtn, "bottom_icon_pause"}, {ui->rollbackBtn, "bottom_icon_up"},
        {ui->fastForwardBtn, "bottom_icon_down"}, {ui->modelBtn, "bottom_icon_loop"},
        {ui->screenshotBtn, "bottom_icon_printscreen"}, {ui->videoBtn, "bottom_icon_record"},
        {ui->soundBtn, "bottom_icon_turn_on_sound"}, {ui->settingBtn, "bottom_icon_set"},
        {ui->playerListBtn, "bottom_icon_sort"}, {ui->fullBtn, "bottom_icon_lessen"}};
    for (const auto& image : images) {
        image.button->setStyleSheet(ButtonStyle(QString::fromLatin1(image.base)));
    }
    ui->multipleBtn->setStyleSheet(QStringLiteral(
        "QPushButton{color: rgb(255, 255, 255);background: transparent;font-size: 14px;border: none;}"
        "QPushButton:hover{color: rgb(90, 130, 242);}"
        "QPushButton:pressed{color: rgb(62, 107, 236);}"));
    ConnectButtons();
    ui->videoBtn->hide();
    ui->progressSlider->setEnabled(false);
}

PlayBottomWidget::~PlayBottomWidget()
{
}

QString PlayBottomWidget::ButtonStyle(const QString& base)
{
    return QStringLiteral("QPushButton{image:url(:/img/%1_nor.png);background: transparent;border: none;}"
                          "QPushButton:hover{image:url(:/img/%1_pre.png);background: transparent;}"
                          "QPushButton:pressed{image:url(:/img/%1_pre.png);background: transparent;}")
        .arg(base);
}

void PlayBottomWidget::SetToolTips()
{
    const bool english = AppSettings::ToolTipsAreEnglish();
    const struct { QPushButton* button; const char* en; const char* zh; } tips[] = {
        {ui->stateBtn, "Start/Stop", "播放/停止"}, {ui->rollbackBtn, "Prev", "上一个"},
        {ui->fastForwardBtn, "Next", "下一个"}, {ui->modelBtn, "Mode", "模式"},
        {ui->screenshotBtn, "Screenshot", "截图"}, {ui->videoBtn, "Video", "录像"},
        {ui->soundBtn, "Sound", "声音"}, {ui->settingBtn, "Setting", "设置"},
        {ui->playerListBtn, "Playlist", "播放列表"}, {ui->fullBtn, "Full/Exit Full", "全屏/退出全屏"}};
    for (const auto& tip : tips) {
        tip.button->setToolTip(english ? QString::fromUtf8(tip.en) : QString::fromUtf8(tip.zh));
    }
}

void PlayBottomWidget::ConnectButtons()
{
    connect(ui->stateBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigstateBtnclicked);
    connect(ui->rollbackBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigRollbackBtnClicked);
    connect(ui->fastForwardBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigFastForwardBtnClicked);
    connect(ui->modelBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigmodelBtnClicked);
    connect(ui->screenshotBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigScreenShotBtnClicked);
    connect(ui->videoBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigvideoBtnClicked);
    connect(ui->multipleBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigmultipleBtnClicked);
    connect(ui->soundBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigSoundBtnClicked);
    connect(ui->settingBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigSettingBtnClicked);
    connect(ui->playerListBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigListBtnClicked);
    connect(ui->fullBtn, &QPushButton::clicked, this, &PlayBottomWidget::sigIsFull);
    connect(ui->progressSlider, &PlaySliderBar::sigSentCurrentTime, this, &PlayBottomWidget::sigSentCurrentTime);
}

QString PlayBottomWidget::TimeText(int ms)
{
    const int minutes = ms / 60000;
    const int seconds = (ms / 1000) % 60;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
}

void PlayBottomWidget::setSliderLength(int len)
{
    ui->progressSlider->setOrientation(Qt::Horizontal);
    ui->progressSlider->setRange(0, len);
    ui->progressSlider->setValue(0);
    ui->label->setText(TimeText(len));
}

void PlayBottomWidget::sigSetLengthing(int len)
{
    ui->progressSlider->setValue(len);
    ui->label_2->setText(TimeText(len));
    ui->progressSlider->setEnabled(true);
}

void PlayBottomWidget::ResetTime()
{
    ui->progressSlider->setValue(0);
    ui->progressSlider->setEnabled(false);
    ui->label_2->setText(QStringLiteral("00:00"));
    ui->label->setText(QStringLiteral("00:00"));
}

void PlayBottomWidget::ShowState(PlayState state)
{
    ui->stateBtn->setStyleSheet(
        ButtonStyle(state == PlayState::Playing ? QStringLiteral("bottom_icon_play") : QStringLiteral("bottom_icon_pause")));
}

void PlayBottomWidget::ShowSound(Sound sound)
{
    ui->soundBtn->setStyleSheet(ButtonStyle(sound == Sound::On ? QStringLiteral("bottom_icon_turn_on_sound")
                                                               : QStringLiteral("bottom_icon_turn_off_sound")));
}

void PlayBottomWidget::setModelBtn(int mode)
{
    if (mode < 0 || mode > 3) {
        return;
    }
    ui->modelBtn->setStyleSheet(ButtonStyle(QString::fromLatin1(kModeImages[mode])));
}

void PlayBottomWidget::SetSpeedText(const QString& text)
{
    ui->multipleBtn->setText(text);
}

void PlayBottomWidget::PlaceVolume(int barTop)
{
    if (!m_volume) {
        return;
    }
    const QRect sound = ui->soundBtn->geometry();
    const QPoint soundInBar = ui->soundBtn->mapTo(this, QPoint(0, 0));
    const int x = soundInBar.x() + sound.width() / 2 - m_volume->width() / 2;
    const int y = barTop + soundInBar.y() - m_volume->height() - 35;
    m_volume->move(x, y);
    m_volume->raise();
    m_volume->show();
}
