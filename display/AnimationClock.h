#pragma once

#include <QtGlobal>

// Turns elapsed time into whole animation ticks, so that every animation of
// the dewarped display (inertia, spring-back, morphs, cruise) runs at the same
// speed whatever the paint rate. The models' steps are tuned per tick of
// kTickMs; a paint advances as many ticks as the time since the last covered,
// carrying the remainder, at most kMaxTicks at once (a stalled paint does not
// fling the views afterwards).
//
// Threads: one owner thread (the GUI thread); pure arithmetic, no clock of
// its own: the caller passes the time.
class AnimationClock
{
public:
    static constexpr qint64 kTickMs = 20;
    static constexpr int kMaxTicks = 10;

    // Ticks due at nowMs (monotonic milliseconds). The first call after
    // construction or Restart is due one tick and starts the count there.
    int TicksAt(qint64 nowMs);
    // Forgets the time of the last tick: after a rest, the next paint steps
    // once instead of making up for the time nothing moved.
    void Restart() { m_started = false; }

private:
    bool m_started = false;
    qint64 m_lastTickMs = 0;
};
