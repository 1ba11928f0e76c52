#pragma once

#include "FisheyeChoice.h"
#include "PlayerKeys.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class DisplayWidget;
class ExportViewDialog;
class FisheyeCircleDialog;
class FisheyeHint;
class FisheyeMenu;
class QPoint;

// The player's way into the fisheye displays of the video view. A right click
// on the picture opens FisheyeMenu; the choice made there is applied to the
// view through its public slots (DisablePano, EnablePano, DrawCircle,
// EnablePanoHY, SelectViewMode), with the fisheye circle found in the current
// picture by FisheyeCircleDetector the first time a file needs it, or set by
// hand in FisheyeCircleDialog, with the lens that recorded the picture
// (SetLens: the dewarped display follows it). Each fisheye choice is remembered per file
// (FisheyeMemory) and offered, through a FisheyeHint over the picture, when
// the file is opened again; it is never applied unasked.
//
// Every newly opened file starts on the plain picture (the display's Start
// has put the view back there); with the menu unused nothing here touches
// the view. The
// pictures are watched through the display's sigYuv (the array is shared, not
// copied) so that detection and a pending choice have the current picture.
//
// Threads: GUI thread only.
class FisheyeController : public QObject
{
    Q_OBJECT

public:
    // display must outlive the controller (both are the main window's).
    explicit FisheyeController(DisplayWidget* display, QObject* parent = nullptr);
    ~FisheyeController() override;

    // A file is being opened (the display's Start has put the view back on
    // the plain picture): another file than the last one stays on the plain
    // picture, without a circle, and its remembered choice, if any, is
    // offered with its first picture; the same file again (a loop or a
    // replay) goes on in the fisheye display it was being watched in.
    void OpenFile(const QString& filePath);

    // The current choice; its layout is the one the render core shows (it
    // switches between the circle and the perspective view by itself).
    FisheyeChoice Choice() const;
    // Whether the circle in use was found in the picture (false for the
    // centred stand-in after a failed detection, and for one set by hand).
    bool CircleWasDetected() const { return m_circleDetected; }

    // What the player's keys act on: the dewarped display's views while one
    // is shown, else the plain picture.
    PlayerKeys::Context KeyContext() const;
    // One of the dewarped display's key actions (PlayerKeys::SteerLeft to
    // NextView) on its views.
    void Steer(PlayerKeys::Action action);

    FisheyeMenu* Menu() const { return m_menu; }
    FisheyeHint* Hint() const { return m_hint; }
    // Open while the circle is set by hand, else null.
    FisheyeCircleDialog* CircleDialog() const;
    // The last export dialog while it is open, else null.
    ExportViewDialog* ExportDialog() const;

    // Where the playback is, for the export's "from the current position".
    struct PlaybackTimes {
        int positionMs = 0;
        int durationMs = 0;
    };
    void SetPlaybackTimes(std::function<PlaybackTimes()> times) { m_times = std::move(times); }

public slots:
    void ShowDisplay(FisheyeChoice::Display display);
    void ShowLayout(int layout);
    void SetMount(PanoMode mount);
    // Finds the circle in the current picture again; on the plain picture
    // the circle found is outlined.
    void DetectCircle();
    // Opens the circle dialog (non-modal: playback and controls go on).
    void EditCircle();
    void RestoreRemembered();
    // "Stretch to window": the plain picture fills the view instead of
    // keeping its aspect; remembered in account.ini for every file.
    void SetStretch(bool stretch);
    // "Export this view...": opens the export dialog (non-modal) with the
    // dewarped view as it is set now, every view's pose included.
    void ExportView();

private:
    enum class HintOffer { None, Restore, SetCircle };

    void OnDisplayCustomContextMenuRequested(const QPoint& pos);
    void OnDisplaySigYuv(const QByteArray& frameBuffer, uint width, uint height);
    void OnDialogCircleEdited();
    void OnDialogLensEdited();
    void OnDialogDetectClicked();
    void OnDialogFinished(int result);
    void OnHintActionClicked();

    bool HasPicture() const;
    int CurrentLayout() const;
    // Finds the circle of the current picture when the choice has none for
    // its size; a centred stand-in when there is none to find.
    void EnsureCircle();
    bool FindCircle();
    // Applies the choice to the view and remembers it; a fisheye display
    // chosen before the first picture waits for it.
    void Apply();
    void Show(const FisheyeChoice& choice);
    // The choice while the dialog is open: the plain picture shows the circle.
    FisheyeChoice Preview() const;
    void OfferRemembered();
    void OfferSetCircle();
    void CloseDialog();

    DisplayWidget* m_display = nullptr;
    FisheyeMenu* m_menu = nullptr;
    FisheyeHint* m_hint = nullptr;
    QPointer<FisheyeCircleDialog> m_dialog;
    FisheyeChoice m_choice;
    // The choice when the dialog was opened, put back on Cancel.
    FisheyeChoice m_beforeEdit;
    bool m_detectedBeforeEdit = false;
    QString m_filePath;
    QByteArray m_picture;
    int m_pictureWidth = 0;
    int m_pictureHeight = 0;
    bool m_circleDetected = false;
    // The mount was chosen (or restored) for this file; otherwise it follows
    // the shape of the circle found: a cut circle suggests a wall mount.
    bool m_mountChosen = false;
    bool m_applyPending = false;
    bool m_offerPending = false;
    HintOffer m_hintOffer = HintOffer::None;
    QPointer<ExportViewDialog> m_exportDialog;
    std::function<PlaybackTimes()> m_times;
};
