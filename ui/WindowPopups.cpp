#include "WindowPopups.h"

#include "MultipleWidget.h"
#include "PlayBottomWidget.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlayModelWidget.h"
#include "PictureOverlay.h"
#include "PlaySetting.h"
#include "VolumeWidget.h"

WindowPopups::WindowPopups(QWidget* window, const Widgets& widgets)
    : QObject(window), m_window(window), m_widgets(widgets)
{
    // Each of them lies over the picture when shown.
    for (QWidget* widget : {static_cast<QWidget*>(widgets.list), static_cast<QWidget*>(widgets.import),
                            static_cast<QWidget*>(widgets.settings), static_cast<QWidget*>(widgets.mode),
                            static_cast<QWidget*>(widgets.speed), static_cast<QWidget*>(widgets.volume),
                            static_cast<QWidget*>(widgets.bar)}) {
        PictureOverlay::Lift(widget);
    }
}

bool WindowPopups::isShown(Popup popup) const
{
    return m_shown.contains(popup);
}

QWidget* WindowPopups::WidgetOf(Popup popup) const
{
    switch (popup) {
    case Popup::List:
        return m_widgets.list;
    case Popup::Import:
        return m_widgets.import;
    case Popup::Settings:
        return m_widgets.settings;
    case Popup::Mode:
        return m_widgets.mode;
    case Popup::Speed:
        return m_widgets.speed;
    case Popup::Volume:
        break;
    }
    return m_widgets.volume;
}

void WindowPopups::Hide(const QVector<Popup>& popups)
{
    for (Popup popup : popups) {
        WidgetOf(popup)->hide();
        m_shown.removeAll(popup);
    }
}

void WindowPopups::MarkHidden(Popup popup)
{
    m_shown.removeAll(popup);
}

void WindowPopups::Toggle(Popup popup)
{
    QVector<Popup> others{Popup::List, Popup::Import, Popup::Settings,
                          Popup::Mode, Popup::Speed,  Popup::Volume};
    others.removeAll(popup);
    if (popup == Popup::List) {
        others.removeAll(Popup::Import);
    }
    Hide(others);
    if (isShown(popup)) {
        Hide({popup});
        return;
    }
    Show(popup);
}

void WindowPopups::Show(Popup popup)
{
    if (!isShown(popup)) {
        m_shown.append(popup);
    }
    Place(popup);
    QWidget* widget = WidgetOf(popup);
    widget->raise();
    widget->show();
}

void WindowPopups::Place(Popup popup)
{
    const int w = m_window->width();
    const int h = m_window->height();
    switch (popup) {
    case Popup::List:
        m_widgets.list->resize(w / 5, h - 140);
        m_widgets.list->move(w - m_widgets.list->width(), 40);
        break;
    case Popup::Settings:
        m_widgets.settings->resize(450, 220);
        m_widgets.settings->move(w - 450 - 30, h - 320);
        break;
    case Popup::Mode:
        m_widgets.mode->move(100, h - 229);
        break;
    case Popup::Speed:
        m_widgets.speed->move(w - 279, h - 189);
        break;
    case Popup::Volume:
        m_widgets.bar->PlaceVolume(h - m_widgets.bar->height());
        break;
    case Popup::Import:
        m_widgets.import->resize(kImportWidthPx, kImportHeightPx);
        m_widgets.import->move((w - kImportWidthPx) / 2, (h - kImportHeightPx) / 2);
        break;
    }
}

void WindowPopups::PlaceShown()
{
    for (Popup popup : m_shown) {
        Place(popup);
    }
}
