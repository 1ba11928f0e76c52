#pragma once
// A small bounded pool of picture buffers, so that decoding a stream of
// pictures does not allocate a fresh multi-megabyte block for each one.
// Buffers travel by value (std::vector move): the decoder takes one, fills
// it, queues it; the presenter gives it back once the picture was delivered.
//
// Thread-safe: m_mutex guards m_free and is a leaf lock.

#include <cstdint>
#include <mutex>
#include <vector>

class PictureBufferPool
{
public:
    using Buffer = std::vector<uint8_t>;

    // A buffer of exactly `bytes` bytes, recycled when one is free.
    Buffer Take(size_t bytes);
    // Keeps `buffer` for reuse, up to kMaxFree buffers; frees the rest.
    void Give(Buffer&& buffer);
    void Clear();

private:
    static constexpr size_t kMaxFree = 4;
    std::mutex m_mutex;
    std::vector<Buffer> m_free; // guarded by m_mutex
};
