#include "PictureOverlay.h"

#include <QWidget>

namespace PictureOverlay {

void Lift(QWidget* widget)
{
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
}

} // namespace PictureOverlay
