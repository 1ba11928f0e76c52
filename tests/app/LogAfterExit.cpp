// Logs with the file log installed, before and after the application object
// is destroyed; test_log_handler runs it and reads the log it leaves.
#include "LogHandler.h"

#include <QCoreApplication>
#include <QDebug>

int main(int argc, char* argv[])
{
    {
        QCoreApplication app(argc, argv);
        LogHandler::Install();
        qDebug() << "with the application";
    }
    qDebug() << "after the application";
    qWarning() << "still after it";
    return 0;
}
