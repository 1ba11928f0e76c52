#include "PictureOverlay.h"

#include <QCoreApplication>
#include <QWidget>

namespace PictureOverlay {

void KeepRelativesPlain()
{
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
}

void Lift(QWidget* widget)
{
    KeepRelativesPlain();
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
}

} // namespace PictureOverlay
