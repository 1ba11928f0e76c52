#include "Linguist.h"

#include "AppSettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

Linguist* Linguist::instance()
{
    // Lives until the process exits, after every widget.
    static Linguist linguist;
    return &linguist;
}

Linguist::Linguist() = default;

QString Linguist::FileName(int type)
{
    return type == Chinese ? QStringLiteral("vorelplayer_zh.qm")
                           : QStringLiteral("vorelplayer_en.qm");
}

QString Linguist::QtFileName(int type)
{
    return type == Chinese ? QStringLiteral("qtbase_zh_CN") : QStringLiteral("qtbase_en");
}

QStringList Linguist::SearchFolders()
{
    QStringList folders{QDir::currentPath()};
    const QString besideProgram = QCoreApplication::applicationDirPath();
    if (!besideProgram.isEmpty() && QDir(besideProgram) != QDir::current()) {
        folders << besideProgram;
    }
    if (!besideProgram.isEmpty()) {
        folders << QDir::cleanPath(besideProgram +
                                   QStringLiteral("/../share/vorelplayer/translations"));
    }
    return folders;
}

void Linguist::loadLanguage(int type)
{
    if (type == m_currentLanguage || (type != Chinese && type != English)) {
        return;
    }
    QCoreApplication::removeTranslator(&m_translator);
    bool loaded = false;
    for (const QString& folder : SearchFolders()) {
        if (m_translator.load(FileName(type), folder, QString(), QString())) {
            loaded = true;
            break;
        }
    }
    if (!loaded) {
        qDebug() << __LINE__ << "Linguist::loadLanguage"
                 << "cannot load" << FileName(type);
        return;
    }
    QCoreApplication::installTranslator(&m_translator);
    QCoreApplication::removeTranslator(&m_qtTranslator);
    // English needs no file: Qt's source texts are English.
    if (type == Chinese &&
        m_qtTranslator.load(QtFileName(type),
                            QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_qtTranslator);
    }
    m_currentLanguage = type;
    emit LanguageChaned();
}

void Linguist::ChooseAtStart(QSettings& settings)
{
    const QString first = QString::fromLatin1(AppSettings::kLanguageFirst);
    const QString type = QString::fromLatin1(AppSettings::kLanguageType);
    if (settings.value(first).toInt() == 1 || !settings.contains(type)) {
        settings.setValue(first, 0);
        const QLocale locale;
        qDebug() << __LINE__ << "Linguist::ChooseAtStart"
                 << QLocale::countryToString(locale.country()) << locale.bcp47Name();
        const bool chinese = locale.bcp47Name() == QLatin1String("zh");
        loadLanguage(chinese ? Chinese : English);
        settings.setValue(
            type, QString::fromLatin1(chinese ? AppSettings::kChinese : AppSettings::kEnglish));
        return;
    }
    loadLanguage(settings.value(type).toString() == QLatin1String(AppSettings::kChinese) ? Chinese
                                                                                         : English);
}
