#include "Linguist.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
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
    return type == Chinese ? QStringLiteral("vorelplayer_zh.qm") : QStringLiteral("vorelplayer_en.qm");
}

QStringList Linguist::SearchFolders()
{
    QStringList folders{QDir::currentPath()};
    const QString besideProgram = QCoreApplication::applicationDirPath();
    if (!besideProgram.isEmpty() && QDir(besideProgram) != QDir::current()) {
        folders << besideProgram;
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
        qDebug() << __LINE__ << "Linguist::loadLanguage" << "cannot load" << FileName(type);
        return;
    }
    QCoreApplication::installTranslator(&m_translator);
    m_currentLanguage = type;
    emit LanguageChaned();
}
