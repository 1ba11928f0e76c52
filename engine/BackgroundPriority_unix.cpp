#include "BackgroundPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace
{

// Nice steps below the caller: enough for the window and the sound to win
// the processor from a saturating decoder, little enough that the decoder
// still gets most of what is left.
constexpr int kNiceSteps = 5;

} // namespace

void RunAtBackgroundPriority(const std::function<void()>& work)
{
    std::thread runner([&work] {
        // On Linux the nice value is the thread's own and new threads take
        // their creator's. Lowering it needs no privilege; a failure leaves
        // the thread as it was.
        const id_t thread = static_cast<id_t>(syscall(SYS_gettid));
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, thread);
        if (errno == 0) {
            setpriority(PRIO_PROCESS, thread, nice + kNiceSteps);
        }
        work();
    });
    runner.join();
}
