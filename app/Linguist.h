#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTranslator>

class QSettings;

// The program's one translator and the language it holds. Created on first
// use by instance() and kept until the process exits (the translator stays
// installed for the whole run).
//
// Threads: GUI thread only.
class Linguist : public QObject
{
    Q_OBJECT

public:
    enum Language { Chinese = 0, English = 1, None = 2 };

    static Linguist* instance();

    int currentLanguage() const { return m_currentLanguage; }
    // "vorelplayer_zh.qm" or "vorelplayer_en.qm".
    static QString FileName(int type);
    // Where a translation file is looked for, in order: the working
    // directory, the executable's folder, then the installed
    // "../share/vorelplayer/translations" beside it.
    static QStringList SearchFolders();
    // Qt's own texts (file dialogs, standard buttons) in the language.
    static QString QtFileName(int type);

    // Switches to 0 (Chinese) or 1 (English); the same language again, 2 and
    // any other value do nothing. A file that cannot be loaded leaves the
    // translator removed (source texts) and the language unchanged.
    void loadLanguage(int type);
    // The language at start-up: on a first run ("Language/first" = 1, or no
    // "Language/type" at all, as for a new installation) the system locale's
    // (Chinese for "zh", English otherwise), written to "Language/type" so
    // that every component reading it agrees; else "Language/type".
    void ChooseAtStart(QSettings& settings);

signals:
    void LanguageChaned();

private:
    Linguist();

    int m_currentLanguage = None;
    QTranslator m_translator;
    QTranslator m_qtTranslator;
};
