#include "ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

int ScreenMetrics::ScreenHeightPx(const QWidget* window)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}
