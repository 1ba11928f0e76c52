#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

// Helpers for driving the main window's children by object name.
namespace MainWindowProbe {

template <typename T = QWidget>
T* Child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

inline void Click(QObject* parent, const char* name)
{
    Child<QPushButton>(parent, name)->click();
}

// Sends one mouse event with explicit local and global positions.
inline void SendMouse(QWidget* target, QEvent::Type type, const QPoint& local, const QPoint& global,
                      Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace MainWindowProbe
