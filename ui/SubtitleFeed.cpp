#include "SubtitleFeed.h"

#include "GLYuvWidget.h"
#include "PlaySpliterSystem.h"

#include <atomic>
#include <memory>

void SubtitleFeed::Connect(PlaySpliterSystem& engine, GLYuvWidget* view, QObject* context)
{
    // The position the engine reports right before each picture: subtitles
    // follow the picture shown (also untimed, where the clock does not).
    auto positionMs = std::make_shared<std::atomic<qint64>>(0);
    QObject::connect(
        &engine, &PlaySpliterSystem::sigSetLengthing, context,
        [positionMs](int ms) { positionMs->store(ms); }, Qt::DirectConnection);
    view->Subtitles().SetClock([positionMs] { return positionMs->load(); });
    QObject::connect(
        &engine, &PlaySpliterSystem::sigSubtitleTrack, context,
        [view](const SubtitleTrackStart& start) {
            view->Subtitles().Layer().Start(start);
            view->RequestPaint();
        },
        Qt::QueuedConnection);
    QObject::connect(
        &engine, &PlaySpliterSystem::sigSubtitle, context,
        [view](const SubtitleEvent& event) { view->Subtitles().Layer().Add(event); },
        Qt::QueuedConnection);
}
