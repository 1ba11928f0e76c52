#include "ExportOptions.h"

#include "PerspectiveModelBase.h"
#include "ViewLayout.h"

#include <QCommandLineParser>

namespace
{

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

bool ParseCircle(const QString& text, DewarpSettings& view)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok[3] = {false, false, false};
    if (parts.size() != 3) {
        return false;
    }
    view.circleX = parts[0].toInt(&ok[0]);
    view.circleY = parts[1].toInt(&ok[1]);
    view.circleRadius = parts[2].toInt(&ok[2]);
    return ok[0] && ok[1] && ok[2] && view.circleX >= 0 && view.circleY >= 0 &&
           view.circleRadius > 0;
}

bool ParseLens(const QString& projectionText, const QString& fovText, FisheyeLens& lens)
{
    const std::optional<FisheyeLens> parsed = FisheyeLens::Parse(projectionText, fovText);
    if (parsed) {
        lens = *parsed;
    }
    return parsed.has_value();
}

// Even sides: 4:2:0 pictures have whole chroma samples.
bool ParseSize(const QString& text, QSize& size)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    bool okW = false;
    bool okH = false;
    if (parts.size() != 2) {
        return false;
    }
    size = QSize(parts[0].toInt(&okW), parts[1].toInt(&okH));
    auto fits = [](int side) { return side >= kMinSide && side <= kMaxSide && side % 2 == 0; };
    return okW && okH && fits(size.width()) && fits(size.height());
}

bool ParseDegrees(const QString& text, double low, double high, std::optional<float>& value)
{
    bool ok = false;
    const double degrees = text.toDouble(&ok);
    if (!ok || degrees < low || degrees > high) {
        return false;
    }
    value = static_cast<float>(degrees);
    return true;
}

bool ParseMs(const QString& text, qint64& ms)
{
    bool ok = false;
    ms = text.toLongLong(&ok);
    return ok && ms >= 0;
}

} // namespace

namespace ExportOptions
{

QString Usage()
{
    return QStringLiteral(
        "usage: vorel-export --fisheye MODE [--circle X,Y,R] [--wall] [--lens KIND]\n"
        "                    [--lens-fov DEG] [--pan DEG] [--tilt DEG] [--fov DEG]\n"
        "                    [--size WxH] [--from MS] [--to MS] INPUT OUTPUT.mp4\n");
}

bool Parse(const QStringList& arguments, ExportRequest& request, QString& error)
{
    QCommandLineParser parser;
    auto option = [](const char* name, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(value));
    };
    const QCommandLineOption fisheye = option("fisheye", "mode");
    const QCommandLineOption circle = option("circle", "x,y,r");
    const QCommandLineOption wall(QStringLiteral("wall"));
    const QCommandLineOption lens = option("lens", "kind");
    const QCommandLineOption lensFov = option("lens-fov", "deg");
    const QCommandLineOption pan = option("pan", "deg");
    const QCommandLineOption tilt = option("tilt", "deg");
    const QCommandLineOption fov = option("fov", "deg");
    const QCommandLineOption size = option("size", "wxh");
    const QCommandLineOption from = option("from", "ms");
    const QCommandLineOption to = option("to", "ms");
    parser.addOptions({fisheye, circle, wall, lens, lensFov, pan, tilt, fov, size, from, to});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        error = QStringLiteral("an INPUT and an OUTPUT file are needed");
        return false;
    }
    request.input = files[0];
    request.output = files[1];
    if (!request.output.endsWith(QStringLiteral(".mp4"), Qt::CaseInsensitive)) {
        error = QStringLiteral("the output is an MP4 file: its name ends in .mp4");
        return false;
    }
    DewarpSettings& view = request.view;
    bool ok = false;
    view.layout = parser.value(fisheye).toInt(&ok);
    if (!parser.isSet(fisheye) || !ok || !ViewLayout::IsMode(view.layout)) {
        error = QStringLiteral("--fisheye takes a layout from 0 to 13");
        return false;
    }
    view.mount = parser.isSet(wall) ? kPanoModeWall : kPanoModeCeiling;
    if (!ViewLayout::AcceptsMount(view.layout, view.mount)) {
        error = QStringLiteral("a wall-mounted camera shows layouts 0, 1, 4, 5 and 13 only");
        return false;
    }
    const auto check = [&error](bool valid, const char* message) {
        if (!valid) {
            error = QString::fromLatin1(message);
        }
        return valid;
    };
    return check(!parser.isSet(circle) || ParseCircle(parser.value(circle), view),
                 "--circle takes X,Y,R in picture pixels") &&
           check(ParseLens(parser.isSet(lens) ? parser.value(lens) : QString(),
                           parser.isSet(lensFov) ? parser.value(lensFov) : QString(), view.lens),
                 "--lens takes equidistant, equisolid, stereographic or orthographic, "
                 "--lens-fov 120 to 240 degrees (180 for orthographic)") &&
           check(!parser.isSet(pan) || ParseDegrees(parser.value(pan), -360, 360, view.panDegrees),
                 "--pan takes -360 to 360 degrees") &&
           check(!parser.isSet(tilt) || ParseDegrees(parser.value(tilt), -90, 90, view.tiltDegrees),
                 "--tilt takes -90 to 90 degrees") &&
           check(!parser.isSet(fov) ||
                     ParseDegrees(parser.value(fov), PerspectiveModelBase::kMinFov,
                                  PerspectiveModelBase::kMaxFov, view.fovDegrees),
                 "--fov takes 40 to 90 degrees") &&
           check(!parser.isSet(size) || ParseSize(parser.value(size), request.size),
                 "--size takes WxH, even sides from 16 to 8192") &&
           check(!parser.isSet(from) || ParseMs(parser.value(from), request.fromMs),
                 "--from takes milliseconds") &&
           check(!parser.isSet(to) ||
                     (ParseMs(parser.value(to), request.toMs) && request.toMs > request.fromMs),
                 "--to takes milliseconds after --from");
}

} // namespace ExportOptions
