#pragma once

#include <QKeySequence>
#include <QVector>

#include <functional>
#include <optional>

class QKeyEvent;
class QShortcut;
class QWidget;

// The player's keyboard commands: one table of keys and the action each
// triggers, bound as shortcuts of the main window, so they work whichever
// child has the focus, in full screen and in both languages. The README's key
// table lists the same keys.
class PlayerKeys
{
public:
    enum class Action {
        PlayPause,
        SeekBack,        // 5 s
        SeekForward,     // 5 s
        SeekBackLong,    // 60 s
        SeekForwardLong, // 60 s
        VolumeUp,        // 5 %
        VolumeDown,      // 5 %
        Mute,
        FullScreen, // toggles
        LeaveFullScreen,
        PreviousFile,
        NextFile,
        Screenshot,
        Slower,
        Faster,
        Import,
        Resume, // accepts the offer to go on where the file was left
        ToggleSubtitles,
        NextSubtitle,
        NextAudio,
        // While a dewarped layout is shown:
        SteerLeft,
        SteerRight,
        SteerUp,
        SteerDown,
        ZoomIn,
        ZoomOut,
        NextView,
        None, // the key does nothing here
    };

    // What the picture shows: while a dewarped layout is shown the arrows
    // steer its views, + and - zoom, Tab selects the next view, and seeking
    // moves to Ctrl+Left/Right, so that no key does two things at once.
    enum class Context { Plain, Dewarped };

    struct Binding {
        QKeySequence keys;
        Action action;
        // The action while a dewarped layout is shown.
        Action dewarped;
        Action In(Context context) const { return context == Context::Dewarped ? dewarped : action; }
    };

    static constexpr int kSeekStepMs = 5000;
    static constexpr int kLongSeekStepMs = 60000;
    static constexpr int kVolumeStep = 5;

    static QVector<Binding> Bindings();
    // The action of a key event that reached the window without passing
    // through its shortcuts (the window was not the active one).
    static std::optional<Action> ActionFor(const QKeyEvent& event, Context context);
    // Creates one window-wide shortcut per binding on `window` (which owns
    // them); each calls `act` with its action in the context `context` tells
    // at the moment of the key.
    static QVector<QShortcut*> Bind(QWidget* window, const std::function<Context()>& context,
                                    const std::function<void(Action)>& act);
    // Buttons, sliders, lists and read-only fields under `window` never take
    // the focus: one that kept it would take Space and the arrows for itself.
    static void KeepOutOfFocus(QWidget* window);

private:
    // The action keeps going while its key is held.
    static bool Repeats(Action action);
};
