// The popups and small widgets, driven through their real input handlers.
#include "Messagebox.h"
#include "MsgBox.h"
#include "MultipleWidget.h"
#include "PlayModelWidget.h"
#include "RecordHint.h"
#include "ScreenshotSucHint.h"
#include "SliderBtn.h"
#include "VolumeWidget.h"
#include "MainWindowProbe.h"

#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QPushButton* Button(QWidget* parent, const char* name)
{
    return parent->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class SmallWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void modeChooserRelaysEachButton()
    {
        PlayModelWidget chooser;
        QCOMPARE(chooser.size(), QSize(182, 146));
        QSignalSpy autoPlay(&chooser, &PlayModelWidget::sigAutobtnClicked);
        QSignalSpy single(&chooser, &PlayModelWidget::sigSinglebtnClicked);
        QSignalSpy random(&chooser, &PlayModelWidget::sigRandombtnbtnClicked);
        QSignalSpy stop(&chooser, &PlayModelWidget::sigStopbtnbtnClicked);
        Button(&chooser, "randombtn")->click();
        Button(&chooser, "stopbtn")->click();
        Button(&chooser, "stopbtn")->click();
        QCOMPARE(autoPlay.count(), 0);
        QCOMPARE(single.count(), 0);
        QCOMPARE(random.count(), 1);
        QCOMPARE(stop.count(), 2);
        Button(&chooser, "autobtn")->click();
        Button(&chooser, "singlebtn")->click();
        QCOMPARE(autoPlay.count(), 1);
        QCOMPARE(single.count(), 1);
    }

    void speedChooserRelaysEachButton()
    {
        MultipleWidget chooser;
        QCOMPARE(chooser.size(), QSize(177, 109));
        QSignalSpy half(&chooser, &MultipleWidget::sigshalfbtnClicked);
        QSignalSpy one(&chooser, &MultipleWidget::sigs1btnClicked);
        QSignalSpy two(&chooser, &MultipleWidget::sigs2btnClicked);
        Button(&chooser, "s2btn")->click();
        QCOMPARE(two.count(), 1);
        QCOMPARE(half.count() + one.count(), 0);
        Button(&chooser, "shalfbtn")->click();
        Button(&chooser, "s1btn")->click();
        QCOMPARE(half.count(), 1);
        QCOMPARE(one.count(), 1);
        QCOMPARE(Button(&chooser, "shalfbtn")->text(), QStringLiteral("0.5X"));
    }

    void volumePressMapsTheGroove_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<int>("expected");
        QTest::newRow("bottom end") << QPoint(16, 70) << 0;
        QTest::newRow("top end") << QPoint(16, 10) << 100;
        QTest::newRow("middle") << QPoint(16, 40) << 50;
        QTest::newRow("below the groove clamps") << QPoint(16, 74) << 0;
        QTest::newRow("quarter, truncated") << QPoint(12, 56) << 24;
    }

    void volumePressMapsTheGroove()
    {
        QFETCH(QPoint, press);
        QFETCH(int, expected);
        VolumeWidget volume;
        QCOMPARE(volume.size(), QSize(32, 80));
        volume.show();
        QVERIFY(QTest::qWaitForWindowExposed(&volume));
        QSignalSpy changed(&volume, &VolumeWidget::sigVolumeChange);
        QTest::mousePress(&volume, Qt::LeftButton, Qt::NoModifier, press);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toInt(), expected);
        QCOMPARE(volume.volume(), expected);
    }

    void volumePressOutsideTheColumnDoesNothing()
    {
        VolumeWidget volume;
        volume.show();
        QVERIFY(QTest::qWaitForWindowExposed(&volume));
        QSignalSpy changed(&volume, &VolumeWidget::sigVolumeChange);
        QTest::mousePress(&volume, Qt::LeftButton, Qt::NoModifier, QPoint(5, 40));
        QTest::mousePress(&volume, Qt::LeftButton, Qt::NoModifier, QPoint(25, 40));
        QTest::mousePress(&volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 2));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(volume.volume(), 50);
    }

    void volumeDragClampsAndEmitsOnlyChanges()
    {
        VolumeWidget volume;
        volume.show();
        QVERIFY(QTest::qWaitForWindowExposed(&volume));
        QTest::mousePress(&volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 40));
        QSignalSpy changed(&volume, &VolumeWidget::sigVolumeChange);
        auto move = [&volume](int y) {
            MainWindowProbe::SendMouse(&volume, QEvent::MouseMove, QPoint(16, y), volume.mapToGlobal(QPoint(16, y)));
        };
        move(79); // below the groove
        move(78); // still below: no new value
        move(3);  // above the groove
        move(0);  // still above
        move(31); // 65
        move(31);
        QList<int> values;
        for (const QList<QVariant>& call : changed) {
            values << call.first().toInt();
        }
        QCOMPARE(values, (QList<int>{0, 100, 65}));
        QTest::mouseRelease(&volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 31));
        move(70);
        QCOMPARE(changed.count(), 3); // released: moves no longer change it
    }

    void volumeHidingIsReported()
    {
        VolumeWidget volume;
        volume.show();
        QVERIFY(QTest::qWaitForWindowExposed(&volume));
        QSignalSpy hidden(&volume, &VolumeWidget::sigHide);
        volume.hide();
        QCOMPARE(hidden.count(), 1);
    }

    void confirmBoxCancelHidesAndConfirmDeletes()
    {
        QWidget owner;
        QPointer<Messagebox> box = new Messagebox(QStringLiteral("重启?"), &owner);
        QCOMPARE(box->size(), QSize(384, 251));
        QCOMPARE(box->text(), QStringLiteral("重启?"));
        QVERIFY(box->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
        QVERIFY(!box->findChild<QWidget*>(QStringLiteral("titleWidget"))->isVisibleTo(box));
        QSignalSpy cancelled(box.data(), &Messagebox::sigcancel);
        QSignalSpy confirmed(box.data(), &Messagebox::sigconfirm);
        box->show();
        Button(box, "cancelBtn")->click();
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(!box->isVisible());
        QVERIFY(box); // cancel only hides
        box->show();
        Button(box, "confirmBtn")->click();
        QCOMPARE(confirmed.count(), 1);
        QTRY_VERIFY(box.isNull()); // confirm closes, which deletes
        QCOMPARE(cancelled.count(), 1);
    }

    void messageBoxShowsItsTextAndGoesAway()
    {
        QWidget owner;
        for (const char* name : {"confirmBtn", "cancelBtn"}) {
            QPointer<MsgBox> box = new MsgBox(&owner);
            QCOMPARE(box->size(), QSize(371, 254));
            box->setText(QStringLiteral("打开文件失败"));
            QCOMPARE(box->text(), QStringLiteral("打开文件失败"));
            box->show();
            QVERIFY(box->isVisible());
            Button(box, name)->click();
            QTRY_VERIFY(box.isNull());
        }
    }

    void recordHintCountsMinutesAndWraps()
    {
        RecordHint hint;
        QCOMPARE(hint.text(), QStringLiteral("00:00"));
        QVERIFY(hint.maximumWidth() <= 53 && hint.maximumHeight() <= 26);
        for (int i = 0; i < 59; ++i) {
            hint.onTimerTimeout();
        }
        QCOMPARE(hint.text(), QStringLiteral("00:59"));
        hint.onTimerTimeout();
        QCOMPARE(hint.text(), QStringLiteral("01:00"));
        for (int i = 0; i < 99 * 60 - 1; ++i) {
            hint.onTimerTimeout();
        }
        QCOMPARE(hint.text(), QStringLiteral("99:59"));
        QVERIFY(!hint.wrapped());
        hint.onTimerTimeout();
        QCOMPARE(hint.text(), QStringLiteral("00:00"));
        QVERIFY(hint.wrapped());
    }

    void screenshotHintKindsAndSelfClose()
    {
        QWidget owner;
        QImage picture(640, 360, QImage::Format_RGB888);
        picture.fill(Qt::red);
        const QStringList texts{QStringLiteral("short"), QStringLiteral("long text")};
        QPointer<ScreenshotSucHint> small = new ScreenshotSucHint(ScreenshotSucHint::kSmallKind, picture, texts, &owner);
        QPointer<ScreenshotSucHint> large = new ScreenshotSucHint(ScreenshotSucHint::kLargeKind, picture, texts, &owner);
        QCOMPARE(small->size(), QSize(60, 18));
        QCOMPARE(small->text(), QStringLiteral("short"));
        QCOMPARE(large->size(), QSize(148, 112));
        QCOMPARE(large->text(), QStringLiteral("long text"));
        QCOMPARE(large->thumbnail().size(), QSize(128, 72));
        QVERIFY(!large->isVisible());
        large->show();
        QTRY_VERIFY_WITH_TIMEOUT(large.isNull() && small.isNull(), 10000);
    }

    void switchSlidesInTenthSteps()
    {
        SliderBtn knob;
        knob.resize(100, 26);
        knob.show();
        QVERIFY(QTest::qWaitForWindowExposed(&knob));
        QSignalSpy changed(&knob, &SliderBtn::statusChanged);
        QTest::mouseClick(&knob, Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toBool(), true);
        QCOMPARE(knob.step(), 10);
        QCOMPARE(knob.targetX(), 74);
        const int before = knob.currentX();
        knob.updateValue();
        QCOMPARE(knob.currentX(), before + 10);
        QTRY_COMPARE(knob.currentX(), 74); // the timer finishes the slide, not beyond
        QTest::mouseClick(&knob, Qt::LeftButton);
        QCOMPARE(changed.last().first().toBool(), false);
        QCOMPARE(knob.targetX(), 0);
        QTRY_COMPARE(knob.currentX(), 0);
    }

    void switchPaintsAWholePill()
    {
        SliderBtn knob;
        knob.resize(96, 28);
        knob.setShowText(false);
        knob.setAnimation(false);
        // Off: the knob on the left, the right end in the off colour.
        QCOMPARE(knob.grab().toImage().pixelColor(75, 14), QColor(190, 190, 190));
        knob.setChecked(true);
        // On: the knob on the right, the left end in the on colour.
        const QImage on = knob.grab().toImage();
        QCOMPARE(on.pixelColor(21, 14), QColor(102, 205, 170));
        QCOMPARE(on.pixelColor(82, 14), QColor(Qt::white));
    }

    void switchWithoutAnimationJumps()
    {
        SliderBtn knob;
        knob.resize(80, 26);
        knob.setAnimation(false);
        knob.setChecked(true);
        QVERIFY(knob.checked());
        QCOMPARE(knob.currentX(), 54);
        QSignalSpy changed(&knob, &SliderBtn::statusChanged);
        knob.setChecked(true); // already on: no change, no signal
        QCOMPARE(changed.count(), 0);
    }
};

QTEST_MAIN(SmallWidgetsTest)
#include "tst_SmallWidgets.moc"
