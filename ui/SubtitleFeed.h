#pragma once
// Hands the engine's subtitles to a view: the track announced and its events
// go to the view's subtitle overlay (queued to the GUI thread), whose time is the position the engine reported with the
// last picture. Used by the main window's track controller and by
// vorel-show alike.

class GLYuvWidget;
class PlaySpliterSystem;
class QObject;

namespace SubtitleFeed
{
// GUI thread. The connections live as long as `context` (and the engine).
void Connect(PlaySpliterSystem& engine, GLYuvWidget* view, QObject* context);
} // namespace SubtitleFeed
