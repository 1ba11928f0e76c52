#include "IconPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kLight(0xD6, 0xDA, 0xE2);   // normal face on the dark bar
const QColor kAccent(0x4C, 0x84, 0xFF);  // hovered or pressed
const QColor kDark(0x33, 0x33, 0x33);    // normal face on the white title bar
const QColor kMuted(0x99, 0x99, 0x99);
constexpr int kBarIconPx = 70;     // shown in 35 x 35 buttons
constexpr int kTitleIconPx = 36;   // shown in 18 x 18 buttons
constexpr int kKindIconPx = 144;   // shown at 72 x 72 and in 60-pixel rows
constexpr int kSmallIconPx = 48;   // add, delete and dialog close buttons
constexpr double kStroke = 1.7;    // on the 24-unit grid
constexpr double kPi = 3.14159265358979323846;

void Arc(QPainterPath& path, double cx, double cy, double r, double startDeg, double spanDeg)
{
    path.arcMoveTo(cx - r, cy - r, 2 * r, 2 * r, startDeg);
    path.arcTo(cx - r, cy - r, 2 * r, 2 * r, startDeg, spanDeg);
}

void ArrowHead(QPainter& p, QPointF tip, double angleDeg)
{
    const double a = angleDeg * kPi / 180.0;
    const double len = 3.2;
    const QPointF left(tip.x() - len * std::cos(a - 0.6), tip.y() + len * std::sin(a - 0.6));
    const QPointF right(tip.x() - len * std::cos(a + 0.6), tip.y() + len * std::sin(a + 0.6));
    p.drawPolyline(QPolygonF({left, tip, right}));
}

void DrawLoop(QPainter& p)
{
    QPainterPath path;
    path.moveTo(5, 13);
    path.lineTo(5, 10);
    path.quadTo(5, 7, 8, 7);
    path.lineTo(18, 7);
    path.moveTo(19, 11);
    path.lineTo(19, 14);
    path.quadTo(19, 17, 16, 17);
    path.lineTo(6, 17);
    p.drawPath(path);
    ArrowHead(p, QPointF(18.5, 7), 0);
    ArrowHead(p, QPointF(5.5, 17), 180);
}

void DrawSpeaker(QPainter& p)
{
    p.drawPolygon(QPolygonF({QPointF(4, 9.5), QPointF(7.5, 9.5), QPointF(12, 5.5), QPointF(12, 18.5),
                             QPointF(7.5, 14.5), QPointF(4, 14.5)}));
}

void DrawGear(QPainter& p)
{
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a = i * kPi / teeth;
        const double r = (i % 2 == 0) ? 8.5 : 6.6;
        const QPointF pt(12 + r * std::cos(a), 12 + r * std::sin(a));
        i == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    path.closeSubpath();
    p.drawPath(path);
    p.drawEllipse(QPointF(12, 12), 2.6, 2.6);
}

void DrawDocument(QPainter& p, const QColor& colour, const QString& label)
{
    QPainterPath page;
    page.moveTo(5, 2.5);
    page.lineTo(14.5, 2.5);
    page.lineTo(19, 7);
    page.lineTo(19, 21.5);
    page.lineTo(5, 21.5);
    page.closeSubpath();
    p.setBrush(QColor(0x2E, 0x33, 0x3D));
    p.drawPath(page);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(14.5, 2.5), QPointF(14.5, 7), QPointF(19, 7)}));
    if (label.isEmpty()) {
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
        p.drawLine(QPointF(8, 15.5), QPointF(16, 15.5));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2.5, 12, 14.5, 6.5), 1.2, 1.2);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(4);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x1E, 0x22, 0x2A));
    p.drawText(QRectF(2.5, 12, 14.5, 6.5), Qt::AlignCenter, label);
}

void DrawAppLogo(QPainter& p)
{
    QLinearGradient ground(0, 0, 24, 24);
    ground.setColorAt(0, QColor(0x6A, 0x9B, 0xFF));
    ground.setColorAt(1, QColor(0x2F, 0x5F, 0xE0));
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawRoundedRect(QRectF(1, 1, 22, 22), 5.5, 5.5);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(9.5, 7), QPointF(17.5, 12), QPointF(9.5, 17)}));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.2));
    p.drawEllipse(QPointF(12, 12), 8, 8);
}

void DrawMedia(QPainter& p, IconPainter::Glyph glyph, const QColor& colour)
{
    using G = IconPainter::Glyph;
    switch (glyph) {
    case G::PauseBars:
        p.drawLine(QPointF(9, 6), QPointF(9, 18));
        p.drawLine(QPointF(15, 6), QPointF(15, 18));
        break;
    case G::PlayTriangle:
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({QPointF(8, 5.5), QPointF(18.5, 12), QPointF(8, 18.5)}));
        break;
    case G::Previous:
        p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 17.5));
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({QPointF(18, 6.5), QPointF(9.5, 12), QPointF(18, 17.5)}));
        break;
    case G::Next:
        p.drawLine(QPointF(17.5, 6.5), QPointF(17.5, 17.5));
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({QPointF(6, 6.5), QPointF(14.5, 12), QPointF(6, 17.5)}));
        break;
    case G::Record:
        p.drawRoundedRect(QRectF(3, 7, 12.5, 10), 2, 2);
        p.drawPolygon(QPolygonF({QPointF(15.5, 10.5), QPointF(21, 7.5), QPointF(21, 16.5), QPointF(15.5, 13.5)}));
        break;
    case G::Camera:
        p.drawRoundedRect(QRectF(3, 7, 18, 12.5), 2, 2);
        p.drawPolyline(QPolygonF({QPointF(8, 7), QPointF(9.5, 4.5), QPointF(14.5, 4.5), QPointF(16, 7)}));
        p.drawEllipse(QPointF(12, 13.2), 3.4, 3.4);
        break;
    default:
        break;
    }
}

void DrawModes(QPainter& p, IconPainter::Glyph glyph)
{
    using G = IconPainter::Glyph;
    switch (glyph) {
    case G::Loop:
        DrawLoop(p);
        break;
    case G::Single: {
        DrawLoop(p);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(7);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(8, 8.5, 8, 7), Qt::AlignCenter, QStringLiteral("1"));
        break;
    }
    case G::Random:
        p.drawPolyline(QPolygonF({QPointF(3.5, 7), QPointF(7.5, 7), QPointF(15, 17), QPointF(20, 17)}));
        p.drawPolyline(QPolygonF({QPointF(3.5, 17), QPointF(7.5, 17), QPointF(15, 7), QPointF(20, 7)}));
        ArrowHead(p, QPointF(20.5, 7), 0);
        ArrowHead(p, QPointF(20.5, 17), 0);
        break;
    case G::StopAfter:
        p.drawLine(QPointF(3.5, 12), QPointF(15, 12));
        ArrowHead(p, QPointF(15.5, 12), 0);
        p.drawLine(QPointF(19.5, 6.5), QPointF(19.5, 17.5));
        break;
    default:
        break;
    }
}

void DrawControls(QPainter& p, IconPainter::Glyph glyph, const QColor& colour)
{
    using G = IconPainter::Glyph;
    QPainterPath path;
    switch (glyph) {
    case G::Minimize:
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        break;
    case G::Maximize:
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
        break;
    case G::Close:
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    case G::SoundOn:
        DrawSpeaker(p);
        Arc(path, 12, 12, 4.5, -45, 90);
        Arc(path, 12, 12, 8, -50, 100);
        p.drawPath(path);
        break;
    case G::SoundOff:
        DrawSpeaker(p);
        p.drawLine(QPointF(15, 9.5), QPointF(20, 14.5));
        p.drawLine(QPointF(20, 9.5), QPointF(15, 14.5));
        break;
    case G::Gear:
        DrawGear(p);
        break;
    case G::List:
        for (double y : {7.0, 12.0, 17.0}) {
            p.drawLine(QPointF(9, y), QPointF(20, y));
            p.drawPoint(QPointF(4.8, y));
        }
        break;
    case G::FullScreen:
        p.drawPolyline(QPolygonF({QPointF(4, 9), QPointF(4, 4), QPointF(9, 4)}));
        p.drawPolyline(QPolygonF({QPointF(15, 4), QPointF(20, 4), QPointF(20, 9)}));
        p.drawPolyline(QPolygonF({QPointF(20, 15), QPointF(20, 20), QPointF(15, 20)}));
        p.drawPolyline(QPolygonF({QPointF(9, 20), QPointF(4, 20), QPointF(4, 15)}));
        break;
    case G::Add:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawLine(QPointF(12, 7.5), QPointF(12, 16.5));
        p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
        break;
    case G::Delete:
        p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
        p.drawPolyline(QPolygonF({QPointF(9, 6.5), QPointF(9.5, 4), QPointF(14.5, 4), QPointF(15, 6.5)}));
        p.drawPolygon(QPolygonF({QPointF(6, 6.5), QPointF(7, 20), QPointF(17, 20), QPointF(18, 6.5)}));
        p.drawLine(QPointF(10.5, 10), QPointF(10.5, 16.5));
        p.drawLine(QPointF(13.5, 10), QPointF(13.5, 16.5));
        break;
    default:
        DrawMedia(p, glyph, colour);
        DrawModes(p, glyph);
        break;
    }
}

void AddPair(QVector<IconPainter::Icon>& icons, const QString& base, IconPainter::Glyph glyph, int sizePx,
             const QColor& normal)
{
    icons.append({base + QStringLiteral("_nor.png"), sizePx, glyph, normal, QString()});
    icons.append({base + QStringLiteral("_pre.png"), sizePx, glyph, kAccent, QString()});
}

} // namespace

QVector<IconPainter::Icon> IconPainter::AllIcons()
{
    QVector<Icon> icons;
    AddPair(icons, QStringLiteral("nav_icon_small"), Glyph::Minimize, kTitleIconPx, kDark);
    AddPair(icons, QStringLiteral("nav_icon_big"), Glyph::Maximize, kTitleIconPx, kDark);
    AddPair(icons, QStringLiteral("nav_icon_close"), Glyph::Close, kTitleIconPx, kDark);
    // The state button shows what a click does: while playing ("play") it
    // offers pausing, while paused ("pause") it offers playing.
    const struct { const char* base; Glyph glyph; } bar[] = {
        {"bottom_icon_play", Glyph::PauseBars}, {"bottom_icon_pause", Glyph::PlayTriangle},
        {"bottom_icon_up", Glyph::Previous}, {"bottom_icon_down", Glyph::Next},
        {"bottom_icon_loop", Glyph::Loop}, {"bottom_icon_only", Glyph::Single},
        {"bottom_icon_random", Glyph::Random}, {"bottom_icon_off", Glyph::StopAfter},
        {"bottom_icon_printscreen", Glyph::Camera}, {"bottom_icon_record", Glyph::Record},
        {"bottom_icon_turn_on_sound", Glyph::SoundOn}, {"bottom_icon_turn_off_sound", Glyph::SoundOff},
        {"bottom_icon_set", Glyph::Gear}, {"bottom_icon_sort", Glyph::List},
        {"bottom_icon_lessen", Glyph::FullScreen}};
    for (const auto& entry : bar) {
        AddPair(icons, QString::fromLatin1(entry.base), entry.glyph, kBarIconPx, kLight);
    }
    const struct { const char* kind; const char* label; QColor colour; } kinds[] = {
        {"mp4", "MP4", QColor(0x4C, 0x84, 0xFF)}, {"mov", "MOV", QColor(0x9B, 0x6B, 0xF2)},
        {"flv", "FLV", QColor(0xF2, 0x8C, 0x38)}, {"wmv", "WMV", QColor(0x38, 0xB2, 0xF2)},
        {"rtsp", "MVR", QColor(0x35, 0xC8, 0x8A)}, {"avi", "AVI", QColor(0xF2, 0x5C, 0x5C)},
        {"mkv", "MKV", QColor(0xE0, 0xC0, 0x40)}, {"rtm", "RTM", QColor(0x5C, 0xD6, 0xD6)}};
    for (const auto& kind : kinds) {
        icons.append({QStringLiteral("margin_icon_%1_nor.png").arg(QLatin1String(kind.kind)), kKindIconPx,
                      Glyph::Document, kind.colour, QString::fromLatin1(kind.label)});
    }
    icons.append({QStringLiteral("margin_icon_file_nor.png"), kSmallIconPx, Glyph::Document, kLight, QString()});
    AddPair(icons, QStringLiteral("margin_icon_add"), Glyph::Add, kSmallIconPx, kLight);
    AddPair(icons, QStringLiteral("margin_icon_delete"), Glyph::Delete, kSmallIconPx, kLight);
    icons.append({QStringLiteral("login_btn_close.png"), kSmallIconPx, Glyph::Close, kMuted, QString()});
    icons.append({QStringLiteral("login_btn_close_move.png"), kSmallIconPx, Glyph::Close, kLight, QString()});
    icons.append({QStringLiteral("login_btn_close_pre.png"), kSmallIconPx, Glyph::Close, kAccent, QString()});
    icons.append({QStringLiteral("logo.png"), 256, Glyph::AppLogo, kAccent, QString()});
    icons.append({QStringLiteral("bitbug_favicon.ico"), 64, Glyph::AppLogo, kAccent, QString()});
    return icons;
}

QImage IconPainter::Render(const Icon& icon)
{
    QImage image(icon.sizePx, icon.sizePx, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(icon.sizePx / 24.0, icon.sizePx / 24.0);
    p.setPen(QPen(icon.colour, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (icon.glyph == Glyph::AppLogo) {
        DrawAppLogo(p);
    } else if (icon.glyph == Glyph::Document) {
        if (!icon.label.isEmpty()) {
            p.setPen(QPen(kLight, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        DrawDocument(p, icon.colour, icon.label);
    } else {
        DrawControls(p, icon.glyph, icon.colour);
    }
    return image;
}
