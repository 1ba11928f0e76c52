#include "HeapTuning.h"

// Any C library header says which library this is.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace
{

// Smaller than any picture plane worth keeping apart, larger than the
// allocations of packets and widgets.
constexpr int kMapThresholdBytes = 512 * 1024;
constexpr int kArenas = 2;

} // namespace

void TuneHeapForPictures()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
    mallopt(M_ARENA_MAX, kArenas);
#endif
}
