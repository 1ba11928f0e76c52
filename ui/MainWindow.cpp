#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "FisheyeChoice.h"
#include "MediaKind.h"
#include "AppSettings.h"
#include "AudioOut.h"
#include "DisplayWidget.h"
#include "FisheyeController.h"
#include "FisheyeMenu.h"
#include "PictureGeometry.h"
#include "TrackController.h"
#include "MprisService.h"
#include "MsgBox.h"
#include "MultipleWidget.h"
#include "PlayBottomWidget.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlayModelWidget.h"
#include "PlayOrder.h"
#include "PlaySetting.h"
#include "PowerEvents.h"
#include "RecordHint.h"
#include "ResumeOffer.h"
#include "GLYuvWidget.h"
#include "Linguist.h"
#include "ScreenshotSaver.h"
#include "ScreenshotSucHint.h"
#include "ScreenshotWriter.h"
#include "VolumeWidget.h"
#include "WindowChrome.h"
#include "WindowPopups.h"
#include "VorelResources.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

namespace {
constexpr int kRelayoutDelayMs = 5;
using Popup = WindowPopups::Popup;
}

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::MainWindow>())
{
    VorelResourcesInit();
    ui->setupUi(this);
    m_display = ui->MainShowWidget;
    m_pictures.Attach(m_display);
    setWindowIcon(QIcon(QStringLiteral(":/img/logo.png")));
    ui->label_7->setText(QStringLiteral("VorelPlayer V1.0"));
    ui->label_6->setText(QStringLiteral("VorelPlayer V1.0.0"));
    installEventFilter(this);
    ui->MainShowWidget->installEventFilter(this);
    ui->widget->installEventFilter(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    CreateChildren();
    ConnectSignals();
    PlayerKeys::KeepOutOfFocus(this);
    PlayerKeys::Bind(
        this, [this] { return m_fisheye->KeyContext(); },
        [this](PlayerKeys::Action action) { OnKey(action); });
    for (QWidget* tracked : {static_cast<QWidget*>(ui->titleWidget), static_cast<QWidget*>(ui->MainShowWidget),
                             static_cast<QWidget*>(ui->widget), static_cast<QWidget*>(this)}) {
        tracked->setAttribute(Qt::WA_MouseTracking);
    }
    // No drop shadow on "widget": it fills the window, so its shadow would
    // lie outside the window, and a graphics effect over the OpenGL display
    // leaves parts of the translucent control bar unpainted when a popup
    // closes.
    ui->label_7->hide();
}

MainWindow::~MainWindow()
{
    qDebug() << __LINE__ << "MainWindow::~MainWindow";
    // Joins every engine thread before any member goes: the presenter calls
    // OnEngineYuv (the picture hand-off, the display) and the engine thread
    // reads the path buffer, both declared after or beside the engine.
    m_engine.Shutdown();
}

void MainWindow::CreateChildren()
{
    const bool chinese = AppSettings::InterfaceIsChinese();
    ui->closeBtn->setToolTip(chinese ? QStringLiteral("关闭") : QStringLiteral("Close"));
    ui->maxBtn->setToolTip(chinese ? QStringLiteral("最大化") : QStringLiteral("Max"));
    ui->minBtn->setToolTip(chinese ? QStringLiteral("最小化") : QStringLiteral("Min"));

    m_screenshots = new ScreenshotSaver(this);
    connect(m_screenshots, &ScreenshotSaver::sigSaved, this, &MainWindow::OnScreenshotSaved);
    m_setting = new PlaySetting(this);
    m_setting->hide();
    m_picFolder = m_setting->pictureFolder();
    m_videoFolder = m_setting->videoFolder();

    m_bottom = new PlayBottomWidget(this);
    m_bottom->resize(width(), kBarHeightPx);
    m_bottom->move(0, height() - kBarHeightPx);
    m_bottom->show();
    m_volume = new VolumeWidget(this);
    m_bottom->SetVolumeWidget(m_volume);
    m_barAnimation.setTargetObject(m_bottom);
    m_barAnimation.setPropertyName("pos");
    m_barAnimation.setEasingCurve(QEasingCurve::OutCubic);

    m_playList = new PlayListWidget(this);
    m_playList->hide();
    m_barTimer = new QTimer(this);
    m_chrome = new WindowChrome(this, ui->titleWidget, ui->maxBtn);
    m_cursorHideTimer = new QTimer(this);
    m_cursorHideTimer->setSingleShot(true);
    m_cursorHideTimer->setInterval(kCursorHideMs);
    m_playback = new PlaybackController(this);
    m_mpris = new MprisService(m_playback, this);
    m_modeChooser = new PlayModelWidget(this);
    m_modeChooser->hide();
    m_speedChooser = new MultipleWidget(this);
    m_speedChooser->hide();
    m_import = new PlayImportWidget(this);
    m_popups = new WindowPopups(
        this, {m_playList, m_import, m_setting, m_modeChooser, m_speedChooser, m_volume, m_bottom});
    m_popups->Show(Popup::Import);
    m_power = new PowerEvents(this);
    m_fisheye = new FisheyeController(m_display, this);
    m_fisheye->SetPlaybackTimes([this] {
        return FisheyeController::PlaybackTimes{m_playback->positionMs(), m_playback->durationMs()};
    });
    m_resumeOffer = new ResumeOffer(m_display);
    m_tracks = new TrackController(m_engine, m_playback, m_display->View(), this);
    m_tracks->AddMenus(m_fisheye->Menu());
}

void MainWindow::ConnectSignals()
{
    connect(m_barTimer, &QTimer::timeout, this, &MainWindow::onFullTimeOut);
    connect(m_cursorHideTimer, &QTimer::timeout, this, &MainWindow::HideCursorOverPicture);
    connect(ui->closeBtn, &QPushButton::clicked, this, &MainWindow::CloseFromButton);
    connect(ui->minBtn, &QPushButton::clicked, this, &MainWindow::showMinimized);
    connect(ui->maxBtn, &QPushButton::clicked, m_chrome, &WindowChrome::ToggleMaximized);
    connect(m_chrome, &WindowChrome::sigFullScreenChanged, this, &MainWindow::OnFullScreenChanged);
    connect(m_power, &PowerEvents::sigSuspend, m_playback, &PlaybackController::PauseForSleep);
    connect(m_power, &PowerEvents::sigSuspend, this, &MainWindow::sigPausePreview);
    connect(m_power, &PowerEvents::sigResume, m_playback, &PlaybackController::ResumeAfterWake);
    connect(m_playback, &PlaybackController::sigAwake, this, &MainWindow::sigContinuePreview);
    ConnectBar();
    ConnectChoosers();
    ConnectPanels();
    ConnectEngine();
    ConnectPlayback();
}

void MainWindow::ConnectBar()
{
    connect(m_bottom, &PlayBottomWidget::sigIsFull, this, &MainWindow::ToggleFullScreen);
    connect(m_bottom, &PlayBottomWidget::sigListBtnClicked, this, &MainWindow::onListBtnClicked);
    connect(m_bottom, &PlayBottomWidget::sigSettingBtnClicked, this, &MainWindow::onSettingClicked);
    connect(m_bottom, &PlayBottomWidget::sigScreenShotBtnClicked, this, &MainWindow::onScreenShotBtnClicked);
    connect(m_bottom, &PlayBottomWidget::sigstateBtnclicked, this,
            [this] { m_playback->TogglePlay(m_playList->currentRow()); });
    connect(m_bottom, &PlayBottomWidget::sigSentCurrentTime, m_playback, &PlaybackController::Seek);
    connect(m_bottom, &PlayBottomWidget::sigRollbackBtnClicked, m_playback, &PlaybackController::Previous);
    connect(m_bottom, &PlayBottomWidget::sigFastForwardBtnClicked, m_playback, &PlaybackController::Next);
    connect(m_volume, &VolumeWidget::sigVolumeChange, m_playback, &PlaybackController::SetVolume);
    connect(m_bottom, &PlayBottomWidget::sigSoundBtnClicked, this, [this] { m_popups->Toggle(Popup::Volume); });
    connect(m_bottom, &PlayBottomWidget::sigmodelBtnClicked, this, [this] { m_popups->Toggle(Popup::Mode); });
    connect(m_bottom, &PlayBottomWidget::sigmultipleBtnClicked, this, [this] { m_popups->Toggle(Popup::Speed); });
    connect(m_bottom, &PlayBottomWidget::sigvideoBtnClicked, this, &MainWindow::OnRecordToggled);
}

void MainWindow::ConnectChoosers()
{
    const struct { void (PlayModelWidget::*chosen)(); int mode; } modes[] = {
        {&PlayModelWidget::sigAutobtnClicked, PlayOrder::AutoPlay},
        {&PlayModelWidget::sigSinglebtnClicked, PlayOrder::SinglePlay},
        {&PlayModelWidget::sigRandombtnbtnClicked, PlayOrder::RandomPlay},
        {&PlayModelWidget::sigStopbtnbtnClicked, PlayOrder::StopPlay}};
    for (const auto& entry : modes) {
        const int mode = entry.mode;
        connect(m_modeChooser, entry.chosen, this, [this, mode] {
            m_popups->Hide({Popup::Mode});
            m_playback->SetPlayMode(mode);
        });
    }
    const struct { void (MultipleWidget::*chosen)(); float multiple; } speeds[] = {
        {&MultipleWidget::sigshalfbtnClicked, 0.5f},
        {&MultipleWidget::sigs1btnClicked, 1.0f},
        {&MultipleWidget::sigs2btnClicked, 2.0f}};
    for (const auto& entry : speeds) {
        const float multiple = entry.multiple;
        connect(m_speedChooser, entry.chosen, this, [this, multiple] {
            m_popups->Hide({Popup::Speed});
            m_playback->SetSpeed(multiple);
        });
    }
}

void MainWindow::ConnectPanels()
{
    connect(m_playList, &PlayListWidget::sigShowImportWidget, this, &MainWindow::ShowImportWidget);
    connect(this, &MainWindow::sigAddFile, m_playList, &PlayListWidget::onAddFile);
    connect(m_playList, &PlayListWidget::sigShowVideo, this, &MainWindow::ShowVideo);
    connect(m_playList, &PlayListWidget::sigDeleteRow, m_playback, &PlaybackController::RemoveRow);
    connect(m_import, &PlayImportWidget::sigHideImportWidget, this, [this] { m_popups->Hide({Popup::Import}); });
    connect(m_import, &PlayImportWidget::sigSendFileList, this, [this](const QVector<QString>& list) {
        m_popups->MarkHidden(Popup::Import);
        m_playback->SetFiles(list);
    });
    connect(m_setting, &PlaySetting::sigsetPicPatch, this, &MainWindow::setPicPatch);
    connect(m_setting, &PlaySetting::sigsetVideoPatch, this, &MainWindow::setVideoPatch);
    connect(m_setting, &PlaySetting::sigStopPlay, this, &MainWindow::Restart);
}

void MainWindow::ConnectEngine()
{
    connect(this, &MainWindow::sigStartSpliter, &m_engine, &PlaySpliterSystem::StartSpliter);
    connect(&m_engine, &PlaySpliterSystem::sigSendMessage, m_playback, &PlaybackController::OnEngineMessage);
    // Thread-safe on the engine's side, and must act on the running playback
    // (whose thread is busy in StartSpliter), so it is called directly.
    connect(this, &MainWindow::sigSetMultiple, &m_engine, &PlaySpliterSystem::setMultiple, Qt::DirectConnection);
    connect(&m_engine, &PlaySpliterSystem::sigYuv, this, &MainWindow::OnEngineYuv, Qt::DirectConnection);
    connect(&m_engine, &PlaySpliterSystem::sigPictureFormat, this, &MainWindow::OnEnginePictureFormat,
            Qt::DirectConnection);
    connect(this, &MainWindow::sigSetVolume, m_engine.audioOut(), &AudioOut::SetVolume);
    connect(&m_engine, &PlaySpliterSystem::sigSetSliderLength, m_bottom, &PlayBottomWidget::setSliderLength);
    connect(&m_engine, &PlaySpliterSystem::sigSetLengthing, m_bottom, &PlayBottomWidget::sigSetLengthing);
    connect(&m_engine, &PlaySpliterSystem::sigSetSliderLength, m_playback, &PlaybackController::OnDuration);
    connect(&m_engine, &PlaySpliterSystem::sigSetLengthing, m_playback, &PlaybackController::OnPosition);
    connect(&m_engine, &PlaySpliterSystem::sigDecodedFrame, m_display, &DisplayWidget::onDecodedFrame,
            Qt::QueuedConnection);
    connect(m_display, &DisplayWidget::sigdeleteqmap, &m_engine, &PlaySpliterSystem::sigdeleteqmap);
    connect(&m_engine, &PlaySpliterSystem::sigPlayFinish, m_playback, &PlaybackController::OnFinished);
}

void MainWindow::ConnectPlayback()
{
    // The engine's pause, resume, seek and stop are called directly on the
    // GUI thread; the start travels queued through sigStartSpliter.
    connect(m_playback, &PlaybackController::sigStartSpliter, this, &MainWindow::sigStartSpliter);
    connect(m_playback, &PlaybackController::sigClosePlay, this, [this] { m_engine.ClosePlay(); });
    connect(m_playback, &PlaybackController::sigPause, this, [this] { m_engine.StopPlay(); });
    connect(m_playback, &PlaybackController::sigResume, this, [this] { m_engine.PlayAgain(); });
    connect(m_playback, &PlaybackController::sigSeek, this, [this](int positionMs) { m_engine.timechange(positionMs); });
    connect(m_playback, &PlaybackController::sigSetMultiple, this, &MainWindow::sigSetMultiple);
    connect(m_playback, &PlaybackController::sigSetVolume, this, &MainWindow::sigSetVolume);

    connect(m_playback, &PlaybackController::sigListChanged, this, &MainWindow::sigAddFile);
    connect(m_playback, &PlaybackController::sigStarting, this, &MainWindow::OnPlaybackStarting);
    connect(m_playback, &PlaybackController::sigPlayingChanged, this, &MainWindow::OnPlayingChanged);
    connect(m_playback, &PlaybackController::sigStopped, this, &MainWindow::OnPlaybackStopped);
    connect(m_playback, &PlaybackController::sigMessage, this, &MainWindow::OnPlaybackMessage);
    connect(m_playback, &PlaybackController::sigVolumeChanged, this, &MainWindow::OnVolumeShown);
    connect(m_playback, &PlaybackController::sigSpeedChanged, this, &MainWindow::OnSpeedShown);
    connect(m_playback, &PlaybackController::sigPlayModeChanged, this, &MainWindow::OnPlayModeShown);
    connect(m_playback, &PlaybackController::sigResumeOffered, m_resumeOffer, &ResumeOffer::Offer);
    connect(m_playback, &PlaybackController::sigStarting, m_resumeOffer, &ResumeOffer::Withdraw);
    connect(m_playback, &PlaybackController::sigStopped, m_resumeOffer, &ResumeOffer::Withdraw);
    connect(m_resumeOffer, &ResumeOffer::sigAccepted, m_playback, &PlaybackController::AcceptResume);
}

bool MainWindow::isFull() const
{
    return m_chrome->isFull();
}

MsgBox* MainWindow::messageBox() const
{
    return m_msgBox;
}

void MainWindow::OpenFiles(const QStringList& paths)
{
    QVector<QString> files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isFile() && MediaKind::IsPlayable(info.absoluteFilePath())) {
            files << info.absoluteFilePath();
        } else {
            qDebug() << __LINE__ << "MainWindow::OpenFiles" << "not playable" << path;
        }
    }
    if (files.isEmpty()) {
        return;
    }
    m_popups->Hide({Popup::Import});
    m_playback->OpenFiles(files);
}

void MainWindow::BringToFront()
{
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void MainWindow::SaveState()
{
    QSettings settings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat);
    m_playback->SaveState(settings);
    settings.setValue(QStringLiteral("Player/geometry"), saveGeometry());
}

void MainWindow::RestoreState()
{
    const QSettings settings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat);
    m_playback->RestoreState(settings);
    qDebug() << __LINE__ << "MainWindow::RestoreState" << m_playback->files().size() << "files";
    if (!m_playback->files().isEmpty()) {
        m_popups->Hide({Popup::Import});
    }
    const QVariant geometry = settings.value(QStringLiteral("Player/geometry"));
    if (geometry.isValid()) {
        restoreGeometry(geometry.toByteArray());
    }
}

void MainWindow::ShowVideo(int rows)
{
    m_playback->Play(rows);
}

void MainWindow::OnPlaybackStarting(int row, const QString& path)
{
    ui->label_6->setText(path.split(QLatin1Char('/')).constLast());
    ui->label_7->show();
    if (!QFileInfo(path).isFile()) {
        return;
    }
    m_display->Start();
    m_fisheye->OpenFile(path);
    m_playList->setListChange(row);
}

void MainWindow::OnPlayingChanged(bool playing)
{
    m_bottom->ShowState(playing ? PlayBottomWidget::PlayState::Playing : PlayBottomWidget::PlayState::Paused);
    if (playing && m_chrome->isFull()) {
        m_cursorHideTimer->start();
    } else {
        ShowCursorOverPicture();
    }
}

void MainWindow::OnPlaybackStopped()
{
    m_bottom->ResetTime();
    m_display->HideLoading();
}

void MainWindow::OnPlaybackMessage(const QString& text)
{
    // Not modal and not activated: playback, keys and the list go on while
    // it is shown; a later message replaces the text of one still shown.
    if (!m_msgBox) {
        m_msgBox = new MsgBox(this);
        m_msgBox->setWindowModality(Qt::NonModal);
        m_msgBox->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    m_msgBox->setText(text);
    const QPoint centre = mapToGlobal(rect().center());
    m_msgBox->move(centre - QPoint(m_msgBox->width() / 2, m_msgBox->height() / 2));
    m_msgBox->show();
    m_msgBox->raise();
}

void MainWindow::OnVolumeShown(int volume, bool muted)
{
    m_volume->ShowVolume(volume);
    const bool audible = volume != 0 && !muted;
    m_bottom->ShowSound(audible ? PlayBottomWidget::Sound::On : PlayBottomWidget::Sound::Off);
}

void MainWindow::OnSpeedShown(float multiple)
{
    m_bottom->SetSpeedText(QString::number(static_cast<double>(multiple)) + QLatin1Char('X'));
}

void MainWindow::OnPlayModeShown(int mode)
{
    m_bottom->setModelBtn(mode);
}

void MainWindow::OnKey(PlayerKeys::Action action)
{
    using Action = PlayerKeys::Action;
    switch (action) {
    case Action::PlayPause:
        m_playback->TogglePlay(m_playList->currentRow());
        break;
    case Action::SeekBack:
    case Action::SeekForward:
        m_playback->SeekBy(action == Action::SeekBack ? -PlayerKeys::kSeekStepMs : PlayerKeys::kSeekStepMs);
        break;
    case Action::SeekBackLong:
    case Action::SeekForwardLong:
        m_playback->SeekBy(action == Action::SeekBackLong ? -PlayerKeys::kLongSeekStepMs
                                                          : PlayerKeys::kLongSeekStepMs);
        break;
    case Action::VolumeUp:
    case Action::VolumeDown:
        m_playback->ChangeVolumeBy(action == Action::VolumeUp ? PlayerKeys::kVolumeStep : -PlayerKeys::kVolumeStep);
        break;
    case Action::Mute:
        m_playback->ToggleMute();
        break;
    case Action::FullScreen:
        ToggleFullScreen();
        break;
    case Action::LeaveFullScreen:
        m_chrome->LeaveFullScreen();
        break;
    case Action::PreviousFile:
    case Action::NextFile:
        action == Action::PreviousFile ? m_playback->Previous() : m_playback->Next();
        break;
    case Action::Screenshot:
        onScreenShotBtnClicked();
        break;
    case Action::Slower:
    case Action::Faster:
        m_playback->StepSpeed(action == Action::Slower ? -1 : 1);
        break;
    case Action::Import:
        ShowImportWidget();
        break;
    case Action::Resume:
        if (m_resumeOffer->isOffered()) {
            m_resumeOffer->Withdraw();
            m_playback->AcceptResume();
        }
        break;
    case Action::SteerLeft:
    case Action::SteerRight:
    case Action::SteerUp:
    case Action::SteerDown:
    case Action::ZoomIn:
    case Action::ZoomOut:
    case Action::NextView:
        m_fisheye->Steer(action);
        break;
    case Action::ToggleSubtitles:
    case Action::NextSubtitle:
    case Action::NextAudio:
        m_tracks->OnKey(action);
        break;
    case Action::None:
        break;
    }
}

void MainWindow::OnEngineYuv(uchar* ptr, uint width, uint height, int size)
{
    m_pictures.Deliver(ptr, width, height, size);
}

void MainWindow::OnEnginePictureFormat(PictureFormat format)
{
    m_pictures.SetFormat(format);
}

QByteArray MainWindow::currentFrame(int* width, int* height)
{
    return m_pictures.Current(width, height);
}

void MainWindow::setPicPatch(QString patch)
{
    m_picFolder = patch;
}

void MainWindow::setVideoPatch(QString patch)
{
    m_videoFolder = patch;
}

void MainWindow::onScreenShotBtnClicked()
{
    // What the view shows, the newest picture first.
    m_display->ShowPendingPicture();
    GLYuvWidget* view = m_display->View();
    const QString folder = m_setting->pictureFolder();
    const QDateTime when = QDateTime::currentDateTime();
    if (view->State() == GLYuvWidget::DisplayState::Plain) {
        // The picture itself, converted and written on the saver's thread.
        int width = 0;
        int height = 0;
        const QByteArray picture = view->Picture(&width, &height);
        const QSize shown = PictureGeometry(width, height, view->Format()).DisplaySize();
        if (!picture.isEmpty()) {
            m_screenshots->SavePicture(picture, width, height, view->Format(), folder, when,
                                       view->Subtitles().Snapshot(shown, shown));
        }
        return;
    }
    // A zoom or dewarped layout: rendered as drawn, at the view's size.
    const QImage image = view->GrabView();
    if (image.isNull()) {
        OnScreenshotSaved({ScreenshotWriter::Outcome::Failed, QImage(), QString()});
        return;
    }
    m_screenshots->Save(image, folder, when);
}

void MainWindow::OnScreenshotSaved(const ScreenshotWriter::Result& result)
{
    if (result.outcome == ScreenshotWriter::Outcome::NoPicture) {
        return;
    }
    if (result.outcome == ScreenshotWriter::Outcome::Saved) {
        auto* hint = new ScreenshotSucHint(ScreenshotSucHint::kLargeKind, result.image,
                                           {tr("截图完成!"), tr("截图完成!已保存至文件")}, this);
        hint->move(16, height() - hint->height() - 118);
        hint->show();
        return;
    }
    m_msgBox = new MsgBox(this);
    m_msgBox->setText(AppSettings::InterfaceIsChinese() ? QStringLiteral("截图失败！请检查内存")
                                                        : QStringLiteral("Screenshot failed! Please check the memory"));
    m_msgBox->show();
}

void MainWindow::OnRecordToggled()
{
    if (m_recordShown) {
        if (m_recordHint) {
            m_recordHint->hide();
        }
        m_recordShown = false;
        return;
    }
    if (m_recordHint) {
        m_recordHint->close(); // deletes it
    }
    m_recordHint = new RecordHint(m_display);
    m_recordHint->move(20, 20);
    m_recordHint->show();
    m_recordShown = true;
}

bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(result)
    return m_power->HandleNative(eventType, message);
}

void MainWindow::CloseFromButton()
{
    m_engine.ForceStop();
    ui->closeBtn->setEnabled(false);
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    SaveState();
    m_engine.ForceStop();
    QWidget::closeEvent(event);
}

void MainWindow::Restart()
{
    // The copy finds the play list and the rest in the settings, and no
    // player to hand over to: it shows its own window. Only once it has
    // started does this one stop and go; if it cannot start, this window
    // stays, takes other starts again and says so.
    SaveState();
    emit sigRestarting();
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), QStringList(), QDir::currentPath())) {
        qWarning() << __LINE__ << "MainWindow::Restart" << "cannot start" << QCoreApplication::applicationFilePath();
        emit sigRestartFailed();
        OnPlaybackMessage(Linguist::instance()->currentLanguage() == Linguist::Chinese
                              ? QStringLiteral("无法重新启动播放器，新的语言将在下次启动时生效")
                              : QStringLiteral("The player could not restart; the new language applies at its next start"));
        return;
    }
    m_engine.ForceStop();
    QCoreApplication::exit(0);
}

void MainWindow::onListBtnClicked()
{
    m_popups->Toggle(Popup::List);
}

void MainWindow::onSettingClicked()
{
    m_popups->Toggle(Popup::Settings);
}

void MainWindow::ShowImportWidget()
{
    m_popups->Show(Popup::Import);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayBarOut();
    m_popups->PlaceShown();
}

void MainWindow::LayBarOut()
{
    m_barAnimation.stop();
    m_bottom->resize(width(), kBarHeightPx);
    m_bottom->move(0, height() - kBarHeightPx);
    m_bottom->raise();
    // Windowed, the bar stays: the picture is fitted above it.
    m_display->ReserveBottom(m_chrome->isFull() ? 0 : kBarHeightPx);
    m_barHidden = false;
    if (m_chrome->isFull()) {
        // The bar is back in view: it hides again after the usual delay.
        m_barTimer->start(kBarHideDelayMs);
    }
}

void MainWindow::ToggleFullScreen()
{
    m_popups->Hide({Popup::Settings, Popup::List});
    m_chrome->ToggleFullScreen();
}

void MainWindow::OnFullScreenChanged(bool full)
{
    if (full) {
        m_barTimer->start(kBarHideDelayMs);
        if (m_playback->isPlaying()) {
            m_cursorHideTimer->start();
        }
    } else {
        m_barTimer->stop();
        ShowCursorOverPicture();
    }
    QTimer::singleShot(kRelayoutDelayMs, this, &MainWindow::LayBarOut);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (const std::optional<PlayerKeys::Action> action =
            PlayerKeys::ActionFor(*event, m_fisheye->KeyContext())) {
        OnKey(*action);
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    OpenFiles(paths);
}

void MainWindow::SlideBar(const QPoint& to)
{
    m_barAnimation.stop();
    m_barAnimation.setDuration(kBarSlideMs);
    m_barAnimation.setStartValue(m_bottom->pos());
    m_barAnimation.setEndValue(to);
    m_barAnimation.start();
}

void MainWindow::onFullTimeOut()
{
    m_barTimer->stop();
    SlideBar(QPoint(width() - m_bottom->width(), height()));
    m_barHidden = true;
}

void MainWindow::showBottom()
{
    m_barTimer->start(kBarHideDelayMs);
    SlideBar(QPoint(width() - m_bottom->width(), height() - kBarHeightPx));
    m_barHidden = false;
}


bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->MainShowWidget && PictureEvent(event)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::PictureIsPlain() const
{
    return m_fisheye->Choice().display != FisheyeChoice::Display::Dewarp;
}

bool MainWindow::PictureEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_popups->Hide({Popup::List, Popup::Mode, Popup::Speed, Popup::Settings, Popup::Volume});
        return false;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !PictureIsPlain()) {
            return false;
        }
        ToggleFullScreen();
        return true;
    case QEvent::Wheel: {
        const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / kWheelNotch;
        if (!PictureIsPlain() || notches == 0) {
            return false;
        }
        m_playback->ChangeVolumeBy(notches * PlayerKeys::kVolumeStep);
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_chrome->isFull()) {
            return false;
        }
        const QPoint pos = static_cast<QMouseEvent*>(event)->pos();
        if (pos != m_lastFilterPos) {
            if (m_barHidden) {
                showBottom();
            }
            ShowCursorOverPicture();
            if (m_playback->isPlaying()) {
                m_cursorHideTimer->start();
            }
        }
        m_lastFilterPos = pos;
        return false;
    }
    default:
        return false;
    }
}

void MainWindow::HideCursorOverPicture()
{
    if (m_chrome->isFull() && m_playback->isPlaying()) {
        m_display->setCursor(Qt::BlankCursor);
    }
}

void MainWindow::ShowCursorOverPicture()
{
    m_cursorHideTimer->stop();
    m_display->unsetCursor();
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    m_chrome->MousePress(event);
    QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    m_chrome->MouseMove(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_chrome->MouseRelease(event);
    QWidget::mouseReleaseEvent(event);
}
