#pragma once
// How a decoded picture is to be shown: its colour description, the turn and
// mirror its stream asks for, and the shape of its samples. The engine fills
// it from the decoder's frame and the stream's side data; the display and
// screenshots read it. Plain value type, no dependencies, any thread.

#include <QMetaType>

// Matrix that turns the picture's Y'CbCr samples into R'G'B'.
enum class YuvMatrix {
    Bt601,
    Bt709,
    Bt2020, // non-constant luminance
};

// Range of the stored samples.
enum class YuvRange {
    Limited, // Y 16..235, Cb/Cr 16..240 (8-bit)
    Full,    // 0..255 (JPEG, "yuvj" formats)
};

struct PictureFormat {
    YuvMatrix matrix = YuvMatrix::Bt601;
    YuvRange range = YuvRange::Limited;
    // Clockwise turn, in degrees, that stands the picture upright: 0, 90,
    // 180 or 270. Applied after the mirror.
    int rotationCwDeg = 0;
    // The stored picture is mirrored left to right before it is turned.
    bool mirrored = false;
    // Sample (pixel) aspect ratio; 1:1 for square samples and when unknown.
    int sarNum = 1;
    int sarDen = 1;

    bool operator==(const PictureFormat& o) const
    {
        return matrix == o.matrix && range == o.range && rotationCwDeg == o.rotationCwDeg &&
               mirrored == o.mirrored && sarNum == o.sarNum && sarDen == o.sarDen;
    }
    bool operator!=(const PictureFormat& o) const { return !(*this == o); }

    // What players assume for a picture that carries no matrix: BT.601 up to
    // 576 lines (SD), BT.709 above.
    static YuvMatrix GuessMatrix(int height)
    {
        return height > 576 ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
    }
};

Q_DECLARE_METATYPE(PictureFormat)
