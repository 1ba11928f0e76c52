#include "PlayerKeys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QWidget>

QVector<PlayerKeys::Binding> PlayerKeys::Bindings()
{
    // Keys that do the same in both contexts.
    const auto both = [](QKeySequence keys, Action action) { return Binding{keys, action, action}; };
    return {
        both(QKeySequence(Qt::Key_Space), Action::PlayPause),
        {QKeySequence(Qt::Key_Left), Action::SeekBack, Action::SteerLeft},
        {QKeySequence(Qt::Key_Right), Action::SeekForward, Action::SteerRight},
        both(QKeySequence(Qt::CTRL | Qt::Key_Left), Action::SeekBack),
        both(QKeySequence(Qt::CTRL | Qt::Key_Right), Action::SeekForward),
        both(QKeySequence(Qt::SHIFT | Qt::Key_Left), Action::SeekBackLong),
        both(QKeySequence(Qt::SHIFT | Qt::Key_Right), Action::SeekForwardLong),
        {QKeySequence(Qt::Key_Up), Action::VolumeUp, Action::SteerUp},
        {QKeySequence(Qt::Key_Down), Action::VolumeDown, Action::SteerDown},
        {QKeySequence(Qt::Key_Plus), Action::None, Action::ZoomIn},
        {QKeySequence(Qt::Key_Equal), Action::None, Action::ZoomIn},
        {QKeySequence(Qt::Key_Minus), Action::None, Action::ZoomOut},
        {QKeySequence(Qt::Key_Tab), Action::None, Action::NextView},
        both(QKeySequence(Qt::Key_M), Action::Mute),
        both(QKeySequence(Qt::Key_F), Action::FullScreen),
        both(QKeySequence(Qt::Key_Escape), Action::LeaveFullScreen),
        both(QKeySequence(Qt::Key_PageUp), Action::PreviousFile),
        both(QKeySequence(Qt::Key_PageDown), Action::NextFile),
        both(QKeySequence(Qt::Key_S), Action::Screenshot),
        both(QKeySequence(Qt::Key_BracketLeft), Action::Slower),
        both(QKeySequence(Qt::Key_BracketRight), Action::Faster),
        both(QKeySequence(Qt::CTRL | Qt::Key_O), Action::Import),
        both(QKeySequence(Qt::Key_Return), Action::Resume),
        both(QKeySequence(Qt::Key_Enter), Action::Resume),
        both(QKeySequence(Qt::Key_V), Action::ToggleSubtitles),
        both(QKeySequence(Qt::Key_J), Action::NextSubtitle),
        both(QKeySequence(Qt::Key_NumberSign), Action::NextAudio),
    };
}

std::optional<PlayerKeys::Action> PlayerKeys::ActionFor(const QKeyEvent& event, Context context)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const QKeySequence pressed(event.key() | int(modifiers));
    for (const Binding& binding : Bindings()) {
        if (binding.keys == pressed && binding.In(context) != Action::None) {
            return binding.In(context);
        }
    }
    return std::nullopt;
}

QVector<QShortcut*> PlayerKeys::Bind(QWidget* window, const std::function<Context()>& context,
                                     const std::function<void(Action)>& act)
{
    QVector<QShortcut*> shortcuts;
    for (const Binding& binding : Bindings()) {
        auto* shortcut = new QShortcut(binding.keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        // Seeking, volume, steering and zoom keep going while their key is
        // held; a held toggle does not flicker.
        shortcut->setAutoRepeat(Repeats(binding.action) && Repeats(binding.dewarped));
        QObject::connect(shortcut, &QShortcut::activated, window, [binding, context, act] {
            const Action action = binding.In(context());
            if (action != Action::None) {
                act(action);
            }
        });
        shortcuts << shortcut;
    }
    return shortcuts;
}

bool PlayerKeys::Repeats(Action action)
{
    switch (action) {
    case Action::SeekBack:
    case Action::SeekForward:
    case Action::SeekBackLong:
    case Action::SeekForwardLong:
    case Action::VolumeUp:
    case Action::VolumeDown:
    case Action::SteerLeft:
    case Action::SteerRight:
    case Action::SteerUp:
    case Action::SteerDown:
    case Action::ZoomIn:
    case Action::ZoomOut:
    // A key that does nothing in one context repeats as it does in the other.
    case Action::None:
        return true;
    default:
        return false;
    }
}

void PlayerKeys::KeepOutOfFocus(QWidget* window)
{
    for (QWidget* child : window->findChildren<QWidget*>()) {
        auto* edit = qobject_cast<QLineEdit*>(child);
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QAbstractSlider*>(child) ||
            qobject_cast<QAbstractItemView*>(child) || (edit && edit->isReadOnly())) {
            child->setFocusPolicy(Qt::NoFocus);
        }
    }
}
