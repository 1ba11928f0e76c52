#include "FisheyeMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>

namespace
{

// Layout names, by ViewLayout::ViewMode.
const char* const kLayoutNames[ViewLayout::kModeCount] = {
    QT_TRANSLATE_NOOP("FisheyeMenu", "圆形画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "透视画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "全景条 + 2 画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "全景 / 柱面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "水平展开"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "垂直展开"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "双全景"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "四画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "圆形 + 3 画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "圆形 + 5 画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "圆形 + 1 画面"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "圆形 + 2 画面 + 全景条"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "全景"),
    QT_TRANSLATE_NOOP("FisheyeMenu", "平面画面"),
};

// The player's dark popups; set on the menu itself, so that the black
// background its parent's style sheet hands down does not hide the texts.
const char* const kMenuStyle =
    "QMenu{background: #222222;color: #FFFFFF;border: 1px solid #444444;padding: 4px 0px;"
    "font-size: 13px;}"
    "QMenu::item{padding: 6px 28px 6px 28px;background: transparent;}"
    "QMenu::item:selected{background: rgb(62, 107, 236);}"
    "QMenu::item:disabled{color: #777777;}"
    "QMenu::separator{height: 1px;background: #444444;margin: 4px 8px;}"
    "QMenu::indicator{width: 14px;height: 14px;left: 8px;}";

} // namespace

FisheyeMenu::FisheyeMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("fisheyeMenu"));
    setStyleSheet(QString::fromLatin1(kMenuStyle));
    auto* displays = new QActionGroup(this);
    m_plain = AddChoice(this, displays, tr("原始画面"), "plainAction");
    m_zoom = AddChoice(this, displays, tr("放大到鱼眼圆"), "zoomAction");
    m_circle = AddChoice(this, displays, tr("显示鱼眼圆"), "circleAction");
    BuildLayoutMenu();
    addSeparator();
    m_detect = addAction(tr("自动检测鱼眼圆"));
    m_detect->setObjectName(QStringLiteral("detectAction"));
    m_setCircle = addAction(tr("设置鱼眼圆..."));
    m_setCircle->setObjectName(QStringLiteral("setCircleAction"));
    addSeparator();
    m_restore = addAction(tr("恢复上次的鱼眼画面"));
    m_restore->setObjectName(QStringLiteral("restoreAction"));
    addSeparator();
    m_cruise = addAction(tr("自动巡航"));
    m_cruise->setObjectName(QStringLiteral("cruiseAction"));
    m_cruise->setCheckable(true);
    m_export = addAction(tr("导出此画面..."));
    m_export->setObjectName(QStringLiteral("exportAction"));
    m_stretch = addAction(tr("拉伸至窗口"));
    m_stretch->setObjectName(QStringLiteral("stretchAction"));
    m_stretch->setCheckable(true);

    connect(m_plain, &QAction::triggered, this,
            [this] { emit sigDisplayChosen(FisheyeChoice::Display::Plain); });
    connect(m_zoom, &QAction::triggered, this,
            [this] { emit sigDisplayChosen(FisheyeChoice::Display::Zoom); });
    connect(m_circle, &QAction::triggered, this,
            [this] { emit sigDisplayChosen(FisheyeChoice::Display::Circle); });
    connect(m_ceiling, &QAction::triggered, this,
            [this] { emit sigMountChosen(kPanoModeCeiling); });
    connect(m_wall, &QAction::triggered, this, [this] { emit sigMountChosen(kPanoModeWall); });
    connect(m_detect, &QAction::triggered, this, &FisheyeMenu::sigDetectClicked);
    connect(m_setCircle, &QAction::triggered, this, &FisheyeMenu::sigSetCircleClicked);
    connect(m_restore, &QAction::triggered, this, &FisheyeMenu::sigRestoreClicked);
    connect(m_stretch, &QAction::triggered, this, &FisheyeMenu::sigStretchToggled);
    connect(m_cruise, &QAction::triggered, this, &FisheyeMenu::sigCruiseToggled);
    connect(m_export, &QAction::triggered, this, &FisheyeMenu::sigExportClicked);
}

QAction* FisheyeMenu::AddChoice(QMenu* menu, QActionGroup* group, const QString& text,
                                const char* name)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    group->addAction(action);
    return action;
}

void FisheyeMenu::BuildLayoutMenu()
{
    m_layoutMenu = addMenu(tr("鱼眼展开"));
    m_layoutMenu->setObjectName(QStringLiteral("layoutMenu"));
    // Checked while a layout is shown, so that the top level tells it too.
    m_layoutMenu->menuAction()->setCheckable(true);
    // The layouts share the display group: one of them, or one of the other
    // displays, is checked.
    QActionGroup* displays = m_plain->actionGroup();
    for (int layout = 0; layout < ViewLayout::kModeCount; ++layout) {
        const QByteArray name = "layoutAction" + QByteArray::number(layout);
        m_layouts[static_cast<size_t>(layout)] =
            AddChoice(m_layoutMenu, displays, LayoutName(layout), name.constData());
        connect(m_layouts[static_cast<size_t>(layout)], &QAction::triggered, this,
                [this, layout] { emit sigLayoutChosen(layout); });
    }
    m_layoutMenu->addSeparator();
    auto* mounts = new QActionGroup(this);
    m_ceiling = AddChoice(m_layoutMenu, mounts, tr("吸顶安装"), "ceilingAction");
    m_wall = AddChoice(m_layoutMenu, mounts, tr("壁挂安装"), "wallAction");
}

QString FisheyeMenu::LayoutName(int layout)
{
    if (!ViewLayout::IsMode(layout)) {
        return QString();
    }
    return QCoreApplication::translate("FisheyeMenu", kLayoutNames[layout]);
}

void FisheyeMenu::ShowStretch(bool stretch)
{
    m_stretch->setChecked(stretch);
}

void FisheyeMenu::ShowCruise(bool cruising)
{
    m_cruise->setChecked(cruising);
}

void FisheyeMenu::ShowChoice(const FisheyeChoice& choice, Offers offers)
{
    if (choice.display == FisheyeChoice::Display::Dewarp) {
        LayoutAction(choice.layout)->setChecked(true);
    } else {
        DisplayAction(choice.display)->setChecked(true);
    }
    m_layoutMenu->menuAction()->setChecked(choice.display == FisheyeChoice::Display::Dewarp);
    MountAction(choice.mount)->setChecked(true);
    for (int layout = 0; layout < ViewLayout::kModeCount; ++layout) {
        LayoutAction(layout)->setEnabled(ViewLayout::AcceptsMount(layout, choice.mount));
    }
    m_detect->setEnabled(offers.testFlag(Offer::Picture));
    m_setCircle->setEnabled(offers.testFlag(Offer::Picture));
    m_restore->setEnabled(offers.testFlag(Offer::Restore));
    m_cruise->setEnabled(offers.testFlag(Offer::Cruise));
    m_export->setVisible(offers.testFlag(Offer::Export));
}

QAction* FisheyeMenu::DisplayAction(FisheyeChoice::Display display) const
{
    switch (display) {
    case FisheyeChoice::Display::Zoom:
        return m_zoom;
    case FisheyeChoice::Display::Circle:
        return m_circle;
    case FisheyeChoice::Display::Dewarp:
        return m_layoutMenu->menuAction();
    case FisheyeChoice::Display::Plain:
        break;
    }
    return m_plain;
}

QAction* FisheyeMenu::LayoutAction(int layout) const
{
    return ViewLayout::IsMode(layout) ? m_layouts[static_cast<size_t>(layout)] : nullptr;
}

QAction* FisheyeMenu::MountAction(PanoMode mount) const
{
    return mount == kPanoModeCeiling ? m_ceiling : m_wall;
}
