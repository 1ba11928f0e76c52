#pragma once

#include <memory>

#include <QString>
#include <QWidget>

namespace Ui { class PlayBottomWidget; }
class VolumeWidget;
class QPushButton;

// The control bar laid over the bottom of the picture: the progress slider
// with elapsed and total time, and the row of image buttons. It turns clicks
// into signals and shows the states the main window sets; it holds no
// playback logic. Times are milliseconds.
class PlayBottomWidget : public QWidget
{
    Q_OBJECT

public:
    enum class PlayState { Playing, Paused };
    enum class Sound { On, Off };

    static constexpr int kHeightPx = 100;

    explicit PlayBottomWidget(QWidget* parent = nullptr);
    ~PlayBottomWidget() override;

    // Minutes and seconds, each at least two digits, joined by ":".
    static QString TimeText(int ms);
    // The three-state style sheet of an image button with base name `base`.
    static QString ButtonStyle(const QString& base);

    void setSliderLength(int len);
    // Progress position (a method despite its name).
    void sigSetLengthing(int len);
    // Back to 00:00 with the slider disabled.
    void ResetTime();
    void ShowState(PlayState state);
    void ShowSound(Sound sound);
    void setModelBtn(int mode);
    void SetSpeedText(const QString& text);

    // The popup the main window creates; the bar places it above "soundBtn".
    void SetVolumeWidget(VolumeWidget* volume) { m_volume = volume; }
    VolumeWidget* volumeWidget() const { return m_volume; }
    // barTop: the bar's top edge in the window (window height - bar height).
    void PlaceVolume(int barTop);

signals:
    void sigIsFull();
    void sigListBtnClicked();
    void sigSettingBtnClicked();
    void sigstateBtnclicked();
    void sigSentCurrentTime(int Length);
    void sigScreenShotBtnClicked();
    void sigSoundBtnClicked();
    void sigRollbackBtnClicked();
    void sigFastForwardBtnClicked();
    void sigmodelBtnClicked();
    void sigmultipleBtnClicked();
    void sigvideoBtnClicked();

private:
    void SetToolTips();
    void ConnectButtons();

    std::unique_ptr<Ui::PlayBottomWidget> ui;
    VolumeWidget* m_volume = nullptr; // owned by the main window
};
