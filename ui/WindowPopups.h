#pragma once

#include <QObject>
#include <QVector>

class MultipleWidget;
class PlayBottomWidget;
class PlayImportWidget;
class PlayListWidget;
class PlayModelWidget;
class PlaySetting;
class QWidget;
class VolumeWidget;

// The main window's popups (play list, import dialog, settings panel, play
// mode and speed choosers, volume slider): which are shown, where each is
// placed in the window, and that opening one closes the others. The popups
// are children of the window, which creates them and wires what they do; this
// object only shows, hides and places them.
//
// Threads: GUI thread only. Owned by the window; it neither owns nor outlives
// the popups.
class WindowPopups : public QObject
{
    Q_OBJECT

public:
    enum class Popup { List, Import, Settings, Mode, Speed, Volume };

    struct Widgets {
        PlayListWidget* list;
        PlayImportWidget* import;
        PlaySetting* settings;
        PlayModelWidget* mode;
        MultipleWidget* speed;
        VolumeWidget* volume;
        // Places the volume slider above its sound button.
        PlayBottomWidget* bar;
    };

    static constexpr int kImportWidthPx = 470;
    static constexpr int kImportHeightPx = 400;

    // The import dialog counts as shown from the start (the window shows it
    // first of all).
    WindowPopups(QWidget* window, const Widgets& widgets);

    bool isShown(Popup popup) const;
    // Closes the others (the play list leaves the import dialog open), then
    // hides `popup` when it was shown, or places and shows it.
    void Toggle(Popup popup);
    // Places, raises and shows `popup`; the others stay as they are.
    void Show(Popup popup);
    void Hide(const QVector<Popup>& popups);
    // The popup hid itself (the import dialog after an import).
    void MarkHidden(Popup popup);
    // After the window's size changed.
    void PlaceShown();

private:
    QWidget* WidgetOf(Popup popup) const;
    void Place(Popup popup);

    QWidget* m_window;
    Widgets m_widgets;
    QVector<Popup> m_shown{Popup::Import};
};
