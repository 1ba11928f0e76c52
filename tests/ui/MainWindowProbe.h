#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

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

// Runs `act` on the file dialog that the next modal loop opens (Qt's own
// dialog: set Qt::AA_DontUseNativeDialogs).
inline void OnNextFileDialog(std::function<void(QFileDialog*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act]() {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(20);
}

// Chooses `path` in an open Qt file dialog as typing it does, and accepts.
// (selectFile() leaves the name field alone while it has the focus.)
inline void ChooseInFileDialog(QFileDialog* dialog, const QString& path)
{
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

} // namespace MainWindowProbe
