#pragma once

#include "FisheyeChoice.h"

#include <QMenu>

#include <array>

class QAction;
class QActionGroup;

// The context menu of the picture: the plain picture, the zoom onto the
// fisheye circle, the circle's outline, the dewarped display in each of the
// render core's fourteen layouts with the camera's mount, finding or setting
// the circle, and restoring the file's last fisheye choice. It only shows a
// choice and reports what the user picks; the caller applies it.
//
// Actions keep object names for tests: "plainAction", "zoomAction",
// "circleAction", "layoutAction0" to "layoutAction13", "ceilingAction",
// "wallAction", "detectAction", "setCircleAction", "restoreAction",
// "cruiseAction", "stretchAction", "exportAction"; the
// layouts lie in the submenu "layoutMenu".
//
// Threads: GUI thread only.
class FisheyeMenu : public QMenu
{
    Q_OBJECT

public:
    // What else the menu may offer besides the displays.
    enum class Offer {
        None = 0,
        Picture = 1, // a picture is shown: the circle can be found or set
        Restore = 2, // the file has a remembered fisheye choice
        Cruise = 4,  // the dewarped layout shown has a view that can cruise
        Export = 8,  // a dewarped layout of a file is shown: it can be exported
    };
    Q_DECLARE_FLAGS(Offers, Offer)

    explicit FisheyeMenu(QWidget* parent = nullptr);

    // Checks the choice's display, layout and mount; a wall mount disables
    // the layouts it does not offer.
    void ShowChoice(const FisheyeChoice& choice, Offers offers);
    // Checks "Stretch to window" without emitting sigStretchToggled.
    void ShowStretch(bool stretch);
    // Checks "Auto-rotate" without emitting sigCruiseToggled.
    void ShowCruise(bool cruising);

    // The layout's name as the menu shows it, translated.
    static QString LayoutName(int layout);

    QAction* DisplayAction(FisheyeChoice::Display display) const;
    QAction* LayoutAction(int layout) const;
    QAction* MountAction(PanoMode mount) const;
    QMenu* LayoutMenu() const { return m_layoutMenu; }

signals:
    void sigDisplayChosen(FisheyeChoice::Display display);
    void sigLayoutChosen(int layout);
    void sigMountChosen(PanoMode mount);
    void sigDetectClicked();
    void sigSetCircleClicked();
    void sigRestoreClicked();
    void sigStretchToggled(bool stretch);
    void sigCruiseToggled(bool cruise);
    void sigExportClicked();

private:
    QAction* AddChoice(QMenu* menu, QActionGroup* group, const QString& text, const char* name);
    void BuildLayoutMenu();

    QAction* m_plain = nullptr;
    QAction* m_zoom = nullptr;
    QAction* m_circle = nullptr;
    QMenu* m_layoutMenu = nullptr;
    std::array<QAction*, ViewLayout::kModeCount> m_layouts{};
    QAction* m_ceiling = nullptr;
    QAction* m_wall = nullptr;
    QAction* m_detect = nullptr;
    QAction* m_setCircle = nullptr;
    QAction* m_restore = nullptr;
    QAction* m_stretch = nullptr;
    QAction* m_cruise = nullptr;
    QAction* m_export = nullptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(FisheyeMenu::Offers)
