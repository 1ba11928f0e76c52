// "account.ini" defaults and readers' language tests, and the language
// switcher: loads once, fails cleanly, finds files in the working directory
// first and beside the executable second.
#include "AppSettings.h"
#include "Linguist.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString Translated()
{
    return QCoreApplication::translate("PlayListWidget", "时间:");
}

} // namespace

class SettingsLanguageTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;
    QString m_originalDir;

    void CopyQm(int type, const QString& folder)
    {
        const QString name = Linguist::FileName(type);
        QFile::remove(folder + QLatin1Char('/') + name);
        QVERIFY(QFile::copy(QStringLiteral(VOREL_QM_DIR "/") + name, folder + QLatin1Char('/') + name));
    }

    void RemoveQm(const QString& folder)
    {
        QFile::remove(folder + QStringLiteral("/vorelplayer_zh.qm"));
        QFile::remove(folder + QStringLiteral("/vorelplayer_en.qm"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        m_originalDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_workDir.path()));
    }

    void cleanupTestCase()
    {
        RemoveQm(QCoreApplication::applicationDirPath());
        QDir::setCurrent(m_originalDir);
    }

    void init()
    {
        QFile::remove(QStringLiteral("account.ini"));
    }

    void defaultsWithoutFile()
    {
        QVERIFY(!AppSettings::Value(QString::fromLatin1(AppSettings::kLogOn)).toBool());
        QCOMPARE(AppSettings::Value(QString::fromLatin1(AppSettings::kLanguageFirst)).toInt(), 0);
        QVERIFY(!AppSettings::InterfaceIsChinese());
        QVERIFY(!AppSettings::ToolTipsAreEnglish());
        const QString appDir = QCoreApplication::applicationDirPath();
        QCOMPARE(AppSettings::PictureFolder(), appDir + QStringLiteral("/pic"));
        QCOMPARE(AppSettings::VideoFolder(), appDir + QStringLiteral("/video"));
        QVERIFY2(!QFile::exists(QStringLiteral("account.ini")), "reading must not create the file");
    }

    void languageTypeReaders_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("chineseInterface");
        QTest::addColumn<bool>("englishToolTips");
        QTest::newRow("zh_cn") << "zh_cn" << true << false;
        QTest::newRow("en_us") << "en_us" << false << true;
        QTest::newRow("other value") << "fr_fr" << false << false;
    }

    void languageTypeReaders()
    {
        QFETCH(QString, type);
        QFETCH(bool, chineseInterface);
        QFETCH(bool, englishToolTips);
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kLanguageType), type);
        QCOMPARE(AppSettings::InterfaceIsChinese(), chineseInterface);
        QCOMPARE(AppSettings::ToolTipsAreEnglish(), englishToolTips);
    }

    void valuesAreWrittenToTheWorkingDirectoryFile()
    {
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kPictureFolder), QStringLiteral("/tmp/shots"));
        QVERIFY(QFile::exists(m_workDir.filePath(QStringLiteral("account.ini"))));
        QCOMPARE(AppSettings::PictureFolder(), QStringLiteral("/tmp/shots"));
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kPictureFolder), QString());
        QCOMPARE(AppSettings::PictureFolder(), AppSettings::DefaultPictureFolder());
    }

    void startsWithNoLanguage()
    {
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::None));
        QCOMPARE(Translated(), QStringLiteral("时间:"));
    }

    void missingFileFailsCleanly()
    {
        RemoveQm(m_workDir.path());
        RemoveQm(QCoreApplication::applicationDirPath());
        QSignalSpy changed(Linguist::instance(), &Linguist::LanguageChaned);
        Linguist::instance()->loadLanguage(Linguist::English);
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::None));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(Translated(), QStringLiteral("时间:"));
    }

    void loadsOnceFromTheWorkingDirectory()
    {
        CopyQm(Linguist::English, m_workDir.path());
        QSignalSpy changed(Linguist::instance(), &Linguist::LanguageChaned);
        Linguist::instance()->loadLanguage(Linguist::English);
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::English));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Translated(), QStringLiteral("Time:"));
        // The same language again does not touch the translator, even with
        // its file gone.
        RemoveQm(m_workDir.path());
        Linguist::instance()->loadLanguage(Linguist::English);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Translated(), QStringLiteral("Time:"));
    }

    void invalidTypesDoNothing()
    {
        QSignalSpy changed(Linguist::instance(), &Linguist::LanguageChaned);
        Linguist::instance()->loadLanguage(Linguist::None);
        Linguist::instance()->loadLanguage(7);
        Linguist::instance()->loadLanguage(-1);
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::English));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(Translated(), QStringLiteral("Time:"));
    }

    void failedSwitchLeavesSourceTextsAndTheOldLanguage()
    {
        RemoveQm(m_workDir.path());
        QSignalSpy changed(Linguist::instance(), &Linguist::LanguageChaned);
        Linguist::instance()->loadLanguage(Linguist::Chinese);
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::English));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(Translated(), QStringLiteral("时间:"));
    }

    void findsTheFileBesideTheExecutable()
    {
        RemoveQm(m_workDir.path());
        CopyQm(Linguist::Chinese, QCoreApplication::applicationDirPath());
        QSignalSpy changed(Linguist::instance(), &Linguist::LanguageChaned);
        Linguist::instance()->loadLanguage(Linguist::Chinese);
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::Chinese));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Linguist::SearchFolders().first(), QDir::currentPath());
    }
};

QTEST_GUILESS_MAIN(SettingsLanguageTest)
#include "tst_SettingsLanguage.moc"
