#pragma once

#include <memory>

#include "PictureHandOff.h"
#include "PlaySpliterSystem.h"
#include "ScreenshotWriter.h"
#include "PlaybackController.h"
#include "PlayerKeys.h"

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QPropertyAnimation>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

namespace Ui { class MainWindow; }
class DisplayWidget;
class FisheyeController;
class TrackController;
class MprisService;
class MsgBox;
class QDragEnterEvent;
class QDropEvent;
class MultipleWidget;
class PlayBottomWidget;
class PlayImportWidget;
class PlayListWidget;
class PlayModelWidget;
class ScreenshotSaver;
class PlaySetting;
class PowerEvents;
class QMouseEvent;
class QTimer;
class RecordHint;
class ResumeOffer;
class VolumeWidget;
class WindowChrome;
class WindowPopups;

// The program's only top-level window: frameless and translucent, with its
// own title bar, the display, and the control bar laid over the picture. It
// owns the playback engine, creates every popup and wires them (all wiring is
// in ConnectSignals) to the engine and to the PlaybackController, which keeps
// the play list, the current file and the play mode. The window only shows
// what the controller reports and turns clicks, keys (PlayerKeys), drops,
// double clicks and wheel turns on the picture into its commands.
//
// Threads: everything runs on the GUI thread except OnEngineYuv and
// OnEnginePictureFormat, which the engine calls on its presenting thread
// (direct connection) while its picture buffer is valid.
// Locks: none of its own; the picture handlers hand over through
// PictureHandOff, which says its lock.
// Lifetime: the window starts threads only through the engine (its thread,
// the playback's threads, the audio sink's thread), the play list's duration
// probe and the screenshot saver. The destructor joins the engine's threads
// first of all; the probe's worker is joined when the play list, a child, is
// deleted, and the saver's pool thread when the saver, a child, is deleted.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBarHeightPx = 100;
    static constexpr int kBarHideDelayMs = 5000;
    static constexpr int kBarSlideMs = 500;
    // Over a playing picture in full screen the cursor hides after this.
    static constexpr int kCursorHideMs = 2000;
    static constexpr int kWheelNotch = 120;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Adds files to the play list (a drop, the command line, another start)
    // and plays the first one; files the player cannot read are left out.
    void OpenFiles(const QStringList& paths);
    // Shown, raised and activated (another start handed files over).
    void BringToFront();
    // What the player remembers across starts in "account.ini" (group
    // "Player"): volume, mute, speed, play mode, play list and window
    // geometry. Saved when the window closes and before a restart; restored
    // by the program's start, never by the window itself.
    void SaveState();
    void RestoreState();

    PlaySpliterSystem* engine() { return &m_engine; }
    DisplayWidget* display() const { return m_display; }
    // The picture's context menu into the fisheye displays.
    FisheyeController* fisheye() const { return m_fisheye; }
    TrackController* tracks() const { return m_tracks; }
    PlayBottomWidget* bottomWidget() const { return m_bottom; }
    PlayListWidget* playList() const { return m_playList; }
    PlayImportWidget* importWidget() const { return m_import; }
    PlaySetting* settingPanel() const { return m_setting; }
    PlayModelWidget* modeChooser() const { return m_modeChooser; }
    MultipleWidget* speedChooser() const { return m_speedChooser; }
    VolumeWidget* volumeWidget() const { return m_volume; }
    MsgBox* messageBox() const;
    PlaybackController* playback() const { return m_playback; }
    MprisService* mpris() const { return m_mpris; }
    ResumeOffer* resumeOffer() const { return m_resumeOffer; }
    QVector<QString> fileList() const { return m_playback->files(); }
    int currentIndex() const { return m_playback->currentIndex(); }
    int playMode() const { return m_playback->playMode(); }
    bool isPlaying() const { return m_playback->isPlaying(); }
    bool isFinished() const { return m_playback->isFinished(); }
    bool isFull() const;
    bool isBarHidden() const { return m_barHidden; }
    QString pictureFolder() const { return m_picFolder; }
    // A copy of the last picture, taken under the frame lock.
    QByteArray currentFrame(int* width = nullptr, int* height = nullptr);

signals:
    void sigThisclose();
    void sigAddFile(QVector<QString> fileList);
    void sigStartSpliter(const char* File);
    void sigYuv(uchar* ptr, uint width, uint height);
    void sigSetVolume(double v);
    void sigSetMultiple(float multiple);
    void sigStartRecord();
    void sigstopRecord();
    void sigPausePreview();
    void sigContinuePreview();
    // The program is about to start its copy (a language change): whatever
    // keeps other starts away must let it in.
    void sigRestarting();
    // The copy could not be started: this player goes on and must take
    // other starts again.
    void sigRestartFailed();

public slots:
    void onFullTimeOut();
    void showBottom();
    void onSettingClicked();
    void onListBtnClicked();
    void ShowVideo(int rows);
    void onScreenShotBtnClicked();
    void setPicPatch(QString patch);
    void setVideoPatch(QString patch);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;

private:
    void CreateChildren();
    void ConnectSignals();
    void ConnectBar();
    void ConnectChoosers();
    void ConnectEngine();
    void ConnectPanels();

    void ConnectPlayback();

    // Playback, as the controller reports it
    void OnEngineYuv(uchar* ptr, uint width, uint height, int size);
    void OnEnginePictureFormat(PictureFormat format);
    void OnScreenshotSaved(const ScreenshotWriter::Result& result);
    void OnPlaybackStarting(int row, const QString& path);
    void OnPlayingChanged(bool playing);
    void OnPlaybackStopped();
    void OnPlaybackMessage(const QString& text);
    void OnVolumeShown(int volume, bool muted);
    void OnSpeedShown(float multiple);
    void OnPlayModeShown(int mode);
    void OnKey(PlayerKeys::Action action);
    void OnRecordToggled();
    void Restart();
    void CloseFromButton();

    // Popups and window states
    void ShowImportWidget();
    void ToggleFullScreen();
    void OnFullScreenChanged(bool full);
    void LayBarOut();
    void SlideBar(const QPoint& to);
    bool PictureEvent(QEvent* event);
    // The plain picture (not the dewarped display, which takes the double
    // click and the wheel for itself).
    bool PictureIsPlain() const;
    void ShowCursorOverPicture();
    void HideCursorOverPicture();

    std::unique_ptr<Ui::MainWindow> ui;
    PlayListWidget* m_playList = nullptr;
    PlayBottomWidget* m_bottom = nullptr;
    QPropertyAnimation m_barAnimation;
    MultipleWidget* m_speedChooser = nullptr;
    PlayModelWidget* m_modeChooser = nullptr;
    QTimer* m_barTimer = nullptr;
    bool m_barHidden = false;
    QPoint m_lastFilterPos;
    PlaySetting* m_setting = nullptr;
    QString m_picFolder;
    QString m_videoFolder;
    PlayImportWidget* m_import = nullptr;
    // Declared before the engine: its presenting thread may still deliver a
    // picture while the engine is being destroyed.
    PictureHandOff m_pictures;
    DisplayWidget* m_display = nullptr; // the form's "MainShowWidget"; a child widget
    PlaySpliterSystem m_engine;
    // A child: destroyed after the engine, so the path buffer it hands the
    // engine outlives the engine's thread.
    PlaybackController* m_playback = nullptr;
    QTimer* m_cursorHideTimer = nullptr;
    WindowChrome* m_chrome = nullptr;
    WindowPopups* m_popups = nullptr;
    MprisService* m_mpris = nullptr;
    QPointer<RecordHint> m_recordHint;
    bool m_recordShown = false;
    QPointer<MsgBox> m_msgBox;
    ScreenshotSaver* m_screenshots = nullptr; // child; joins its thread when destroyed
    VolumeWidget* m_volume = nullptr;
    PowerEvents* m_power = nullptr;
    FisheyeController* m_fisheye = nullptr;
    TrackController* m_tracks = nullptr;
    ResumeOffer* m_resumeOffer = nullptr; // a child of the display
};
