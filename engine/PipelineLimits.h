#pragma once
// Bounds and polls of the playback pipeline, shared by the engine's threads.

#include <QtGlobal>

#include <cstddef>

namespace PipelineLimits
{
// Decoded pictures waiting for the presenter: a few, so that a 1080p
// playback holds little memory; the packets ahead of them absorb the rest.
// Four let the decoder move on far enough that it no longer refers to most
// pictures by the time they are shown, so they are packed without a copy.
inline constexpr std::size_t kMaxQueuedPictures = 4;
// Untimed runs deliver as fast as pictures come, and hold more of them for it.
inline constexpr std::size_t kMaxQueuedPicturesUntimed = 8;
// Decoded sound waiting for the feeder, in media time.
inline constexpr qint64 kMaxQueuedAudioMs = 1000;
// The reader stops reading ahead when the packet queues hold this much ...
inline constexpr qint64 kMaxPacketBytes = 48LL * 1024 * 1024;
// ... or when one stream is this far ahead (wider than any real file's
// interleaving: cameras write up to several seconds of one stream at once) ...
inline constexpr qint64 kMaxPacketAheadMs = 15000;
// ... or when every stream holds enough to go on with.
inline constexpr int kEnoughPackets = 25;
inline constexpr qint64 kEnoughPacketMs = 1000;
// Idle polls of every loop (pause, empty or full queue, end of input).
inline constexpr int kIdleMs = 10;
// The FFmpeg reader's poll while its packet queues hold enough.
inline constexpr int kReadAheadIdleMs = 50;
// A picture further than this from the clock lies across a jump in the time
// stamps (a recorder restart, a gap): it is paced by its distance from the
// previous picture instead of waiting for the clock or being dropped.
inline constexpr qint64 kNoSyncMs = 5000;
inline constexpr qint64 kMaxFrameStepMs = 1000;
// The first picture after a start or seek is shown at once when it is due
// within this time (the sound device's start-up), not when the clock says.
inline constexpr qint64 kFirstPictureLeadMs = 150;
// How often the position is reported while only sound plays.
inline constexpr qint64 kAudioPositionStepMs = 200;
// The end waits at most this long beyond what the device says it holds.
inline constexpr qint64 kSoundEndSlackMs = 300;
} // namespace PipelineLimits
