// vorelplayer [FILE...]
// The process entry: application, one player per user, settings, log,
// language, main window, event loop. Files given on the command line are
// added to the play list and the first one is played; when the user's player
// already runs, they are handed to it instead (which shows its window) and
// this start ends with 0 at once.
#include "AppSettings.h"
#include "HeapTuning.h"
#include "Linguist.h"
#include "LogHandler.h"
#include "MainWindow.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSettings>

namespace {

QStringList AbsolutePaths(const QStringList& arguments)
{
    QStringList paths;
    for (const QString& argument : arguments) {
        paths << QFileInfo(argument).absoluteFilePath();
    }
    return paths;
}

} // namespace

int main(int argc, char* argv[])
{
    TuneHeapForPictures();
    QApplication app(argc, argv);
    const QStringList files = AbsolutePaths(QCoreApplication::arguments().mid(1));
    SingleInstance instance;
    if (instance.Start(files) == SingleInstance::Role::HandedOver) {
        return 0;
    }
    QSettings settings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat);
    if (settings.value(QString::fromLatin1(AppSettings::kLogOn)).toBool()) {
        LogHandler::Install();
    }
    Linguist::instance()->ChooseAtStart(settings);
    MainWindow window;
    window.RestoreState();
    window.show();
    qDebug() << __LINE__ << "main" << "window shown, language" << Linguist::instance()->currentLanguage();
    QObject::connect(&window, &MainWindow::sigRestarting, &instance, &SingleInstance::Close);
    QObject::connect(&window, &MainWindow::sigRestartFailed, &instance, &SingleInstance::Listen);
    QObject::connect(&instance, &SingleInstance::sigFilesReceived, &window, [&window](const QStringList& handed) {
        window.OpenFiles(handed);
        window.BringToFront();
    });
    if (!files.isEmpty()) {
        window.OpenFiles(files);
    }
    return app.exec();
}
