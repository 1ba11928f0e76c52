#pragma once

#include <QString>

#include <memory>
#include <vector>

// The UTF-8 path handed to the engine as a const char*. The engine reads the
// path through that pointer after the queued call arrives, and keeps it while
// the file plays, so a buffer is never freed while the window lives: each
// path is written over the current buffer, which is replaced by a larger one
// (the old one kept) only when a path does not fit. A path is never cut.
//
// Threads: written on the GUI thread; read by the engine thread.
class EnginePathBuffer
{
public:
    static constexpr size_t kInitialBytes = 256;

    EnginePathBuffer();
    ~EnginePathBuffer();

    // Copies the path's UTF-8 bytes and a terminating zero; returns the
    // buffer to hand to the engine.
    const char* Store(const QString& path);
    const char* data() const { return m_current; }
    size_t capacity() const { return m_capacity; }

private:
    std::vector<std::unique_ptr<char[]>> m_buffers; // the last one is current
    char* m_current = nullptr;
    size_t m_capacity = 0;
};
