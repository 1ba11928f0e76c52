// A first start (no language in "account.ini") follows the system locale for
// every text: the window's forms, the control bar's tool tips, the engine's
// failure messages, the resume offer and Qt's own standard buttons are all
// Chinese under a mainland Chinese locale, and no text of the window is
// Chinese under any other.
#include "MainWindow.h"

#include "AppSettings.h"
#include "Linguist.h"
#include "MsgBox.h"
#include "PlayBottomWidget.h"
#include "ResumeOffer.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

bool HasChinese(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3000 && u <= 0x303F) ||
            (u >= 0xFF00 && u <= 0xFFEF)) {
            return true;
        }
    }
    return false;
}

// Every text of `root` and its children a user can see: labels, buttons and
// tool tips, named by the widget's object name.
QStringList Texts(QWidget* root)
{
    QStringList texts;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        const QString name = widget->objectName() + QStringLiteral(": ");
        if (!widget->toolTip().isEmpty()) {
            texts << name + widget->toolTip();
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
            texts << name + label->text();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && !button->text().isEmpty()) {
            texts << name + button->text();
        }
    }
    return texts;
}

const char* const kBarButtons[] = {"stateBtn",      "rollbackBtn", "fastForwardBtn", "modelBtn",
                                   "screenshotBtn", "videoBtn",    "soundBtn",       "settingBtn",
                                   "playerListBtn", "fullBtn"};

} // namespace

class FirstStartLanguageTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

    // A first start under `locale`: the language chosen as the program's
    // start chooses it, then the window.
    std::unique_ptr<MainWindow> FirstStart(const char* locale)
    {
        QFile::remove(QStringLiteral("account.ini"));
        QLocale::setDefault(QLocale(QLatin1String(locale)));
        {
            QSettings settings(QStringLiteral("account.ini"), QSettings::IniFormat);
            Linguist::instance()->ChooseAtStart(settings);
        }
        auto window = std::make_unique<MainWindow>();
        window->show();
        return window;
    }

    // The engine's message for a file it cannot open, as the window shows it.
    static QString EngineMessage(MainWindow& window)
    {
        window.OpenFiles({QDir::current().filePath(QStringLiteral("broken.mp4"))});
        if (!QTest::qWaitFor(
                [&window] { return window.messageBox() && window.messageBox()->isVisible(); },
                20000)) {
            return QString();
        }
        return window.messageBox()->findChild<QLabel*>(QStringLiteral("msg"))->text();
    }

    static QString CancelText()
    {
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        return buttons.button(QDialogButtonBox::Cancel)->text();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        for (const char* qm : {"vorelplayer_zh.qm", "vorelplayer_en.qm"}) {
            QVERIFY(QFile::copy(QStringLiteral(VOREL_QM_DIR "/") + QLatin1String(qm),
                                QLatin1String(qm)));
        }
        QFile broken(QStringLiteral("broken.mp4"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
    }

    void mainlandChineseLocaleGivesChineseEverywhere()
    {
        auto window = FirstStart("zh_CN");
        QCOMPARE(AppSettings::Value(QString::fromLatin1(AppSettings::kLanguageType)).toString(),
                 QStringLiteral("zh_cn"));
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::Chinese));
        for (const char* name : kBarButtons) {
            const QString tip =
                window->bottomWidget()->findChild<QWidget*>(QLatin1String(name))->toolTip();
            QVERIFY2(HasChinese(tip), name);
        }
        for (const char* name : {"closeBtn", "maxBtn", "minBtn"}) {
            QVERIFY2(HasChinese(window->findChild<QWidget*>(QLatin1String(name))->toolTip()), name);
        }
        QCOMPARE(window->resumeOffer()->ActionText(), QStringLiteral("继续播放 (Enter)"));
        QCOMPARE(EngineMessage(*window), QStringLiteral("打开文件失败"));
        QCOMPARE(CancelText(), QStringLiteral("取消"));
    }

    void otherLocalesGiveEnglishEverywhere_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("English") << "en_GB";
        QTest::newRow("Taiwan") << "zh_TW";
        QTest::newRow("German") << "de_DE";
    }

    void otherLocalesGiveEnglishEverywhere()
    {
        QFETCH(QString, locale);
        auto window = FirstStart(locale.toLatin1().constData());
        QCOMPARE(AppSettings::Value(QString::fromLatin1(AppSettings::kLanguageType)).toString(),
                 QStringLiteral("en_us"));
        QCOMPARE(Linguist::instance()->currentLanguage(), int(Linguist::English));
        QCOMPARE(window->bottomWidget()->findChild<QWidget*>(QStringLiteral("stateBtn"))->toolTip(),
                 QStringLiteral("Start/Stop"));
        const QString message = EngineMessage(*window);
        QVERIFY2(!message.isEmpty() && !HasChinese(message), qPrintable(message));
        window->resumeOffer()->Offer(61000);
        QStringList chinese;
        const QStringList texts = Texts(window.get());
        QVERIFY2(texts.size() > 40, qPrintable(texts.join(QStringLiteral(" | "))));
        for (const QString& text : texts) {
            if (HasChinese(text)) {
                chinese << text;
            }
        }
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QStringLiteral(" | "))));
        QCOMPARE(CancelText(), QStringLiteral("Cancel"));
    }
};

QTEST_MAIN(FirstStartLanguageTest)
#include "tst_FirstStartLanguage.moc"
