#include "ScreenMetrics.h"

#include <windows.h>

int ScreenMetrics::ScreenHeightPx(const QWidget* window)
{
    (void)window;
    return GetSystemMetrics(SM_CYSCREEN);
}
