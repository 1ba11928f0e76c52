// vorel-display-bench: pushes 1080p YUV420P pictures through DisplayWidget
// and prints paints per second next to the cost of one memcpy of the same
// picture, then the same pictures in the dewarped display's six-view layout
// (mode 9: the circle and five perspectives) and its rate against the plain
// display's. Each is also given as process CPU time per paint (every thread,
// llvmpipe's included), which a busy machine disturbs far less than the rate.
//
//   vorel-display-bench [PICTURES] [WIDTH HEIGHT [VIEW_WIDTH VIEW_HEIGHT]]
//
// The view has the picture's size unless a view size is given (a small view
// separates the upload's cost from the cost of filling the window).
//
// Each picture is emitted through DisplayWidget::sigYuv, as the main window
// does, and the program waits until the view has painted and swapped it
// (GLYuvWidget::frameSwapped) before sending the next one.

#include "DisplayWidget.h"
#include "GLYuvWidget.h"
#include "ViewLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kDefaultPictures = 300;
constexpr int kWarmUpPictures = 20;
constexpr int kDistinctPictures = 4;
constexpr int kMemcpyRepeats = 200;

// The display writes a debug line per picture; keep the bench output clean.
void DropDebugMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

QByteArray MakePicture(int width, int height, int seed)
{
    const int lumaBytes = width * height;
    QByteArray picture(lumaBytes * 3 / 2, char(128));
    char* luma = picture.data();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            luma[row * width + column] = char((row + column + seed * 37) & 0xff);
        }
    }
    return picture;
}

double SecondsPerMemcpy(const QByteArray& picture)
{
    std::vector<char> target(static_cast<size_t>(picture.size()));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kMemcpyRepeats; ++i) {
        std::memcpy(target.data(), picture.constData(), target.size());
        // Keep the copy observable so that it is not optimised away.
        asm volatile("" : : "r"(target.data()) : "memory");
    }
    return clock.nsecsElapsed() * 1e-9 / kMemcpyRepeats;
}

// CPU seconds of the whole process (every thread, llvmpipe's included): on a
// busy machine the wall clock says more about the neighbours than the paint.
double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// Sends count pictures and returns the seconds they took, painted and swapped;
// the CPU seconds they took go to cpuSeconds.
double PushPictures(DisplayWidget& display, const std::vector<QByteArray>& pictures, int count, int width,
                    int height, double* cpuSeconds = nullptr)
{
    const double cpuBefore = ProcessCpuSeconds();
    int swapped = 0;
    QObject::connect(display.View(), &GLYuvWidget::frameSwapped, &display, [&swapped] { ++swapped; });
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        const int before = swapped;
        emit display.sigYuv(pictures[i % pictures.size()], uint(width), uint(height));
        while (swapped == before) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    const double seconds = clock.nsecsElapsed() * 1e-9;
    if (cpuSeconds) {
        *cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    }
    QObject::disconnect(display.View(), &GLYuvWidget::frameSwapped, &display, nullptr);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler(DropDebugMessages);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultPictures;
    const int width = argc > 3 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;
    const int viewWidth = argc > 5 ? std::atoi(argv[4]) : width;
    const int viewHeight = argc > 5 ? std::atoi(argv[5]) : height;
    if (width < 2 || height < 2 || viewWidth < 1 || viewHeight < 1) {
        std::fprintf(stderr, "vorel-display-bench: bad picture size\n");
        return 2;
    }

    std::vector<QByteArray> pictures;
    for (int seed = 0; seed < kDistinctPictures; ++seed) {
        pictures.push_back(MakePicture(width, height, seed));
    }
    DisplayWidget display;
    display.resize(viewWidth, viewHeight);
    display.show();
    QElapsedTimer exposure;
    exposure.start();
    while (!(display.windowHandle() && display.windowHandle()->isExposed()) && exposure.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (!display.windowHandle() || !display.windowHandle()->isExposed()) {
        std::fprintf(stderr, "vorel-display-bench: the window was not shown\n");
        return 1;
    }
    PushPictures(display, pictures, kWarmUpPictures, width, height);
    double cpuSeconds = 0;
    const double seconds = PushPictures(display, pictures, count, width, height, &cpuSeconds);
    const double memcpySeconds = SecondsPerMemcpy(pictures.front());

    // The dewarped display of the same pictures: a circle centred on the
    // picture, half its shorter side.
    GLYuvWidget* view = display.View();
    view->EnablePanoHY(kPanoModeCeiling, width / 2, height / 2, std::min(width, height) / 2);
    view->SelectViewMode(ViewLayout::ViewOriginFivePerspectives);
    PushPictures(display, pictures, kWarmUpPictures, width, height);
    double dewarpCpuSeconds = 0;
    const double dewarpSeconds = PushPictures(display, pictures, count, width, height, &dewarpCpuSeconds);
    view->DisablePano();

    const double paintsPerSecond = count / seconds;
    const double secondsPerPaint = seconds / count;
    std::printf("picture                 %dx%d YUV420P, %d bytes, view %dx%d\n", width, height,
                int(pictures.front().size()), viewWidth, viewHeight);
    std::printf("paints per second       %.1f  (%.3f ms per paint, %d pictures)\n", paintsPerSecond,
                secondsPerPaint * 1e3, count);
    std::printf("cpu per paint           %.3f ms  (all threads)\n", cpuSeconds / count * 1e3);
    std::printf("one memcpy of picture   %.3f ms\n", memcpySeconds * 1e3);
    std::printf("paint / memcpy          %.1f  (one paint costs this many copies of the picture)\n",
                secondsPerPaint / memcpySeconds);
    const double dewarpPerSecond = count / dewarpSeconds;
    std::printf("dewarped mode 9 fps     %.1f  (%.3f ms per paint, six views)\n", dewarpPerSecond,
                dewarpSeconds / count * 1e3);
    std::printf("cpu per dewarped paint  %.3f ms  (all threads)\n", dewarpCpuSeconds / count * 1e3);
    std::printf("mode 9 / plain          %.2f  (dewarped frames per second over plain)\n",
                dewarpPerSecond / paintsPerSecond);
    return 0;
}
