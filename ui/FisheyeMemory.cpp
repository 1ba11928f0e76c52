#include "FisheyeMemory.h"

#include "AppSettings.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>

const char* const FisheyeMemory::kGroup = "Fisheye";

namespace
{

struct DisplayName {
    FisheyeChoice::Display display;
    const char* name;
};

constexpr DisplayName kDisplayNames[] = {
    {FisheyeChoice::Display::Zoom, "zoom"},
    {FisheyeChoice::Display::Circle, "circle"},
    {FisheyeChoice::Display::Dewarp, "dewarp"},
};
const char* const kCeiling = "ceiling";
const char* const kWall = "wall";

// The settings file opened on the memory's group.
struct Group {
    Group() : settings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat)
    {
        settings.beginGroup(QString::fromLatin1(FisheyeMemory::kGroup));
    }
    QSettings settings;
};

// Drops the files with the lowest order until at most kMaxFiles are left.
void Prune(QSettings& settings)
{
    QStringList files = settings.childGroups();
    if (files.size() <= FisheyeMemory::kMaxFiles) {
        return;
    }
    const auto order = [&settings](const QString& key) {
        return settings.value(key + QStringLiteral("/order")).toLongLong();
    };
    std::sort(files.begin(), files.end(),
              [&order](const QString& a, const QString& b) { return order(a) < order(b); });
    for (int i = 0; i < files.size() - FisheyeMemory::kMaxFiles; ++i) {
        settings.remove(files[i]);
    }
}

qint64 NextOrder(QSettings& settings)
{
    qint64 last = 0;
    for (const QString& key : settings.childGroups()) {
        last = std::max(last, settings.value(key + QStringLiteral("/order")).toLongLong());
    }
    return last + 1;
}

// The lens keys of the file's subgroup; absent keys mean the default lens.
// False for a lens that cannot be read.
bool RecallLens(const QSettings& settings, FisheyeLens& lens)
{
    FisheyeLens::Projection projection = FisheyeLens::Projection::Equidistant;
    const QVariant name = settings.value(QStringLiteral("lens"));
    if (name.isValid()) {
        const std::optional<FisheyeLens::Projection> named = FisheyeLens::FromName(name.toString());
        if (!named) {
            return false;
        }
        projection = *named;
    }
    double fov = FisheyeLens::kDefaultFovDegrees;
    const QVariant fovValue = settings.value(QStringLiteral("lensFov"));
    if (fovValue.isValid()) {
        bool ok = false;
        fov = fovValue.toDouble(&ok);
        if (!ok || !std::isfinite(fov)) {
            return false;
        }
    }
    lens = FisheyeLens::Make(projection, fov);
    return true;
}

} // namespace

QString FisheyeMemory::KeyOf(const QString& filePath)
{
    const QString absolute = QFileInfo(filePath).absoluteFilePath();
    return QString::fromLatin1(
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex());
}

void FisheyeMemory::Remember(const QString& filePath, const FisheyeChoice& choice)
{
    const auto named = std::find_if(
        std::begin(kDisplayNames), std::end(kDisplayNames),
        [&choice](const DisplayName& entry) { return entry.display == choice.display; });
    if (named == std::end(kDisplayNames) || !choice.circle.IsValid() || filePath.isEmpty()) {
        return;
    }
    Group group;
    QSettings& settings = group.settings;
    const qint64 order = NextOrder(settings);
    settings.beginGroup(KeyOf(filePath));
    settings.setValue(QStringLiteral("file"), QFileInfo(filePath).absoluteFilePath());
    settings.setValue(QStringLiteral("display"), QString::fromLatin1(named->name));
    settings.setValue(QStringLiteral("layout"), choice.layout);
    settings.setValue(QStringLiteral("mount"),
                      QString::fromLatin1(choice.mount == kPanoModeCeiling ? kCeiling : kWall));
    settings.setValue(QStringLiteral("centreX"), choice.circle.centreX);
    settings.setValue(QStringLiteral("centreY"), choice.circle.centreY);
    settings.setValue(QStringLiteral("radius"), choice.circle.radius);
    settings.setValue(QStringLiteral("pictureWidth"), choice.pictureWidth);
    settings.setValue(QStringLiteral("pictureHeight"), choice.pictureHeight);
    settings.setValue(QStringLiteral("lens"), FisheyeLens::Name(choice.lens.projection));
    settings.setValue(QStringLiteral("lensFov"), choice.lens.fovDegrees);
    settings.setValue(QStringLiteral("order"), order);
    settings.endGroup();
    Prune(settings);
}

std::optional<FisheyeChoice> FisheyeMemory::Recall(const QString& filePath)
{
    if (filePath.isEmpty()) {
        return std::nullopt;
    }
    Group group;
    QSettings& settings = group.settings;
    settings.beginGroup(KeyOf(filePath));
    const QString display = settings.value(QStringLiteral("display")).toString();
    const auto named = std::find_if(
        std::begin(kDisplayNames), std::end(kDisplayNames),
        [&display](const DisplayName& entry) { return display == QLatin1String(entry.name); });
    const QString mount = settings.value(QStringLiteral("mount")).toString();
    FisheyeChoice choice;
    bool layoutOk = false;
    choice.layout = settings.value(QStringLiteral("layout")).toInt(&layoutOk);
    choice.mount = mount == QLatin1String(kWall) ? kPanoModeWall : kPanoModeCeiling;
    choice.circle = {settings.value(QStringLiteral("centreX")).toDouble(),
                     settings.value(QStringLiteral("centreY")).toDouble(),
                     settings.value(QStringLiteral("radius")).toDouble()};
    choice.pictureWidth = settings.value(QStringLiteral("pictureWidth")).toInt();
    choice.pictureHeight = settings.value(QStringLiteral("pictureHeight")).toInt();
    if (named == std::end(kDisplayNames) || !layoutOk || !ViewLayout::IsMode(choice.layout) ||
        (mount != QLatin1String(kWall) && mount != QLatin1String(kCeiling)) ||
        !choice.circle.IsValid() || choice.pictureWidth <= 0 || choice.pictureHeight <= 0 ||
        !RecallLens(settings, choice.lens)) {
        return std::nullopt;
    }
    choice.display = named->display;
    return choice;
}

void FisheyeMemory::Forget(const QString& filePath)
{
    Group group;
    group.settings.remove(KeyOf(filePath));
}
