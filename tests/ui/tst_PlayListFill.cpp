// Filling the play list and the import dialog: durations from MVR headers
// and from FFmpeg, probed off the GUI thread and filled in list order, files
// that cannot be probed, size texts, drops and the file dialog.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "DurationProbe.h"
#include "MediaKind.h"
#include "PlayImportWidget.h"
#include "PlayListWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <atomic>

using namespace MainWindowProbe;

namespace {

const QString kMp4 = QStringLiteral(VOREL_TEST_MEDIA "/av.mp4"); // 4 s
const QString kRandom = QStringLiteral(VOREL_TEST_MEDIA "/random.mp4");

QString DetailOf(PlayListWidget& list, int row)
{
    auto* table = Child<QTableWidget>(&list, "tableWidget");
    return table->cellWidget(row, 1)->findChild<QLabel*>(QStringLiteral("detailLabel"))->text();
}

QString NameOf(PlayListWidget& list, int row)
{
    auto* table = Child<QTableWidget>(&list, "tableWidget");
    return table->cellWidget(row, 1)->findChild<QLabel*>(QStringLiteral("nameLabel"))->text();
}

} // namespace

class PlayListFillTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

    // An MVR file whose header says `ms` at byte 48.
    QString MakeMvr(const QString& name, qint32 ms, int headerBytes = 512)
    {
        QByteArray header(headerBytes, '\0');
        if (headerBytes >= 52) {
            const qint32 little = qToLittleEndian(ms);
            header.replace(48, 4, reinterpret_cast<const char*>(&little), 4);
        }
        const QString path = m_workDir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(header);
        return path;
    }

    QString MakeFile(const QString& name, int bytes)
    {
        const QString path = m_workDir.filePath(name);
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

    void sizeTexts()
    {
        QCOMPARE(MediaKind::SizeText(0), QStringLiteral("0B"));
        QCOMPARE(MediaKind::SizeText(512), QStringLiteral("512B"));
        QCOMPARE(MediaKind::SizeText(1024), QStringLiteral("1024B"));
        QCOMPARE(MediaKind::SizeText(1025), QStringLiteral("1.000K"));
        QCOMPARE(MediaKind::SizeText(1536), QStringLiteral("1.500K"));
        QCOMPARE(MediaKind::SizeText(1024 * 1024), QStringLiteral("1024.000K"));
        QCOMPARE(MediaKind::SizeText(1024 * 1024 + 1), QStringLiteral("1.000M"));
        // 1.999999... truncates, it does not round up.
        QCOMPARE(MediaKind::SizeText(2LL * 1024 * 1024 - 1), QStringLiteral("1.999M"));
        QCOMPARE(MediaKind::SizeText(3LL * 1024 * 1024 * 1024), QStringLiteral("3.000G"));
        QCOMPARE(MediaKind::SizeText(5LL * 1024 * 1024 * 1024 * 1024), QStringLiteral("5120.000G"));
    }

    void durationsOfEachKind()
    {
        QCOMPARE(MediaKind::DurationMs(MakeMvr(QStringLiteral("a.mvr"), 185000)), 185000);
        QCOMPARE(MediaKind::DurationMs(MakeMvr(QStringLiteral("short.mvr"), 1000, 50)), -1);
        QCOMPARE(MediaKind::DurationMs(MakeMvr(QStringLiteral("negative.mvr"), -5)), -1);
        QCOMPARE(MediaKind::DurationMs(m_workDir.filePath(QStringLiteral("absent.mvr"))), -1);
        const qint64 mp4 = MediaKind::DurationMs(kMp4);
        QVERIFY2(mp4 >= 4000 && mp4 < 4100, qPrintable(QString::number(mp4)));
        QCOMPARE(MediaKind::DurationMs(kRandom), -1);
        QCOMPARE(MediaKind::DurationMs(MakeFile(QStringLiteral("tiny.mkv"), 100)), -1);
        QCOMPARE(PlayListWidget::DurationText(185000), QStringLiteral("时间:3:5"));
        QCOMPARE(PlayListWidget::DurationText(3600000), QStringLiteral("时间:60:0"));
        QCOMPARE(PlayListWidget::DurationText(-1), QStringLiteral("时间:--"));
    }

    void unprobedFilesKeepTheirRowsAndTheMainWindowsOrder()
    {
        MainWindow window;
        window.show();
        const QVector<QString> list = {MakeMvr(QStringLiteral("first.mvr"), 61000), kRandom,
                                       m_workDir.filePath(QStringLiteral("gone.avi")), kMp4,
                                       MakeMvr(QStringLiteral("last.mvr"), 2000)};
        window.importWidget()->AddPaths(QStringList(list.begin(), list.end()));
        window.importWidget()->onImportBtnclicked();
        QCOMPARE(window.fileList(), list);
        PlayListWidget& playList = *window.playList();
        QCOMPARE(playList.rowCount(), list.size());
        QSignalSpy done(playList.durationProbe(), &DurationProbe::sigFinished);
        QVERIFY(done.wait(30000));
        const QStringList want = {QStringLiteral("时间:1:1"), QStringLiteral("时间:--"), QStringLiteral("时间:--"),
                                  QStringLiteral("时间:0:4"), QStringLiteral("时间:0:2")};
        for (int row = 0; row < list.size(); ++row) {
            QCOMPARE(NameOf(playList, row), QFileInfo(list[row]).fileName());
            QCOMPARE(DetailOf(playList, row), want[row]);
        }
        // A double click on the row after the broken ones plays that file.
        emit Child<QTableWidget>(&playList, "tableWidget")->cellDoubleClicked(3, 1);
        QCOMPARE(window.currentIndex(), 3);
        QCOMPARE(window.fileList().at(window.currentIndex()), kMp4);
    }

    void longListFillsInOrderWhileTheWindowKeepsWorking()
    {
        // 500 files: MVR headers of 1..500 s, an FFmpeg file every 50th,
        // one that cannot be probed.
        QVector<QString> list;
        QStringList want;
        for (int i = 0; i < 500; ++i) {
            if (i % 50 == 25) {
                const QString link = m_workDir.filePath(QStringLiteral("clip%1.mp4").arg(i));
                QFile::link(i == 275 ? kRandom : kMp4, link);
                list << link;
                want << (i == 275 ? QStringLiteral("时间:--") : QStringLiteral("时间:0:4"));
            } else {
                list << MakeMvr(QStringLiteral("rec%1.mvr").arg(i), (i + 1) * 1000);
                want << PlayListWidget::DurationText((i + 1) * 1000);
            }
        }
        // The worker stops at file 250 until the test lets it go on. What
        // the probe function touches is declared before the list, so it
        // outlives the worker whatever way the test ends.
        QSemaphore gate;
        std::atomic_bool probedOnGuiThread{false};
        QThread* gui = QThread::currentThread();
        PlayListWidget playList;
        playList.show();
        playList.durationProbe()->SetProbeFunction([&](const QString& path) {
            probedOnGuiThread = probedOnGuiThread || QThread::currentThread() == gui;
            if (path == list[250]) {
                gate.tryAcquire(1, 60000);
            }
            return MediaKind::DurationMs(path);
        });
        QVector<int> arrived;
        connect(playList.durationProbe(), &DurationProbe::sigDuration, this,
                [&arrived](int index, qint64) { arrived << index; });
        QSignalSpy done(playList.durationProbe(), &DurationProbe::sigFinished);

        playList.onAddFile(list);
        // Every row at once, named; no duration yet (they come later).
        QCOMPARE(playList.rowCount(), 500);
        QCOMPARE(NameOf(playList, 499), QStringLiteral("rec499.mvr"));
        QVERIFY(DetailOf(playList, 0).isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 250, 30000);
        QVERIFY(DetailOf(playList, 249) == want[249] && DetailOf(playList, 250).isEmpty());
        // Meanwhile the window answers: a double click plays its row.
        QSignalSpy play(&playList, &PlayListWidget::sigShowVideo);
        emit Child<QTableWidget>(&playList, "tableWidget")->cellDoubleClicked(7, 1);
        QCOMPARE(play.count(), 1);

        gate.release();
        QVERIFY(done.wait(60000));
        QVERIFY(!probedOnGuiThread);
        QCOMPARE(arrived.size(), 500);
        QVERIFY(std::is_sorted(arrived.begin(), arrived.end()));
        for (int row = 0; row < 500; ++row) {
            QCOMPARE(DetailOf(playList, row), want[row]);
        }
    }

    void newListOrDeletedRowsTakeNoStaleDurations()
    {
        QSemaphore gate; // outlives the worker, which waits on it
        PlayListWidget playList;
        playList.durationProbe()->SetProbeFunction([&gate](const QString& path) {
            gate.tryAcquire(1, 60000);
            return MediaKind::DurationMs(path);
        });
        const QString a = MakeMvr(QStringLiteral("old.mvr"), 9000);
        const QString b = MakeMvr(QStringLiteral("second.mvr"), 8000);
        const QString c = MakeMvr(QStringLiteral("third.mvr"), 7000);
        playList.onAddFile({a, b});
        playList.onAddFile({b, c, a}); // the first run is dropped
        QSignalSpy done(playList.durationProbe(), &DurationProbe::sigFinished);
        gate.release(1); // lets the dropped run's file go
        gate.release(1); // second.mvr of the new list
        QTRY_COMPARE(DetailOf(playList, 0), QStringLiteral("时间:0:8"));
        // Deleting the next row before its duration comes: later rows keep
        // their own durations.
        playList.setListChange(1);
        Click(&playList, "deleteBtn");
        QCOMPARE(playList.rowCount(), 2);
        gate.release(2);
        QVERIFY(done.wait(30000));
        QCOMPARE(NameOf(playList, 1), QStringLiteral("old.mvr"));
        QCOMPARE(DetailOf(playList, 1), QStringLiteral("时间:0:9"));
        QCOMPARE(DetailOf(playList, 0), QStringLiteral("时间:0:8"));
    }

    void closingTheListWhileProbingWaitsForTheWorker()
    {
        QSemaphore gate;
        std::atomic_int probed{0};
        {
            PlayListWidget playList;
            playList.durationProbe()->SetProbeFunction([&](const QString& path) {
                gate.tryAcquire(1, 200);
                ++probed;
                return MediaKind::DurationMs(path);
            });
            QVector<QString> list;
            for (int i = 0; i < 20; ++i) {
                list << MakeMvr(QStringLiteral("c%1.mvr").arg(i), 1000);
            }
            playList.onAddFile(list);
            gate.release(1);
            QTRY_VERIFY(probed.load() >= 1);
        }
        // Cancelled, and waited for: the worker ended with the file it was on
        // (each file waits up to 200 ms, all twenty would take 4 s).
        const int atClose = probed.load();
        QCoreApplication::processEvents();
        QCOMPARE(probed.load(), atClose);
        QVERIFY(atClose < 20);
    }

    void dropsAddLocalFilesLikeTheDialog()
    {
        PlayImportWidget dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString small = MakeFile(QStringLiteral("small.flv"), 512);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(small), QUrl::fromLocalFile(MakeFile(QStringLiteral("n.txt"), 3)),
                      QUrl(QStringLiteral("https://example.org/remote.mp4"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
        QCOMPARE(dialog.pendingFiles(), QVector<QString>{small});
        auto* table = Child<QTableWidget>(&dialog, "tableWidget");
        QCOMPARE(table->cellWidget(0, 1)->findChild<QLabel*>(QStringLiteral("detailLabel"))->text(),
                 QStringLiteral("512B"));
        QVERIFY(Child(&dialog, "importBtn")->isVisible());
        QVERIFY(!Child(&dialog, "widget_3")->isVisible());

        QMimeData text;
        text.setText(QStringLiteral("plain"));
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&dialog, &refused);
        QVERIFY(!refused.isAccepted());

        // Removing the last pending file goes back to the empty state.
        table->selectRow(0);
        Click(&dialog, "pushButton");
        QVERIFY(dialog.pendingFiles().isEmpty());
        QCOMPARE(Child<QLabel>(&dialog, "label_15")->text(), QStringLiteral("0"));
        QVERIFY(!Child(&dialog, "importBtn")->isVisible());
        QVERIFY(Child(&dialog, "widget_3")->isVisible());
    }

    void addButtonOpensTheFileDialog()
    {
        PlayImportWidget dialog;
        dialog.show();
        const QString chosen = MakeFile(QStringLiteral("chosen.wmv"), 2048);
        QString caption;
        QStringList filters;
        QString start;
        OnNextFileDialog([&](QFileDialog* fileDialog) {
            caption = fileDialog->windowTitle();
            filters = fileDialog->nameFilters();
            start = fileDialog->directory().absolutePath();
            ChooseInFileDialog(fileDialog, chosen);
        });
        Click(&dialog, "settingBtn");
        QCOMPARE(caption, QStringLiteral("选择转码文件"));
        QVERIFY(!filters.isEmpty());
        QCOMPARE(filters.first(), QStringLiteral("视频文件(*.mp4 *.mov *.mvr *.flv *.wmv *.avi *.mkv *.rtm)"));
        QCOMPARE(start, QStringLiteral("/home"));
        QCOMPARE(dialog.pendingFiles(), QVector<QString>{chosen});

        OnNextFileDialog([](QFileDialog* fileDialog) { fileDialog->reject(); });
        Click(&dialog, "settingBtn");
        QCOMPARE(dialog.pendingFiles().size(), 1);
    }
};

QTEST_MAIN(PlayListFillTest)
#include "tst_PlayListFill.moc"
