// The panels the main window opens: import dialog, play list, settings
// panel with its language question.
#include "MainWindowProbe.h"
#include "Messagebox.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"
#include "PlaySetting.h"
#include "SliderBtn.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace MainWindowProbe;

class PanelsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

    QString MakeFile(const QString& relative, int bytes)
    {
        const QString path = m_workDir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(bytes, 'x'));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void importSkipsDuplicateNamesAndOtherKinds()
    {
        PlayImportWidget dialog;
        const QString first = MakeFile(QStringLiteral("one/a.mp4"), 1536);
        const QString upper = MakeFile(QStringLiteral("x.MP4"), 10);
        dialog.AddPaths({first, MakeFile(QStringLiteral("two/a.mp4"), 10), upper,
                         MakeFile(QStringLiteral("notes.txt"), 10), QStringLiteral("/nonexistent/gone.mvr")});
        QCOMPARE(dialog.pendingFiles(), (QVector<QString>{first, upper, QStringLiteral("/nonexistent/gone.mvr")}));
        QCOMPARE(Child<QLabel>(&dialog, "label_15")->text(), QStringLiteral("3"));
        auto* table = Child<QTableWidget>(&dialog, "tableWidget");
        QCOMPARE(table->rowCount(), 3);
        const QList<QLabel*> firstRow = table->cellWidget(0, 1)->findChildren<QLabel*>();
        QCOMPARE(firstRow.at(1)->text(), QStringLiteral("1.500K"));
        const QList<QLabel*> missingRow = table->cellWidget(2, 1)->findChildren<QLabel*>();
        QCOMPARE(missingRow.at(1)->text(), QString()); // listed, with no size

        QSignalSpy sent(&dialog, &PlayImportWidget::sigSendFileList);
        dialog.show();
        Click(&dialog, "importBtn");
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.first().first().value<QVector<QString>>().size(), 3);
        QVERIFY(dialog.pendingFiles().isEmpty());
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(Child<QLabel>(&dialog, "label_15")->text(), QStringLiteral("0"));
        QVERIFY(!dialog.isVisible());
    }

    void allFilesAdmitsWhatFfmpegOpens()
    {
        // A video under a name no kind uses, a text file, and a file whose
        // name claims a kind (refused only when played).
        const QString video = m_workDir.filePath(QStringLiteral("camera.video"));
        QFile::remove(video);
        QVERIFY(QFile::copy(QStringLiteral(VOREL_TEST_MEDIA "/av.mp4"), video));
        const QString text = MakeFile(QStringLiteral("readme.txt"), 100);
        PlayImportWidget dialog;
        QStringList filters;
        OnNextFileDialog([&](QFileDialog* fileDialog) {
            filters = fileDialog->nameFilters();
            fileDialog->selectNameFilter(filters.value(1));
            ChooseInFileDialog(fileDialog, QStringLiteral("\"%1\" \"%2\"").arg(video, text));
        });
        Click(&dialog, "settingBtn");
        QCOMPARE(filters.size(), 2);
        QCOMPARE(filters.at(1), QStringLiteral("所有文件 (*)"));
        QCOMPARE(dialog.pendingFiles(), QVector<QString>{video});
    }

    void importCloseKeepsThePendingFiles()
    {
        PlayImportWidget dialog;
        dialog.AddPaths({MakeFile(QStringLiteral("b.mkv"), 10)});
        QSignalSpy hide(&dialog, &PlayImportWidget::sigHideImportWidget);
        Click(&dialog, "closeBtn");
        QCOMPARE(hide.count(), 1);
        QCOMPARE(dialog.pendingFiles().size(), 1);
    }

    void playListRowsDoubleClickAndThrottledDelete()
    {
        PlayListWidget list;
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        // The first cannot be probed; it keeps its row and the others follow.
        list.onAddFile({MakeFile(QStringLiteral("broken.mp4"), 100), QStringLiteral("/nonexistent/c.avi"),
                        QStringLiteral(VOREL_TEST_MEDIA "/av.mp4")});
        QCOMPARE(list.rowCount(), 3);
        auto* table = Child<QTableWidget>(&list, "tableWidget");
        const QList<QLabel*> probed = table->cellWidget(2, 1)->findChildren<QLabel*>();
        QCOMPARE(probed.at(0)->text(), QStringLiteral("av.mp4"));
        QTRY_COMPARE(probed.at(1)->text(), QStringLiteral("时间:0:4")); // probed on a worker
        QCOMPARE(table->cellWidget(0, 1)->findChildren<QLabel*>().at(1)->text(), QStringLiteral("时间:--"));

        QSignalSpy play(&list, &PlayListWidget::sigShowVideo);
        emit table->cellDoubleClicked(1, 1);
        QCOMPARE(play.first().first().toInt(), 1);

        QSignalSpy removed(&list, &PlayListWidget::sigDeleteRow);
        list.setListChange(0);
        QCOMPARE(list.currentRow(), 0);
        Click(&list, "deleteBtn");
        QCOMPARE(removed.count(), 1);
        QCOMPARE(list.rowCount(), 2);
        list.setListChange(0);
        Click(&list, "deleteBtn"); // within half a second: ignored
        QCOMPARE(removed.count(), 1);
        QTRY_VERIFY(Child<QPushButton>(&list, "deleteBtn")->isEnabled());
        Click(&list, "deleteBtn");
        QCOMPARE(removed.count(), 2);
    }

    void settingsShowTheDefaultFolderAndReset()
    {
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).setValue(QStringLiteral("PIC/Patch"), QStringLiteral("/srv/shots"));
        PlaySetting panel;
        auto* folder = Child<QLineEdit>(&panel, "lineEdit");
        QCOMPARE(folder->text(), QStringLiteral("/srv/shots"));
        QCOMPARE(panel.pictureFolder(), QStringLiteral("/srv/shots"));
        Click(&panel, "pushButton_2");
        QCOMPARE(folder->text(), QCoreApplication::applicationDirPath() + QStringLiteral("/pic"));
        QCOMPARE(QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).value(QStringLiteral("PIC/Patch")).toString(),
                 QString());
        QVERIFY(!Child(&panel, "lineEdit_2")->isVisibleTo(&panel));
    }

    void settingsChooseAFolderOrKeepTheOldOne()
    {
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).remove(QStringLiteral("PIC/Patch"));
        PlaySetting panel;
        auto* folder = Child<QLineEdit>(&panel, "lineEdit");
        QCOMPARE(folder->text(), QCoreApplication::applicationDirPath() + QStringLiteral("/pic"));
        QCOMPARE(panel.videoFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/video"));
        const QString chosen = m_workDir.filePath(QStringLiteral("chosen"));
        QVERIFY(QDir().mkpath(chosen));
        QString caption;
        QString start;
        OnNextFileDialog([&](QFileDialog* dialog) {
            caption = dialog->windowTitle();
            start = dialog->directory().absolutePath();
            QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
            ChooseInFileDialog(dialog, chosen);
        });
        Click(&panel, "pushButton");
        QCOMPARE(caption, QStringLiteral("选择路径"));
        QCOMPARE(start, QCoreApplication::applicationDirPath());
        QCOMPARE(QDir(folder->text()), QDir(chosen));
        QCOMPARE(QDir(QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
                          .value(QStringLiteral("PIC/Patch")).toString()),
                 QDir(chosen));

        OnNextFileDialog([](QFileDialog* dialog) { dialog->reject(); });
        Click(&panel, "pushButton");
        QCOMPARE(QDir(folder->text()), QDir(chosen));
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).remove(QStringLiteral("PIC/Patch"));
    }

    void languageSwitchNamesTheOtherLanguage()
    {
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).setValue(QStringLiteral("Language/type"), QStringLiteral("zh_cn"));
        {
            PlaySetting panel;
            QCOMPARE(Child<SliderBtn>(&panel, "widget_2")->textOff(), QStringLiteral("英文"));
            QVERIFY(!Child<SliderBtn>(&panel, "widget_2")->checked());
        }
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).remove(QStringLiteral("Language/type"));
        PlaySetting panel;
        QCOMPARE(Child<SliderBtn>(&panel, "widget_2")->textOff(), QStringLiteral("Chinese"));
    }

    void languageQuestionCancelRevertsWithoutAskingAgain()
    {
        QWidget window;
        auto* panel = new PlaySetting(&window);
        auto* knob = Child<SliderBtn>(panel, "widget_2");
        QSignalSpy restart(panel, &PlaySetting::sigStopPlay);
        QTest::mouseClick(knob, Qt::LeftButton);
        QList<Messagebox*> questions = window.findChildren<Messagebox*>();
        QCOMPARE(questions.size(), 1);
        Click(questions.first(), "cancelBtn");
        QVERIFY(!knob->checked()); // switched back
        QTRY_COMPARE(window.findChildren<Messagebox*>().size(), 0);
        QCOMPARE(restart.count(), 0);
    }

    void languageQuestionConfirmStoresTheOtherLanguage()
    {
        QWidget window;
        auto* panel = new PlaySetting(&window);
        QSignalSpy restart(panel, &PlaySetting::sigStopPlay);
        QTest::mouseClick(Child<SliderBtn>(panel, "widget_2"), Qt::LeftButton);
        Click(window.findChild<Messagebox*>(), "confirmBtn");
        QCOMPARE(restart.count(), 1);
        // No language was loaded (not English), so the choice is English.
        QCOMPARE(QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).value(QStringLiteral("Language/type")).toString(),
                 QStringLiteral("en_us"));
    }
};

QTEST_MAIN(PanelsTest)
#include "tst_Panels.moc"
