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

} // namespace PictureOverlay
