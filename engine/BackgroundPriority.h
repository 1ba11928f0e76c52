#pragma once

#include <functional>

// Runs `work` on a short-lived thread of lower scheduling priority and waits
// for it. Threads that `work` starts keep that priority where the system
// passes it on to new threads (Linux): a video decoder opened so runs its
// worker threads below the window's and the sound's, and a picture too heavy
// for the machine (4K on two cores) costs pictures, not the window's
// answers to the user or the sound. Elsewhere it just runs `work` there.
//
// Threads: any; blocks the caller until `work` returns.
void RunAtBackgroundPriority(const std::function<void()>& work);
