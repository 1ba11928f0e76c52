#include "AppSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

const char* const AppSettings::kFileName = "account.ini";
const char* const AppSettings::kLogOn = "LOG/ON";
const char* const AppSettings::kLanguageFirst = "Language/first";
const char* const AppSettings::kLanguageType = "Language/type";
const char* const AppSettings::kPictureFolder = "PIC/Patch";
const char* const AppSettings::kVideoFolder = "VIDEO/Patch";
const char* const AppSettings::kStretchToWindow = "VIDEO/StretchToWindow";
const char* const AppSettings::kAudioLanguage = "TRACKS/AudioLanguage";
const char* const AppSettings::kSubtitleLanguage = "TRACKS/SubtitleLanguage";
const char* const AppSettings::kChinese = "zh_cn";
const char* const AppSettings::kEnglish = "en_us";

QVariant AppSettings::Value(const QString& key)
{
    QSettings settings(QString::fromLatin1(kFileName), QSettings::IniFormat);
    return settings.value(key);
}

void AppSettings::SetValue(const QString& key, const QVariant& value)
{
    QSettings settings(QString::fromLatin1(kFileName), QSettings::IniFormat);
    settings.setValue(key, value);
}

bool AppSettings::InterfaceIsChinese()
{
    return Value(QString::fromLatin1(kLanguageType)).toString() == QLatin1String(kChinese);
}

bool AppSettings::ToolTipsAreEnglish()
{
    return Value(QString::fromLatin1(kLanguageType)).toString() == QLatin1String(kEnglish);
}

QString AppSettings::PictureFolder()
{
    const QString stored = Value(QString::fromLatin1(kPictureFolder)).toString();
    return stored.isEmpty() ? DefaultPictureFolder() : stored;
}

QString AppSettings::VideoFolder()
{
    const QString stored = Value(QString::fromLatin1(kVideoFolder)).toString();
    return stored.isEmpty() ? DefaultVideoFolder() : stored;
}

QString AppSettings::DefaultFolder(const QString& besideName,
                                   QStandardPaths::StandardLocation userLocation)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable()) {
        return programFolder + QLatin1Char('/') + besideName;
    }
    return QStandardPaths::writableLocation(userLocation) + QStringLiteral("/VorelPlayer");
}

QString AppSettings::DefaultPictureFolder()
{
    return DefaultFolder(QStringLiteral("pic"), QStandardPaths::PicturesLocation);
}

QString AppSettings::DefaultVideoFolder()
{
    return DefaultFolder(QStringLiteral("video"), QStandardPaths::MoviesLocation);
}
