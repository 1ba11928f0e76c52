// The control bar and its progress slider: buttons and their images, tool
// tips by language, time texts, seeking by click and not by drag, the reset
// and the placement of the volume popup.
#include "MainWindowProbe.h"
#include "PlayBottomWidget.h"
#include "PlaySliderBar.h"
#include "VolumeWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>

using namespace MainWindowProbe;

namespace {

const char* const kImageButtons[] = {"stateBtn",  "rollbackBtn", "fastForwardBtn", "modelBtn",      "screenshotBtn",
                                     "videoBtn",  "soundBtn",    "settingBtn",     "playerListBtn", "fullBtn"};

QString StyleOf(QWidget* bar, const char* button)
{
    return Child(bar, button)->styleSheet();
}

// The normal and the hover/pressed image of a three-state button style.
bool ShowsImage(const QString& style, const QString& base)
{
    return style.contains(QStringLiteral("QPushButton{image:url(:/img/%1_nor.png);").arg(base)) &&
           style.contains(QStringLiteral("QPushButton:hover{image:url(:/img/%1_pre.png);").arg(base)) &&
           style.contains(QStringLiteral("QPushButton:pressed{image:url(:/img/%1_pre.png);").arg(base));
}

} // namespace

class ControlBarTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

    void SetLanguage(const QVariant& type)
    {
        QSettings ini(QStringLiteral("account.ini"), QSettings::IniFormat);
        if (type.isValid()) {
            ini.setValue(QStringLiteral("Language/type"), type);
        } else {
            ini.remove(QStringLiteral("Language/type"));
        }
    }

    // A slider 410 x 20 (handle length 10, so 400 pixels of travel) over
    // 0 .. 6 000 000 ms, enabled as after the first position report.
    static void Prepare(PlaySliderBar& slider)
    {
        slider.setFixedSize(410, 20);
        slider.setRange(0, 6000000);
        slider.setEnabled(true);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
    }

    static void Release(PlaySliderBar& slider, int x)
    {
        SendMouse(&slider, QEvent::MouseButtonRelease, QPoint(x, 10), slider.mapToGlobal(QPoint(x, 10)));
    }

    static void Press(PlaySliderBar& slider, int x)
    {
        SendMouse(&slider, QEvent::MouseButtonPress, QPoint(x, 10), slider.mapToGlobal(QPoint(x, 10)));
    }

    static void Drag(PlaySliderBar& slider, int x)
    {
        SendMouse(&slider, QEvent::MouseMove, QPoint(x, 10), slider.mapToGlobal(QPoint(x, 10)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
    }

    void formAndInitialState()
    {
        PlayBottomWidget bar;
        QCOMPARE(bar.size(), QSize(1037, 100));
        QVERIFY(!Child(&bar, "progressSlider")->isEnabled());
        QVERIFY(!Child(&bar, "videoBtn")->isVisibleTo(&bar));
        QCOMPARE(Child<QLabel>(&bar, "label_2")->text(), QStringLiteral("00:00"));
        QCOMPARE(Child<QPushButton>(&bar, "multipleBtn")->text(), QStringLiteral("1X"));
        for (const char* name : kImageButtons) {
            QCOMPARE(Child(&bar, name)->size(), QSize(35, 35));
            QCOMPARE(Child(&bar, name)->cursor().shape(), Qt::PointingHandCursor);
        }
        QVERIFY(ShowsImage(StyleOf(&bar, "stateBtn"), QStringLiteral("bottom_icon_pause")));
        QVERIFY(ShowsImage(StyleOf(&bar, "rollbackBtn"), QStringLiteral("bottom_icon_up")));
        QVERIFY(ShowsImage(StyleOf(&bar, "fastForwardBtn"), QStringLiteral("bottom_icon_down")));
        QVERIFY(ShowsImage(StyleOf(&bar, "modelBtn"), QStringLiteral("bottom_icon_loop")));
        QVERIFY(ShowsImage(StyleOf(&bar, "screenshotBtn"), QStringLiteral("bottom_icon_printscreen")));
        QVERIFY(ShowsImage(StyleOf(&bar, "soundBtn"), QStringLiteral("bottom_icon_turn_on_sound")));
        QVERIFY(ShowsImage(StyleOf(&bar, "settingBtn"), QStringLiteral("bottom_icon_set")));
        QVERIFY(ShowsImage(StyleOf(&bar, "playerListBtn"), QStringLiteral("bottom_icon_sort")));
        QVERIFY(ShowsImage(StyleOf(&bar, "fullBtn"), QStringLiteral("bottom_icon_lessen")));
        // Every image the styles name was drawn into the resources.
        const QRegularExpression url(QStringLiteral("url\\((:/img/[a-z_]+\\.png)\\)"));
        for (const char* name : kImageButtons) {
            auto matches = url.globalMatch(StyleOf(&bar, name));
            while (matches.hasNext()) {
                const QString image = matches.next().captured(1);
                QVERIFY2(QFile::exists(image), qPrintable(image));
            }
        }
    }

    void eachButtonHasItsSignal()
    {
        PlayBottomWidget bar;
        const struct { const char* button; void (PlayBottomWidget::*signal)(); } wiring[] = {
            {"stateBtn", &PlayBottomWidget::sigstateBtnclicked},
            {"rollbackBtn", &PlayBottomWidget::sigRollbackBtnClicked},
            {"fastForwardBtn", &PlayBottomWidget::sigFastForwardBtnClicked},
            {"modelBtn", &PlayBottomWidget::sigmodelBtnClicked},
            {"screenshotBtn", &PlayBottomWidget::sigScreenShotBtnClicked},
            {"videoBtn", &PlayBottomWidget::sigvideoBtnClicked},
            {"multipleBtn", &PlayBottomWidget::sigmultipleBtnClicked},
            {"soundBtn", &PlayBottomWidget::sigSoundBtnClicked},
            {"settingBtn", &PlayBottomWidget::sigSettingBtnClicked},
            {"playerListBtn", &PlayBottomWidget::sigListBtnClicked},
            {"fullBtn", &PlayBottomWidget::sigIsFull}};
        QVector<QSharedPointer<QSignalSpy>> spies;
        for (const auto& wire : wiring) {
            spies << QSharedPointer<QSignalSpy>::create(&bar, wire.signal);
        }
        for (size_t i = 0; i < std::size(wiring); ++i) {
            Click(&bar, wiring[i].button);
            for (size_t j = 0; j < std::size(wiring); ++j) {
                QCOMPARE(spies[int(j)]->count(), j == i ? 1 : 0);
            }
            spies[int(i)]->clear();
        }
    }

    void toolTipsAreChineseUnlessEnglishIsChosen_data()
    {
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<bool>("english");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("zh_cn") << QVariant(QStringLiteral("zh_cn")) << false;
        QTest::newRow("other") << QVariant(QStringLiteral("fr_fr")) << false;
        QTest::newRow("en_us") << QVariant(QStringLiteral("en_us")) << true;
    }

    void toolTipsAreChineseUnlessEnglishIsChosen()
    {
        QFETCH(QVariant, type);
        QFETCH(bool, english);
        SetLanguage(type);
        PlayBottomWidget bar;
        const struct { const char* button; const char* en; const char* zh; } tips[] = {
            {"stateBtn", "Start/Stop", "播放/停止"}, {"rollbackBtn", "Prev", "上一个"},
            {"fastForwardBtn", "Next", "下一个"},   {"modelBtn", "Mode", "模式"},
            {"screenshotBtn", "Screenshot", "截图"}, {"videoBtn", "Video", "录像"},
            {"soundBtn", "Sound", "声音"},           {"settingBtn", "Setting", "设置"},
            {"playerListBtn", "Playlist", "播放列表"}, {"fullBtn", "Full/Exit Full", "全屏/退出全屏"}};
        for (const auto& tip : tips) {
            QCOMPARE(Child(&bar, tip.button)->toolTip(), QString::fromUtf8(english ? tip.en : tip.zh));
        }
        QVERIFY(Child(&bar, "multipleBtn")->toolTip().isEmpty());
        SetLanguage(QVariant());
    }

    void stateImagesFollowTheMainWindow()
    {
        PlayBottomWidget bar;
        bar.ShowState(PlayBottomWidget::PlayState::Playing);
        QVERIFY(ShowsImage(StyleOf(&bar, "stateBtn"), QStringLiteral("bottom_icon_play")));
        bar.ShowState(PlayBottomWidget::PlayState::Paused);
        QVERIFY(ShowsImage(StyleOf(&bar, "stateBtn"), QStringLiteral("bottom_icon_pause")));
        bar.ShowSound(PlayBottomWidget::Sound::Off);
        QVERIFY(ShowsImage(StyleOf(&bar, "soundBtn"), QStringLiteral("bottom_icon_turn_off_sound")));
        bar.ShowSound(PlayBottomWidget::Sound::On);
        QVERIFY(ShowsImage(StyleOf(&bar, "soundBtn"), QStringLiteral("bottom_icon_turn_on_sound")));
        const char* const modes[] = {"bottom_icon_loop", "bottom_icon_only", "bottom_icon_random", "bottom_icon_off"};
        for (int mode = 3; mode >= 0; --mode) {
            bar.setModelBtn(mode);
            QVERIFY(ShowsImage(StyleOf(&bar, "modelBtn"), QString::fromLatin1(modes[mode])));
        }
        bar.setModelBtn(4);
        bar.setModelBtn(-1);
        QVERIFY(ShowsImage(StyleOf(&bar, "modelBtn"), QStringLiteral("bottom_icon_loop")));
        bar.SetSpeedText(QStringLiteral("0.5X"));
        QCOMPARE(Child<QPushButton>(&bar, "multipleBtn")->text(), QStringLiteral("0.5X"));
    }

    void lengthPositionAndReset()
    {
        PlayBottomWidget bar;
        auto* slider = Child<PlaySliderBar>(&bar, "progressSlider");
        bar.setSliderLength(6000000);
        QCOMPARE(slider->maximum(), 6000000);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(Child<QLabel>(&bar, "label")->text(), QStringLiteral("100:00"));
        QVERIFY(!slider->isEnabled()); // until the first position
        bar.sigSetLengthing(75000);
        QCOMPARE(slider->value(), 75000);
        QCOMPARE(Child<QLabel>(&bar, "label_2")->text(), QStringLiteral("01:15"));
        QVERIFY(slider->isEnabled());
        bar.setSliderLength(3600000); // a new file starts at 0
        QCOMPARE(slider->value(), 0);
        QCOMPARE(Child<QLabel>(&bar, "label")->text(), QStringLiteral("60:00"));
        bar.sigSetLengthing(59999);
        QCOMPARE(Child<QLabel>(&bar, "label_2")->text(), QStringLiteral("00:59"));
        bar.ResetTime();
        QCOMPARE(slider->value(), 0);
        QVERIFY(!slider->isEnabled());
        QCOMPARE(Child<QLabel>(&bar, "label_2")->text(), QStringLiteral("00:00"));
        QCOMPARE(Child<QLabel>(&bar, "label")->text(), QStringLiteral("00:00"));
    }

    void sliderValueAtBothEndsAndBetween()
    {
        PlaySliderBar slider;
        Prepare(slider);
        QCOMPARE(slider.ValueAt(QPoint(0, 10)), 0);
        QCOMPARE(slider.ValueAt(QPoint(5, 10)), 0);      // half a handle from the left
        QCOMPARE(slider.ValueAt(QPoint(205, 10)), 3000000); // the middle of the travel
        QCOMPARE(slider.ValueAt(QPoint(6, 10)), 15000);  // one pixel of 400
        QCOMPARE(slider.ValueAt(QPoint(405, 10)), 6000000);
        QCOMPARE(slider.ValueAt(QPoint(409, 10)), 6000000);
        QCOMPARE(slider.ValueAt(QPoint(-50, 10)), 0);
        slider.setHandleLength(210); // 200 pixels of travel
        QCOMPARE(slider.ValueAt(QPoint(105 + 50, 10)), 1500000);
        slider.setRange(1000, 2000);
        QCOMPARE(slider.ValueAt(QPoint(105 + 100, 10)), 1500);
        // Vertical: counted from the maximum at the top.
        slider.setOrientation(Qt::Vertical);
        slider.setFixedSize(20, 410);
        slider.setHandleLength(0);
        QCOMPARE(slider.ValueAt(QPoint(10, 0)), 2000);
        QCOMPARE(slider.ValueAt(QPoint(10, 409)), 1000);
    }

    void clickSeeksAndDragDoesNot()
    {
        PlaySliderBar slider;
        Prepare(slider);
        QSignalSpy seek(&slider, &PlaySliderBar::sigSentCurrentTime);
        QSignalSpy moved(&slider, &QSlider::sliderMoved);
        Press(slider, 405);
        QVERIFY(slider.isSliderDown());
        Release(slider, 405);
        QVERIFY(!slider.isSliderDown());
        QCOMPARE(seek.count(), 1);
        QCOMPARE(seek.takeFirst().first().toInt(), 6000000);
        QCOMPARE(slider.sliderPosition(), 6000000);
        QCOMPARE(moved.count(), 1);

        Press(slider, 0);
        Release(slider, 0);
        QCOMPARE(seek.takeFirst().first().toInt(), 0);

        // A drag shows positions and seeks nothing.
        Press(slider, 105);
        Drag(slider, 205);
        QCOMPARE(slider.sliderPosition(), 3000000);
        Drag(slider, 305);
        Release(slider, 305);
        QCOMPARE(seek.count(), 0);
        QVERIFY(!slider.isSliderDown());

        // The drag is over: the next click seeks again.
        Press(slider, 105);
        Release(slider, 105);
        QCOMPARE(seek.count(), 1);
        QCOMPARE(seek.first().first().toInt(), 1500000);
    }

    void otherButtonsAndDisabledSliderSendNothing()
    {
        PlaySliderBar slider;
        Prepare(slider);
        QSignalSpy seek(&slider, &PlaySliderBar::sigSentCurrentTime);
        SendMouse(&slider, QEvent::MouseButtonPress, QPoint(205, 10), slider.mapToGlobal(QPoint(205, 10)),
                  Qt::RightButton);
        QVERIFY(!slider.isSliderDown());
        SendMouse(&slider, QEvent::MouseButtonRelease, QPoint(205, 10), slider.mapToGlobal(QPoint(205, 10)),
                  Qt::RightButton);
        QCOMPARE(seek.count(), 0);

        slider.setEnabled(false);
        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(205, 10));
        Release(slider, 205); // even one that reaches the slider
        QCOMPARE(seek.count(), 0);
        QCOMPARE(slider.sliderPosition(), 0);
    }

    void barRelaysTheSeekOfItsSlider()
    {
        PlayBottomWidget bar;
        bar.resize(1037, 100);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.setSliderLength(60000);
        bar.sigSetLengthing(0);
        auto* slider = Child<PlaySliderBar>(&bar, "progressSlider");
        QSignalSpy seek(&bar, &PlayBottomWidget::sigSentCurrentTime);
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() - 1, slider->height() / 2));
        QCOMPARE(seek.count(), 1);
        QCOMPARE(seek.first().first().toInt(), 60000);
        bar.ResetTime();
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, slider->height() / 2));
        QCOMPARE(seek.count(), 1);
    }

    void volumePopupSitsAboveTheSoundButton()
    {
        QWidget window;
        window.resize(1040, 739);
        auto* bar = new PlayBottomWidget(&window);
        bar->setGeometry(0, 739 - 100, 1040, 100);
        auto* volume = new VolumeWidget(&window);
        volume->hide();
        bar->SetVolumeWidget(volume);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bar->PlaceVolume(739 - 100);
        QVERIFY(volume->isVisible());
        auto* sound = Child(bar, "soundBtn");
        const QPoint soundInBar = sound->mapTo(bar, QPoint(0, 0));
        QCOMPARE(volume->x(), soundInBar.x() + sound->width() / 2 - volume->width() / 2);
        QCOMPARE(volume->y(), 739 - 100 + soundInBar.y() - volume->height() - 35);
        // Horizontally centred on the button as the window shows it.
        const QPoint soundCentre = sound->mapTo(&window, QPoint(sound->width() / 2, 0));
        QVERIFY(qAbs(volume->geometry().center().x() - soundCentre.x()) <= 1);
        QVERIFY(volume->geometry().bottom() < sound->mapTo(&window, QPoint(0, 0)).y());
    }
};

QTEST_MAIN(ControlBarTest)
#include "tst_ControlBar.moc"
