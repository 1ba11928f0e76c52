#include "BackgroundPriority.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

// Windows threads do not take their creator's priority, so the decoder's
// workers could not be lowered from here; the work runs at the caller's.
void RunAtBackgroundPriority(const std::function<void()>& work)
{
    work();
}

#endif
