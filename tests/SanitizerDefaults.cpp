// Defaults for sanitizer builds, linked into every target of such a build.
// The distribution's Qt, PulseAudio, Mesa and GLib are not instrumented:
// Qt's mutexes and event queue are invisible to ThreadSanitizer, so handing
// data through them looks like a race, and the GL and D-Bus libraries keep
// process-lifetime allocations that LeakSanitizer would report. FFmpeg's
// buffers are freed when an atomic reference count inside the uninstrumented
// libavutil drops to zero, which hides the hand-over between its decoding
// threads and ours. Our own threads synchronise through std::mutex and
// atomics, which it does see. libdbus orders its own mutexes in a way the
// deadlock detector flags on the session-bus thread; no lock of ours is in it.
//
// A race entry matches any frame of either access, the creation stack of
// either thread and the allocation stack of the memory, so an entry naming
// one of our functions would hide every race on the threads it starts and
// the memory it allocates: entries name other libraries only. By the same
// rule the libQt5Core entry hides every race with a QThread or QThreadPool
// thread and every race reached through a queued call (QObject::event is in
// the stack).

extern "C" {

const char* __tsan_default_suppressions()
{
    return "race:libQt5Core.so\n"
           "race:libQt5Gui.so\n"
           "race:libQt5Test.so\n"
           "race:libQt5Widgets.so\n"
           "race:libQt5XcbQpa.so\n"
           "race:libQt5DBus.so\n"
           "race:libxcb\n"
           "race:libX11.so\n"
           "race:libdbus-1.so\n"
           "race:libGLX_mesa.so\n"
           "race:swrast_dri.so\n"
           "race:libLLVM\n"
           "race:libQt5Multimedia.so\n"
           "race:libpulse.so\n"
           "race:libpulsecommon\n"
           "race:libglib-2.0.so\n"
           "race:libavutil.so\n"
           "race:libavcodec.so\n"
           "called_from_lib:libQt5Core.so\n"
           "called_from_lib:libpulse.so\n"
           "called_from_lib:libpulsecommon\n"
           "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libxcb.so\n"
           "called_from_lib:libQt5XcbQpa.so\n"
           "deadlock:libQt5Core.so\n"
           "deadlock:libdbus-1.so\n"
           "mutex:libX11.so\n"
           "mutex:libxcb\n"
           "mutex:libGLX_mesa.so\n";
}

const char* __tsan_default_options()
{
    return "second_deadlock_stack=1 report_signal_unsafe=0";
}

const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n"
           "leak:libQt5Gui.so\n"
           "leak:libQt5Widgets.so\n"
           "leak:libQt5XcbQpa.so\n"
           "leak:libqoffscreen.so\n"
           "leak:libqxcb.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libGL.so\n"
           "leak:swrast_dri.so\n"
           "leak:libLLVM\n"
           "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n"
           "leak:libQt5DBus.so\n"
           "leak:libxcb\n"
           "leak:libX11.so\n";
}

} // extern "C"
