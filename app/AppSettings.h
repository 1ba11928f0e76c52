#pragma once

#include <QStandardPaths>
#include <QString>
#include <QVariant>

// Access to "account.ini" in the working directory. There is no shared
// settings object: every call opens the file afresh and lets it go, so a value
// written by one component is seen by the next reader at once.
//
// Threads: any; QSettings serialises access to the file itself.
class AppSettings
{
public:
    static const char* const kFileName;
    static const char* const kLogOn;
    static const char* const kLanguageFirst;
    static const char* const kLanguageType;
    static const char* const kPictureFolder;
    static const char* const kVideoFolder;
    // The plain picture is stretched to the window instead of keeping its aspect.
    static const char* const kStretchToWindow;
    // The language (ISO 639) of the sound and subtitle tracks last chosen;
    // "no" for subtitles turned off.
    static const char* const kAudioLanguage;
    static const char* const kSubtitleLanguage;
    static const char* const kChinese;
    static const char* const kEnglish;

    // The raw value (an invalid QVariant when the key is absent).
    static QVariant Value(const QString& key);
    static void SetValue(const QString& key, const QVariant& value);

    // True only for "Language/type" == "zh_cn": the main window, screenshot
    // and settings panel show English for any other value.
    static bool InterfaceIsChinese();
    // True only for "Language/type" == "en_us": the control bar's tool tips
    // (and the engine's messages) are Chinese for any other value.
    static bool ToolTipsAreEnglish();

    // The stored folder, or the default when empty: beside the executable
    // ("pic", "video") when its folder is writable, otherwise a "VorelPlayer"
    // folder in the user's Pictures or Videos folder (an installed player).
    static QString PictureFolder();
    static QString VideoFolder();
    static QString DefaultPictureFolder();
    static QString DefaultVideoFolder();

private:
    static QString DefaultFolder(const QString& besideName,
                                 QStandardPaths::StandardLocation userLocation);
};
