// The export dialog: its defaults from the playback, an export on its worker
// thread while the event loop goes on, Cancel leaving nothing under the
// chosen name; and the picture's menu offering the entry only with a
// dewarped layout shown.

#include "ExportMedia.h"
#include "ExportViewDialog.h"
#include "FisheyeMenu.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

using namespace ExportMedia;

class ExportDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultsFollowThePlayback();
    void exportsOnAWorkerWhileTheWindowResponds();
    void cancelLeavesNothing();
    void theMenuOffersTheEntryForADewarpedLayout();

private:
    ExportViewDialog::Source Source() const;

    QTemporaryDir m_dir;
    QString m_clip;
};

void ExportDialogTest::initTestCase()
{
    qRegisterMetaType<ViewExport::Result>("ViewExport::Result");
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath(QStringLiteral("fisheye.mp4"));
    QVERIFY(MakeFisheyeClip(m_clip, 4, QStringLiteral("aac")));
}

ExportViewDialog::Source ExportDialogTest::Source() const
{
    ExportViewDialog::Source source;
    source.filePath = m_clip;
    source.view.layout = 1;
    source.positionMs = 1500;
    source.durationMs = 4000;
    source.windowSize = QSize(1000, 500);
    return source;
}

void ExportDialogTest::defaultsFollowThePlayback()
{
    ExportViewDialog dialog(Source());
    auto* whole = dialog.findChild<QRadioButton*>(QStringLiteral("wholeRadio"));
    auto* fromPosition = dialog.findChild<QRadioButton*>(QStringLiteral("fromPositionRadio"));
    QVERIFY(whole && fromPosition);
    QVERIFY(whole->isChecked());
    ExportRequest request = dialog.Request();
    QCOMPARE(request.fromMs, qint64(0));
    QCOMPARE(request.toMs, qint64(-1));
    QCOMPARE(request.size, QSize(1280, 720));
    QCOMPARE(request.output, m_dir.filePath(QStringLiteral("fisheye-view.mp4")));
    QCOMPARE(request.view.layout, 1);
    fromPosition->click();
    request = dialog.Request();
    QCOMPARE(request.fromMs, qint64(1000)); // whole seconds, as the time field shows
    QCOMPARE(request.toMs, qint64(-1));
    dialog.findChild<QPushButton*>(QStringLiteral("windowSizeButton"))->click();
    QCOMPARE(dialog.Request().size, QSize(1440, 720));
    dialog.findChild<QSpinBox*>(QStringLiteral("widthSpin"))->setValue(641);
    QCOMPARE(dialog.Request().size.width(), 640);
}

void ExportDialogTest::exportsOnAWorkerWhileTheWindowResponds()
{
    ExportViewDialog dialog(Source());
    const QString output = m_dir.filePath(QStringLiteral("dialog.mp4"));
    dialog.findChild<QLineEdit*>(QStringLiteral("pathEdit"))->setText(output);
    dialog.findChild<QSpinBox*>(QStringLiteral("widthSpin"))->setValue(320);
    dialog.findChild<QSpinBox*>(QStringLiteral("heightSpin"))->setValue(240);
    dialog.show();
    QSignalSpy finished(&dialog, &ExportViewDialog::sigExportFinished);
    auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    // Timer ticks counted while the export runs: the event loop never stalls
    // for the export's sake.
    // The time left, as the dialog shows it while the export runs.
    auto* timeLeft = dialog.findChild<QLabel*>(QStringLiteral("timeLeftLabel"));
    QStringList timesLeft;
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks, &timesLeft, timeLeft] {
        ++ticks;
        if (!timeLeft->text().isEmpty() && !timesLeft.contains(timeLeft->text())) {
            timesLeft << timeLeft->text();
        }
    });
    timer.start(10);
    dialog.findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
    QVERIFY(dialog.IsExporting());
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("exportButton"))->isEnabled());
    QVERIFY(finished.wait(kRunLimitMs));
    QCOMPARE(finished.first().first().value<ViewExport::Result>(), ViewExport::Result::Done);
    QVERIFY(ticks > 5);
    QCOMPARE(progress->value(), progress->maximum());
    // Minutes and seconds, a few seconds at most for this short clip, and
    // gone once the export has ended.
    QVERIFY(!timesLeft.isEmpty());
    const QRegularExpression minutesSeconds(QStringLiteral("(\\d\\d):(\\d\\d)$"));
    for (const QString& text : timesLeft) {
        const QRegularExpressionMatch match = minutesSeconds.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        QVERIFY2(match.captured(1).toInt() * 60 + match.captured(2).toInt() < 60, qPrintable(text));
    }
    QVERIFY(timeLeft->text().isEmpty());
    QCOMPARE(CountPictures(output), 100);
    QCOMPARE(Probe(output, QStringLiteral("v:0"), QStringLiteral("width")), QStringLiteral("320"));
}

void ExportDialogTest::cancelLeavesNothing()
{
    ExportViewDialog dialog(Source());
    const QString output = m_dir.filePath(QStringLiteral("cancelled.mp4"));
    dialog.findChild<QLineEdit*>(QStringLiteral("pathEdit"))->setText(output);
    dialog.show();
    QSignalSpy finished(&dialog, &ExportViewDialog::sigExportFinished);
    dialog.findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
    auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    // Cancelled midway, once pictures are being written.
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0 || !finished.isEmpty(), kRunLimitMs);
    QVERIFY(finished.isEmpty());
    dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    QVERIFY(finished.wait(kRunLimitMs));
    QCOMPARE(finished.first().first().value<ViewExport::Result>(), ViewExport::Result::Cancelled);
    QVERIFY(!QFile::exists(output));
    QVERIFY(!QFile::exists(ViewExport::TemporaryName(output)));
    QVERIFY(dialog.isVisible());
}

void ExportDialogTest::theMenuOffersTheEntryForADewarpedLayout()
{
    FisheyeMenu menu;
    QAction* entry = menu.findChild<QAction*>(QStringLiteral("exportAction"));
    QVERIFY(entry);
    FisheyeChoice choice;
    choice.display = FisheyeChoice::Display::Dewarp;
    menu.ShowChoice(choice, FisheyeMenu::Offer::Picture | FisheyeMenu::Offer::Export);
    QVERIFY(entry->isVisible());
    QSignalSpy clicked(&menu, &FisheyeMenu::sigExportClicked);
    entry->trigger();
    QCOMPARE(clicked.count(), 1);
    choice.display = FisheyeChoice::Display::Plain;
    menu.ShowChoice(choice, FisheyeMenu::Offer::Picture);
    QVERIFY(!entry->isVisible());
}

QTEST_MAIN(ExportDialogTest)
#include "ExportDialogTest.moc"
