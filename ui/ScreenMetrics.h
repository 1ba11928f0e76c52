#pragma once

class QWidget;

// The height of the screen a window is on, in pixels: Windows'
// GetSystemMetrics(SM_CYSCREEN) (ScreenMetrics_win.cpp), QScreen elsewhere
// (ScreenMetrics_unix.cpp).
class ScreenMetrics
{
public:
    static int ScreenHeightPx(const QWidget* window);
};
