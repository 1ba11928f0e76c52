// vorelplayer [FILE...]
// The process entry: application, single-instance lock, settings, log,
// language, main window, event loop. Files given on the command line are
// imported into the play list and the first one is played.
#include "AppSettings.h"
#include "InstanceGuard.h"
#include "Linguist.h"
#include "LogHandler.h"
#include "MainWindow.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>

namespace {

void ChooseLanguage(QSettings& settings, Linguist* linguist)
{
    if (settings.value(QString::fromLatin1(AppSettings::kLanguageFirst)).toInt() == 1) {
        settings.setValue(QString::fromLatin1(AppSettings::kLanguageFirst), 0);
        const QLocale locale;
        qDebug() << __LINE__ << "main" << QLocale::countryToString(locale.country()) << locale.bcp47Name();
        const bool chinese = locale.bcp47Name() == QLatin1String("zh");
        linguist->loadLanguage(chinese ? Linguist::Chinese : Linguist::English);
        settings.setValue(QString::fromLatin1(AppSettings::kLanguageType),
                          QString::fromLatin1(chinese ? AppSettings::kChinese : AppSettings::kEnglish));
        return;
    }
    const QString type = settings.value(QString::fromLatin1(AppSettings::kLanguageType)).toString();
    linguist->loadLanguage(type == QLatin1String(AppSettings::kChinese) ? Linguist::Chinese : Linguist::English);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InstanceGuard guard(QCoreApplication::applicationName());
    if (!guard.Acquire()) {
        QMessageBox::warning(nullptr, QStringLiteral("警告"), QStringLiteral("程序已启动，请勿重复运行!"),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return 0;
    }
    QSettings settings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat);
    if (settings.value(QString::fromLatin1(AppSettings::kLogOn)).toBool()) {
        LogHandler::Install();
    }
    ChooseLanguage(settings, Linguist::instance());
    MainWindow window;
    window.show();
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (!files.isEmpty()) {
        window.OpenFiles(files);
    }
    return app.exec();
}
