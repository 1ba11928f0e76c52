#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

// Drives the picture's context menu as a user does: a right press through the
// window system (so that the press reaches the widget and its parents' event
// filters, and the context menu event follows it), then clicks on the menu's
// entries.
namespace MenuDriver
{

// Right-presses target at pos and returns the menu that opened, or null.
// Other test programs may share the display and take the focus, which
// closes an open menu: the window is activated first, and the press is
// repeated when no menu stays open.
inline QMenu* OpenContextMenu(QWidget* target, const QPoint& pos)
{
    constexpr int kAttempts = 3;
    QWidget* top = target->window();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        top->activateWindow();
        // Tried regardless: a press can open the menu without the focus.
        static_cast<void>(QTest::qWaitForWindowActive(top));
        QTest::mousePress(top->windowHandle(), Qt::RightButton, Qt::NoModifier,
                          target->mapTo(top, pos));
        QTest::mouseRelease(top->windowHandle(), Qt::RightButton, Qt::NoModifier,
                            target->mapTo(top, pos));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu && QTest::qWaitForWindowExposed(menu) && menu->isVisible()) {
            return menu;
        }
    }
    return nullptr;
}

inline QMenu* OpenContextMenu(QWidget* target)
{
    return OpenContextMenu(target, target->rect().center());
}

// Clicks the named entry of menu, opening the submenu that holds it first
// when it lies in one. False when the entry is missing, hidden or disabled.
inline bool Choose(QMenu* menu, const char* actionName)
{
    auto* action = menu->findChild<QAction*>(QString::fromLatin1(actionName));
    if (!action || !action->isEnabled()) {
        return false;
    }
    QMenu* holder = menu;
    if (!menu->actions().contains(action)) {
        for (QAction* entry : menu->actions()) {
            if (entry->menu() && entry->menu()->actions().contains(action)) {
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                  menu->actionGeometry(entry).center());
                holder = entry->menu();
            }
        }
        if (holder == menu || !QTest::qWaitFor([holder] { return holder->isVisible(); })) {
            return false;
        }
    }
    const QRect place = holder->actionGeometry(action);
    if (place.isEmpty()) {
        return false;
    }
    QTest::mouseClick(holder, Qt::LeftButton, Qt::NoModifier, place.center());
    return true;
}

// Opens the context menu on target and clicks one of its entries; the whole
// gesture is tried again when the menu went away half-way (see above).
inline bool ChooseOn(QWidget* target, const char* actionName)
{
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QMenu* menu = OpenContextMenu(target);
        if (!menu) {
            continue;
        }
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(actionName));
        if (action && !action->isEnabled()) {
            menu->close();
            return false;
        }
        bool triggered = false;
        const QMetaObject::Connection watch =
            action
                ? QObject::connect(action, &QAction::triggered, [&triggered] { triggered = true; })
                : QMetaObject::Connection();
        Choose(menu, actionName);
        QObject::disconnect(watch);
        if (triggered) {
            return true;
        }
        if (QApplication::activePopupWidget()) {
            QApplication::activePopupWidget()->close();
        }
    }
    return false;
}

} // namespace MenuDriver
