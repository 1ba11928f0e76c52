// vorel-fisheye-bench: pictures delivered per second while the fisheye
// displays are switched as the picture's context menu switches them, against
// the plain display of the same pictures, as a ratio; the longest delivery of
// a picture right after a switch against the median delivery (a stall shows
// there); and the cost of one circle detection.
//
//   vorel-fisheye-bench [PICTURES] [WIDTH HEIGHT]
//
// Each picture is emitted through DisplayWidget::sigYuv, as the main window
// does, and the program waits until the view has painted and swapped it
// (GLYuvWidget::frameSwapped) before sending the next one. Every
// kPicturesPerSwitch pictures the controller behind the menu is given the next
// choice: each of the fourteen layouts, then the zoom and the outlined circle.

#include "DisplayWidget.h"
#include "FisheyeCircleDetector.h"
#include "FisheyeController.h"
#include "GLYuvWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

constexpr int kDefaultPictures = 320;
constexpr int kWarmUpPictures = 20;
constexpr int kDistinctPictures = 4;
constexpr int kPicturesPerSwitch = 10;
constexpr int kDetectRepeats = 20;

void DropDebugMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// A lit disc (the fisheye circle: centred, half the shorter side) with rings
// that move with seed, on black.
QByteArray MakeFisheyePicture(int width, int height, int seed)
{
    QByteArray picture(width * height * 3 / 2, char(128));
    char* luma = picture.data();
    const double radius = std::min(width, height) * 0.5;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const double reach = std::hypot(column + 0.5 - width * 0.5, row + 0.5 - height * 0.5);
            luma[row * width + column] =
                reach > radius ? char(16) : char(90 + (int(reach / 8) + seed * 3) % 120);
        }
    }
    return picture;
}

struct Delivery {
    double seconds = 0.0;
    std::vector<double> each;        // seconds per picture
    std::vector<double> afterSwitch; // seconds of the pictures right after a switch
};

// Sends count pictures; before every kPicturesPerSwitch-th picture, when a
// switch is given, it is called with the number of the switch.
Delivery PushPictures(DisplayWidget& display, const std::vector<QByteArray>& pictures, int count,
                      int width, int height, const std::function<void(int)>& change)
{
    int swapped = 0;
    QObject::connect(display.View(), &GLYuvWidget::frameSwapped, &display,
                     [&swapped] { ++swapped; });
    Delivery delivery;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        const bool switching = change && i % kPicturesPerSwitch == 0;
        if (switching) {
            change(i / kPicturesPerSwitch);
        }
        const int before = swapped;
        emit display.sigYuv(pictures[i % pictures.size()], uint(width), uint(height));
        while (swapped == before) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        delivery.each.push_back(one.nsecsElapsed() * 1e-9);
        if (switching) {
            delivery.afterSwitch.push_back(delivery.each.back());
        }
    }
    delivery.seconds = total.nsecsElapsed() * 1e-9;
    QObject::disconnect(display.View(), &GLYuvWidget::frameSwapped, &display, nullptr);
    return delivery;
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

double SecondsPerDetection(const QByteArray& picture, int width, int height)
{
    QElapsedTimer clock;
    clock.start();
    int found = 0;
    for (int i = 0; i < kDetectRepeats; ++i) {
        found += FisheyeCircleDetector::Detect(picture, width, height) ? 1 : 0;
    }
    const double seconds = clock.nsecsElapsed() * 1e-9 / kDetectRepeats;
    if (found != kDetectRepeats) {
        std::fprintf(stderr, "vorel-fisheye-bench: the circle was not found\n");
    }
    return seconds;
}

void MenuChoice(FisheyeController& controller, int number)
{
    const int step = number % (ViewLayout::kModeCount + 2);
    if (step < ViewLayout::kModeCount) {
        controller.ShowLayout(step);
    } else {
        controller.ShowDisplay(step == ViewLayout::kModeCount ? FisheyeChoice::Display::Zoom
                                                              : FisheyeChoice::Display::Circle);
    }
}

bool ShowWindow(QWidget& window)
{
    window.show();
    QElapsedTimer exposure;
    exposure.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
           exposure.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return window.windowHandle() && window.windowHandle()->isExposed();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler(DropDebugMessages);
    const int count =
        argc > 1 ? std::max(kPicturesPerSwitch, std::atoi(argv[1])) : kDefaultPictures;
    const int width = argc > 3 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;
    if (width < 32 || height < 32) {
        std::fprintf(stderr, "vorel-fisheye-bench: bad picture size\n");
        return 2;
    }
    std::vector<QByteArray> pictures;
    for (int seed = 0; seed < kDistinctPictures; ++seed) {
        pictures.push_back(MakeFisheyePicture(width, height, seed));
    }
    DisplayWidget display;
    display.resize(width / 2, height / 2);
    FisheyeController controller(&display);
    if (!ShowWindow(display)) {
        std::fprintf(stderr, "vorel-fisheye-bench: the window was not shown\n");
        return 1;
    }
    controller.OpenFile(QStringLiteral("vorel-fisheye-bench"));
    PushPictures(display, pictures, kWarmUpPictures, width, height, {});
    const Delivery plain = PushPictures(display, pictures, count, width, height, {});
    const auto menu = [&controller](int number) { MenuChoice(controller, number); };
    PushPictures(display, pictures, kWarmUpPictures, width, height, menu);
    const Delivery switching = PushPictures(display, pictures, count, width, height, menu);
    const double detection = SecondsPerDetection(pictures.front(), width, height);

    const double plainRate = count / plain.seconds;
    const double switchingRate = count / switching.seconds;
    std::printf("picture                   %dx%d YUV420P fisheye, view %dx%d, %d pictures\n", width,
                height, display.width(), display.height(), count);
    std::printf("plain pictures/s          %.1f\n", plainRate);
    std::printf("switching pictures/s      %.1f  (a new layout or mode every %d pictures)\n",
                switchingRate, kPicturesPerSwitch);
    std::printf("switching / plain         %.2f  (pictures delivered per second, as a ratio)\n",
                switchingRate / plainRate);
    std::printf("median delivery           %.2f ms plain, %.2f ms switching\n",
                Median(plain.each) * 1e3, Median(switching.each) * 1e3);
    std::printf("longest after a switch    %.2f ms  (%d switches)\n",
                *std::max_element(switching.afterSwitch.begin(), switching.afterSwitch.end()) * 1e3,
                int(switching.afterSwitch.size()));
    std::printf("circle detection          %.2f ms\n", detection * 1e3);
    return 0;
}
