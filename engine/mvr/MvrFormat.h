#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// On-disk layout of an MVR recording: a 512-byte file header, an index area
// of `index_size` bytes holding `index_count` 8-byte entries, then records
// (16-byte record header + payload) to the end of the file. All integers are
// little-endian.

constexpr std::int64_t kMvrFileHeaderSize = 512;
constexpr std::int64_t kMvrIndexEntrySize = 8;
constexpr std::int64_t kMvrRecordHeaderSize = 16;

// Record types. 1, 2 and 3 carry H.264 pictures and are handled alike (our
// writer marks key frames 1 and the others 2); 4 carries one audio packet for
// the audio codec library; any other type is stepped over.
constexpr std::uint8_t kMvrRecordVideoKey = 1;
constexpr std::uint8_t kMvrRecordVideo = 2;
constexpr std::uint8_t kMvrRecordVideoOther = 3;
constexpr std::uint8_t kMvrRecordAudio = 4;

// Frame type of the audio payloads for the audio codec library.
constexpr int kMvrAudioFrameType = 22;
constexpr int kMvrAudioSampleRateHz = 16000;
constexpr int kMvrAudioChannelCount = 1;

// Codec of the video payloads (AV_CODEC_ID_H264).
constexpr int kMvrVideoCodecId = 27;

inline bool IsMvrVideoRecord(std::uint8_t type)
{
    return type == kMvrRecordVideoKey || type == kMvrRecordVideo || type == kMvrRecordVideoOther;
}

// The fields of the file header the player reads, decoded from the file.
struct rf_fhdr_t {
    std::uint32_t tag = 0;          // offset 0, logged only
    std::int32_t width = 0;         // offset 4, pixels
    std::int32_t height = 0;        // offset 8, pixels
    std::uint32_t field16 = 0;      // offset 16, logged only
    std::uint16_t field20 = 0;      // offset 20, logged only
    std::uint16_t field22 = 0;      // offset 22, logged only
    std::int32_t duration_ms = 0;   // offset 48
    std::uint32_t index_size = 0;   // offset 52, bytes of the index area
    std::uint32_t index_count = 0;  // offset 60, entries in the index area
};

// One record header.
struct rf_mhdr_t {
    std::uint8_t type = 0;        // offset 0
    std::int32_t timestamp = 0;   // offset 4, presentation time in ms
    std::uint32_t length = 0;     // offset 8, payload bytes
    std::uint32_t field12 = 0;    // offset 12, logged only
};

// Seek index: (time in ms, absolute file offset of a video record).
using MvrIndex = std::vector<std::pair<int, unsigned>>;
