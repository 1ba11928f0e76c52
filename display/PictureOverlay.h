#pragma once

class QWidget;

// Widgets laid over the picture (the control bar, panels, hints) must be
// native windows of their own: the picture is drawn into a native child
// window, which covers whatever is painted on the window beneath it. Their
// parents stay as they are. A lifted widget's transparent corners show the
// window behind the picture, not the picture.
namespace PictureOverlay {

// GUI thread; before or after the widget is shown.
void Lift(QWidget* widget);

// By default Qt makes every sibling of a native widget native too, and with
// them their stacking and painting change (a full-window sibling would cover
// the picture). Keeps native only the widgets made so on purpose; called by
// Lift and by the view that makes the picture window.
void KeepRelativesPlain();

} // namespace PictureOverlay
