// vorel-ui-latency FILE [SECONDS]
//
// Plays FILE in the player's main window and measures how late its GUI
// thread serves events while it plays: a precise 5 ms timer's ticks are
// taken as the event loop's heartbeat, and every gap between two ticks
// beyond the period is time in which a click or a key would have waited.
// After 3 s of warm-up it prints, over SECONDS (default 10), the gaps' 99th
// percentile, the worst gap and how many exceeded one 30 fps frame (33 ms).
#include "MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int kTickMs = 5;
constexpr int kWarmUpMs = 3000;
constexpr qint64 kFrameMs = 33;

void DropDebugMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

void Report(std::vector<qint64> lateMs, double seconds)
{
    std::sort(lateMs.begin(), lateMs.end());
    const auto late = [&lateMs](double share) {
        return lateMs.empty() ? 0 : lateMs[static_cast<size_t>(share * (lateMs.size() - 1))];
    };
    const auto overFrame =
        std::count_if(lateMs.begin(), lateMs.end(), [](qint64 ms) { return ms > kFrameMs; });
    std::printf("GUI thread while playing, %.0f s, %zu heartbeats of %d ms:\n", seconds,
                lateMs.size(), kTickMs);
    std::printf("  late by: median %lld ms, 99th percentile %lld ms, worst %lld ms\n",
                static_cast<long long>(late(0.5)), static_cast<long long>(late(0.99)),
                static_cast<long long>(lateMs.empty() ? 0 : lateMs.back()));
    std::printf("  late by more than one frame (%lld ms): %lld times\n",
                static_cast<long long>(kFrameMs), static_cast<long long>(overFrame));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    qInstallMessageHandler(DropDebugMessages);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vorel-ui-latency FILE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    MainWindow window;
    window.show();
    window.OpenFiles({QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()});

    std::vector<qint64> lateMs;
    QElapsedTimer clock;
    qint64 lastMs = -1;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (lastMs >= 0) {
            lateMs.push_back(std::max<qint64>(0, now - lastMs - kTickMs));
        }
        lastMs = now;
    });
    QTimer::singleShot(kWarmUpMs, [&] {
        clock.start();
        heartbeat.start(kTickMs);
    });
    QTimer::singleShot(kWarmUpMs + seconds * 1000, [&] {
        heartbeat.stop();
        Report(lateMs, seconds);
        QCoreApplication::quit();
    });
    return app.exec();
}
