/* Counts the pictures a process presents. Preloaded (LD_PRELOAD) into a
 * player, every glXSwapBuffers and eglSwapBuffers call adds one to a 64-bit
 * counter in the file named by VOREL_SWAP_COUNTER, mapped shared, which the
 * bench reads before and after its measured stretch. Without the variable, or
 * when the file cannot be mapped, the calls pass through uncounted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static volatile uint64_t* counter;

__attribute__((constructor)) static void open_counter(void)
{
    const char* path = getenv("VOREL_SWAP_COUNTER");
    if (!path) {
        return;
    }
    int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0 || ftruncate(fd, sizeof(uint64_t)) != 0) {
        return;
    }
    void* mapped = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped != MAP_FAILED) {
        counter = mapped;
    }
}

static void count(void)
{
    if (counter) {
        __atomic_add_fetch(counter, 1, __ATOMIC_RELAXED);
    }
}

void glXSwapBuffers(void* display, unsigned long drawable)
{
    static void (*real)(void*, unsigned long);
    if (!real) {
        real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    }
    count();
    real(display, drawable);
}

unsigned eglSwapBuffers(void* display, void* surface)
{
    static unsigned (*real)(void*, void*);
    if (!real) {
        real = (unsigned (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
    }
    count();
    return real(display, surface);
}
