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
namespace MenuDriver {

// Right-presses target at pos and returns the menu that opened, or null.
inline QMenu* OpenContextMenu(QWidget* target, const QPoint& pos)
{
    QWidget* top = target->window();
    QTest::mousePress(top->windowHandle(), Qt::RightButton, Qt::NoModifier, target->mapTo(top, pos));
    QTest::mouseRelease(top->windowHandle(), Qt::RightButton, Qt::NoModifier, target->mapTo(top, pos));
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu && !QTest::qWaitForWindowExposed(menu)) {
        return nullptr;
    }
    return menu;
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
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(entry).center());
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

// Opens the context menu on target and clicks one of its entries.
inline bool ChooseOn(QWidget* target, const char* actionName)
{
    QMenu* menu = OpenContextMenu(target);
    if (!menu) {
        return false;
    }
    const bool chosen = Choose(menu, actionName);
    if (!chosen) {
        menu->close();
    }
    return chosen;
}

} // namespace MenuDriver
