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
    return {
        {QKeySequence(Qt::Key_Space), Action::PlayPause},
        {QKeySequence(Qt::Key_Left), Action::SeekBack},
        {QKeySequence(Qt::Key_Right), Action::SeekForward},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), Action::SeekBackLong},
        {QKeySequence(Qt::SHIFT | Qt::Key_Right), Action::SeekForwardLong},
        {QKeySequence(Qt::Key_Up), Action::VolumeUp},
        {QKeySequence(Qt::Key_Down), Action::VolumeDown},
        {QKeySequence(Qt::Key_M), Action::Mute},
        {QKeySequence(Qt::Key_F), Action::FullScreen},
        {QKeySequence(Qt::Key_Escape), Action::LeaveFullScreen},
        {QKeySequence(Qt::Key_PageUp), Action::PreviousFile},
        {QKeySequence(Qt::Key_PageDown), Action::NextFile},
        {QKeySequence(Qt::Key_S), Action::Screenshot},
        {QKeySequence(Qt::Key_BracketLeft), Action::Slower},
        {QKeySequence(Qt::Key_BracketRight), Action::Faster},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Action::Import},
        {QKeySequence(Qt::Key_Return), Action::Resume},
        {QKeySequence(Qt::Key_Enter), Action::Resume},
    };
}

std::optional<PlayerKeys::Action> PlayerKeys::ActionFor(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const QKeySequence pressed(event.key() | int(modifiers));
    for (const Binding& binding : Bindings()) {
        if (binding.keys == pressed) {
            return binding.action;
        }
    }
    return std::nullopt;
}

QVector<QShortcut*> PlayerKeys::Bind(QWidget* window, const std::function<void(Action)>& act)
{
    QVector<QShortcut*> shortcuts;
    for (const Binding& binding : Bindings()) {
        auto* shortcut = new QShortcut(binding.keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        const Action action = binding.action;
        // Seeking and volume keep going while their key is held; a held
        // toggle does not flicker.
        const bool repeats = action == Action::SeekBack || action == Action::SeekForward ||
                             action == Action::SeekBackLong || action == Action::SeekForwardLong ||
                             action == Action::VolumeUp || action == Action::VolumeDown;
        shortcut->setAutoRepeat(repeats);
        QObject::connect(shortcut, &QShortcut::activated, window, [act, action] { act(action); });
        shortcuts << shortcut;
    }
    return shortcuts;
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
