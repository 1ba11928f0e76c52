#pragma once

// Which file of the play list comes next, by play mode. Indices count from 0
// into a list of `count` files; `current` is the file being played (-1 for
// none).
class PlayOrder
{
public:
    enum PlayMode { AutoPlay = 0, SinglePlay = 1, RandomPlay = 2, StopPlay = 3 };

    struct Step {
        enum class Kind { Play, Stop, Finish };
        Kind kind;
        int index; // the file to play (Kind::Play)
    };

    // At the end of a file: AutoPlay wraps to the first, SinglePlay repeats,
    // RandomPlay draws, StopPlay stops and marks the player finished.
    static Step AtEnd(int mode, int current, int count);
    // The previous and next buttons; StopPlay moves like AutoPlay.
    static Step Previous(int mode, int current, int count);
    static Step Next(int mode, int current, int count);
    // Uniform over 0 .. count - 1, from a ranlux48_base engine seeded afresh
    // from std::random_device for every draw.
    static int RandomIndex(int count);
};
