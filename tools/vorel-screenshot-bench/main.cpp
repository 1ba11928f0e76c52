// vorel-screenshot-bench: converts the same YUV420P pictures to packed RGB
// with the screenshot's table-driven converter (Yuv420ToRgb) and with
// libswscale (YUV420P to RGB24, same size), and prints pictures per second of
// each and their ratio (above 1: the tables are faster).
//
//   vorel-screenshot-bench [PICTURES] [WIDTH HEIGHT]
//
// Defaults: 200 pictures of 1920 x 1080. Both sides run on one thread.

#include "FfmpegPtr.h"
#include "Yuv420ToRgb.h"

#include <QElapsedTimer>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int kDefaultPictures = 200;
constexpr int kWarmUpPictures = 5;

struct Options {
    int pictures = kDefaultPictures;
    int width = 1920;
    int height = 1080;
};

Options Parse(int argc, char** argv)
{
    Options o;
    if (argc > 1) {
        o.pictures = std::max(1, std::atoi(argv[1]));
    }
    if (argc > 3) {
        o.width = std::max(1, std::atoi(argv[2]));
        o.height = std::max(1, std::atoi(argv[3]));
    }
    return o;
}

// Gradients with a little noise, like a camera picture: most pixels in
// range, the clamping step taken at the saturated edges only.
std::vector<uchar> MakePicture(int width, int height)
{
    std::vector<uchar> frame(static_cast<size_t>(Yuv420ToRgb::FrameBytes(width, height)));
    std::mt19937 random(1);
    const int chromaWidth = Yuv420ToRgb::ChromaWidth(width);
    const int chromaHeight = Yuv420ToRgb::ChromaHeight(height);
    uchar* y = frame.data();
    uchar* u = y + size_t(width) * height;
    uchar* v = u + size_t(chromaWidth) * chromaHeight;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            y[size_t(row) * width + col] = static_cast<uchar>(16 + (219 * col) / width + random() % 8 - 4 + 4);
        }
    }
    for (int row = 0; row < chromaHeight; ++row) {
        for (int col = 0; col < chromaWidth; ++col) {
            u[size_t(row) * chromaWidth + col] = static_cast<uchar>(64 + (128 * row) / chromaHeight);
            v[size_t(row) * chromaWidth + col] = static_cast<uchar>(192 - (128 * col) / chromaWidth);
        }
    }
    return frame;
}

double TablesPerSecond(const Options& o, const std::vector<uchar>& frame, std::vector<uchar>& rgb)
{
    const int stride = o.width * 3;
    for (int i = 0; i < kWarmUpPictures; ++i) {
        Yuv420ToRgb::Convert(frame.data(), qint64(frame.size()), o.width, o.height, rgb.data(), stride);
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < o.pictures; ++i) {
        Yuv420ToRgb::Convert(frame.data(), qint64(frame.size()), o.width, o.height, rgb.data(), stride);
    }
    return o.pictures * 1e9 / double(clock.nsecsElapsed());
}

double SwscalePerSecond(const Options& o, const std::vector<uchar>& frame, std::vector<uchar>& rgb)
{
    const ffmpeg::SwsContextPtr owner(sws_getContext(o.width, o.height, AV_PIX_FMT_YUV420P, o.width, o.height,
                                                     AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    SwsContext* context = owner.get();
    if (!context) {
        return 0;
    }
    uint8_t* source[4] = {};
    int sourceStride[4] = {};
    av_image_fill_arrays(source, sourceStride, frame.data(), AV_PIX_FMT_YUV420P, o.width, o.height, 1);
    uint8_t* target[4] = {rgb.data()};
    const int targetStride[4] = {o.width * 3};
    for (int i = 0; i < kWarmUpPictures; ++i) {
        sws_scale(context, source, sourceStride, 0, o.height, target, targetStride);
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < o.pictures; ++i) {
        sws_scale(context, source, sourceStride, 0, o.height, target, targetStride);
    }
    return o.pictures * 1e9 / double(clock.nsecsElapsed());
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = Parse(argc, argv);
    const std::vector<uchar> frame = MakePicture(o.width, o.height);
    std::vector<uchar> rgb(size_t(o.width) * o.height * 3);
    const double tables = TablesPerSecond(o, frame, rgb);
    const double swscale = SwscalePerSecond(o, frame, rgb);
    std::printf("YUV420P %dx%d to RGB, %d pictures each\n", o.width, o.height, o.pictures);
    std::printf("  table-driven:   %8.1f pictures/s\n", tables);
    std::printf("  libswscale:     %8.1f pictures/s\n", swscale);
    if (swscale > 0) {
        std::printf("  ratio tables / libswscale: %.2f\n", tables / swscale);
    }
    return 0;
}
