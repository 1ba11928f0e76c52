// End to end: vorel-show plays test media through the engine into the
// display and saves what the view shows.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace
{

constexpr int kRunLimitMs = 120000;

int RunShow(const QStringList& arguments)
{
    QProcess show;
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    show.setStandardOutputFile(QProcess::nullDevice());
    show.start(QStringLiteral(VOREL_SHOW_PATH), arguments);
    if (!show.waitForFinished(kRunLimitMs)) {
        show.kill();
        show.waitForFinished();
        return -1;
    }
    return show.exitStatus() == QProcess::NormalExit ? show.exitCode() : -1;
}

bool RunFfmpeg(const QStringList& arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                             QStringLiteral("error"), QStringLiteral("-y")} +
                     arguments);
    return ffmpeg.waitForFinished(kRunLimitMs) && ffmpeg.exitCode() == 0;
}

// FFmpeg's own pictures of a file's first `count` frames: turned as its
// display matrix says, converted to RGB by its tagged matrix and range,
// scaled. Empty when FFmpeg fails or gives fewer pictures.
QVector<QImage> FfmpegPictures(const QString& file, QSize size, const QString& folder, int count)
{
    const QString raw = folder + QStringLiteral("/reference.rgb");
    const QString filter = QStringLiteral("scale=%1:%2:flags=bilinear,format=rgb24")
                               .arg(size.width())
                               .arg(size.height());
    if (!RunFfmpeg({QStringLiteral("-i"), file, QStringLiteral("-frames:v"), QString::number(count),
                    QStringLiteral("-vf"), filter, QStringLiteral("-f"), QStringLiteral("rawvideo"),
                    raw})) {
        return {};
    }
    QFile in(raw);
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = in.readAll();
    const int frameBytes = size.width() * size.height() * 3;
    if (bytes.size() != frameBytes * count) {
        return {};
    }
    QVector<QImage> pictures;
    for (int frame = 0; frame < count; ++frame) {
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y) {
            memcpy(image.scanLine(y), bytes.constData() + frame * frameBytes + y * size.width() * 3,
                   size_t(size.width()) * 3);
        }
        pictures.append(image);
    }
    return pictures;
}

QImage FfmpegPicture(const QString& file, QSize size, const QString& folder)
{
    const QVector<QImage> pictures = FfmpegPictures(file, size, folder, 1);
    return pictures.isEmpty() ? QImage() : pictures.first();
}

// Largest difference of 8 x 8 block means between `shown` inside `area` and
// `reference` (the same size as `area`); the mean of all block differences
// goes to `mean` when given.
int WorstBlock(const QImage& shown, const QRect& area, const QImage& reference, double* mean = nullptr)
{
    int worst = 0;
    double total = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= area.height(); by += 8) {
        for (int bx = 0; bx + 8 <= area.width(); bx += 8) {
            int sum[3] = {0, 0, 0};
            for (int y = by; y < by + 8; ++y) {
                for (int x = bx; x < bx + 8; ++x) {
                    const QRgb a = shown.pixel(area.x() + x, area.y() + y);
                    const QRgb b = reference.pixel(x, y);
                    sum[0] += qRed(a) - qRed(b);
                    sum[1] += qGreen(a) - qGreen(b);
                    sum[2] += qBlue(a) - qBlue(b);
                }
            }
            for (int channel : sum) {
                worst = std::max(worst, std::abs(channel) / 64);
                total += std::abs(channel) / 64.0;
                ++blocks;
            }
        }
    }
    if (mean) {
        *mean = blocks ? total / blocks : 0.0;
    }
    return worst;
}

QImage ShowFirstPicture(const QString& file, const QString& folder)
{
    const QString shot = folder + QStringLiteral("/shot.png");
    if (RunShow({QStringLiteral("--untimed"), QStringLiteral("--screenshot"), shot,
                 QStringLiteral("--after"), QStringLiteral("1"), file}) != 0) {
        return {};
    }
    return QImage(shot).convertToFormat(QImage::Format_RGB888);
}

} // namespace

class TestVorelShow : public QObject
{
    Q_OBJECT

private slots:
    void screenshotShowsTheColourBars();
    void realFilesShowAsFfmpegShowsThem_data();
    void realFilesShowAsFfmpegShowsThem();
    void anamorphicPictureShowsAtItsDisplayAspect();
    void unreadableFileFailsWithoutScreenshot();
    void subtitlesShowInsideThePicture_data();
    void subtitlesShowInsideThePicture();
};

void TestVorelShow::screenshotShowsTheColourBars()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const QString media = QStringLiteral(VOREL_TEST_MEDIA "/av.mp4");
    QCOMPARE(RunShow({QStringLiteral("--untimed"), QStringLiteral("--screenshot"), shot,
                      QStringLiteral("--after"), QStringLiteral("10"), media}),
             0);
    const QImage image = QImage(shot).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(image.size(), QSize(960, 540));
    // The 4:3 picture keeps its aspect in the 16:9 window: 720 x 540 from
    // x 120, black bars on both sides.
    QCOMPARE(image.pixel(60, 270), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(900, 270), qRgb(0, 0, 0));
    // The source moves, and untimed pictures come faster than the display
    // takes them (it keeps the newest): the shot is the tenth picture or a
    // later one, drawn as FFmpeg draws it.
    const QRect area(120, 0, 720, 540);
    const QVector<QImage> pictures = FfmpegPictures(media, area.size(), dir.path(), 100);
    QCOMPARE(pictures.size(), 100);
    int bestWorst = 255;
    double bestMean = 255;
    int bestFrame = -1;
    for (int frame = 0; frame < pictures.size(); ++frame) {
        double mean = 0;
        const int worst = WorstBlock(image, area, pictures.at(frame), &mean);
        if (mean < bestMean) {
            bestMean = mean;
            bestWorst = worst;
            bestFrame = frame;
        }
    }
    QVERIFY2(bestFrame >= 9 && bestWorst <= 16 && bestMean <= 3.0,
             qPrintable(QStringLiteral("closest picture %1: worst block differs by %2, mean %3")
                            .arg(bestFrame)
                            .arg(bestWorst)
                            .arg(bestMean)));
}

void TestVorelShow::realFilesShowAsFfmpegShowsThem_data()
{
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<QRect>("pictureArea"); // in the 960 x 540 window
    // Largest block difference allowed: a tiny picture scaled up nine times
    // differs at its sharp edges, where GL and FFmpeg interpolate at
    // slightly different phases.
    QTest::addColumn<int>("worstAllowed");
    const QString bars = QStringLiteral("smptehdbars=size=320x180:rate=25:duration=1");
    // Still pictures, so that whichever picture is shown first compares.
    const QString clip = QStringLiteral("smptebars=size=320x240:rate=25:duration=1");
    // A phone clip stored on its side, tagged to be turned: upright, 240 x 320
    // scaled to the window's height and centred.
    QTest::newRow("turned 90") << QStringList{QStringLiteral("-f"),
                                              QStringLiteral("lavfi"),
                                              QStringLiteral("-i"),
                                              clip,
                                              QStringLiteral("-c:v"),
                                              QStringLiteral("libx264"),
                                              QStringLiteral("-pix_fmt"),
                                              QStringLiteral("yuv420p"),
                                              QStringLiteral("-metadata:s:v:0"),
                                              QStringLiteral("rotate=90")}
                               << QRect(277, 0, 405, 540) << 12;
    QTest::newRow("turned 270") << QStringList{QStringLiteral("-f"),
                                               QStringLiteral("lavfi"),
                                               QStringLiteral("-i"),
                                               clip,
                                               QStringLiteral("-c:v"),
                                               QStringLiteral("libx264"),
                                               QStringLiteral("-pix_fmt"),
                                               QStringLiteral("yuv420p"),
                                               QStringLiteral("-metadata:s:v:0"),
                                               QStringLiteral("rotate=270")}
                                << QRect(277, 0, 405, 540) << 12;
    // BT.709 full range, as cameras write it.
    QTest::newRow("BT.709 full range")
        << QStringList{QStringLiteral("-f"),
                       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),
                       bars,
                       QStringLiteral("-vf"),
                       QStringLiteral("scale=out_color_matrix=bt709:out_range=full"),
                       QStringLiteral("-c:v"),
                       QStringLiteral("libx264"),
                       QStringLiteral("-pix_fmt"),
                       QStringLiteral("yuvj420p"),
                       QStringLiteral("-colorspace"),
                       QStringLiteral("bt709"),
                       QStringLiteral("-color_range"),
                       QStringLiteral("pc")}
        << QRect(0, 0, 960, 540) << 12;
    QTest::newRow("BT.709 limited")
        << QStringList{QStringLiteral("-f"),
                       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),
                       bars,
                       QStringLiteral("-vf"),
                       QStringLiteral("scale=out_color_matrix=bt709:out_range=tv"),
                       QStringLiteral("-c:v"),
                       QStringLiteral("libx264"),
                       QStringLiteral("-pix_fmt"),
                       QStringLiteral("yuv420p"),
                       QStringLiteral("-colorspace"),
                       QStringLiteral("bt709"),
                       QStringLiteral("-color_range"),
                       QStringLiteral("tv")}
        << QRect(0, 0, 960, 540) << 12;
    // An odd size: chroma planes of 51 x 26 samples, as FFmpeg packs them.
    QTest::newRow("odd size") << QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                             QStringLiteral("smptebars=size=101x51:rate=25:duration=1"),
                                             QStringLiteral("-c:v"), QStringLiteral("ffv1"),
                                             QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}
                              << QRect(0, 27, 960, 484) << 64;
    // Untagged standard definition: BT.601 as players guess it.
    QTest::newRow("untagged SD")
        << QStringList{QStringLiteral("-f"),
                       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),
                       QStringLiteral("smptebars=size=320x240:rate=25:duration=1"),
                       QStringLiteral("-c:v"),
                       QStringLiteral("ffv1"),
                       QStringLiteral("-pix_fmt"),
                       QStringLiteral("yuv420p")}
        << QRect(120, 0, 720, 540) << 12;
}

void TestVorelShow::realFilesShowAsFfmpegShowsThem()
{
    QFETCH(QStringList, encode);
    QFETCH(QRect, pictureArea);
    QFETCH(int, worstAllowed);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("clip.mkv"));
    const QString mp4 = dir.filePath(QStringLiteral("clip.mp4"));
    // The turn is carried by MP4's display matrix, which FFmpeg writes when
    // a stream is copied with a "rotate" tag.
    const int tag = encode.indexOf(QStringLiteral("-metadata:s:v:0"));
    const QString media = tag >= 0 ? mp4 : file;
    if (tag >= 0) {
        const QString rotate = encode.at(tag + 1);
        encode.erase(encode.begin() + tag, encode.begin() + tag + 2);
        QVERIFY(RunFfmpeg(encode + QStringList{file}));
        QVERIFY(RunFfmpeg({QStringLiteral("-i"), file, QStringLiteral("-c"), QStringLiteral("copy"),
                           QStringLiteral("-metadata:s:v:0"), rotate, mp4}));
    } else {
        QVERIFY(RunFfmpeg(encode + QStringList{file}));
    }
    const QImage shown = ShowFirstPicture(media, dir.path());
    QCOMPARE(shown.size(), QSize(960, 540));
    const QImage reference = FfmpegPicture(media, pictureArea.size(), dir.path());
    QVERIFY(!reference.isNull());
    double mean = 0;
    const int worst = WorstBlock(shown, pictureArea, reference, &mean);
    QVERIFY2(worst <= worstAllowed && mean <= 3.0,
             qPrintable(QStringLiteral("worst block differs by %1, mean %2").arg(worst).arg(mean)));
    // Outside the picture: black bars.
    if (pictureArea.x() > 4) {
        QCOMPARE(shown.pixel(pictureArea.x() / 2, 270), qRgb(0, 0, 0));
    }
}

void TestVorelShow::anamorphicPictureShowsAtItsDisplayAspect()
{
    // PAL 720 x 576 with 16:15 samples is 4:3 on screen: 720 x 540 in the
    // 960 x 540 window, from x 120 (FFmpeg scales it to 768 x 576).
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("pal.mkv"));
    QVERIFY(RunFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                       QStringLiteral("smptebars=size=720x576:rate=25:duration=1"),
                       QStringLiteral("-vf"), QStringLiteral("setsar=16/15"),
                       QStringLiteral("-c:v"), QStringLiteral("libx264"),
                       QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), media}));
    const QImage shown = ShowFirstPicture(media, dir.path());
    QCOMPARE(shown.size(), QSize(960, 540));
    const QRect area(120, 0, 720, 540);
    const QImage reference = FfmpegPicture(media, area.size(), dir.path());
    QVERIFY(!reference.isNull());
    const int worst = WorstBlock(shown, area, reference);
    QVERIFY2(worst <= 12, qPrintable(QStringLiteral("worst block differs by %1").arg(worst)));
    QCOMPARE(shown.pixel(60, 270), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(900, 270), qRgb(0, 0, 0));
}

void TestVorelShow::unreadableFileFailsWithoutScreenshot()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QCOMPARE(RunShow({QStringLiteral("--untimed"), QStringLiteral("--screenshot"), shot,
                      QStringLiteral(VOREL_TEST_MEDIA "/zero.mp4")}),
             1);
    QVERIFY(!QFile::exists(shot));
    QCOMPARE(RunShow({}), 2);
}

// Pixels of `image` inside `rect` that are bright (text), or red.
int CountPixels(const QImage& image, const QRect& rect, bool red)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += red ? qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 80 : qGray(p) > 180;
        }
    }
    return count;
}

void TestVorelShow::subtitlesShowInsideThePicture_data()
{
    QTest::addColumn<QByteArray>("subtitles");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("where"); // bottom, top or none
    const QByteArray cue = "1\n00:00:00,000 --> 00:00:03,800\nSubtitles here\n\n";
    QTest::newRow("SubRip beside the file, at the bottom") << cue << "" << QStringList{} << "bottom";
    QTest::newRow("turned off") << cue << "" << QStringList{"--sid", "no"} << "none";
    // Enough Chinese text in GB18030 for its encoding to be told.
    const QString chinese = QStringLiteral(
        "1\n00:00:00,000 --> 00:00:03,800\n你好，世界。这是一行中文字幕\n\n"
        "2\n00:00:03,900 --> 00:00:04,500\n我们在测试简体中文的国家标准编码\n\n"
        "3\n00:00:04,600 --> 00:00:05,000\n播放器应该正确地显示每一个汉字\n\n");
    QTest::newRow("GB18030 file given")
        << QTextCodec::codecForName("GB18030")->fromUnicode(chinese) << ""
        << QStringList{"--sub-file"} << "bottom";
    QTest::newRow("ASS placed at the top, in red")
        << QByteArray("[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
                      "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
                      "MarginV, Effect, Text\nDialogue: 0,0:00:00.00,0:00:03.80,Default,,0,0,0,,"
                      "{\\an8}{\\c&H0000FF&}Red at the top\n")
        << "ass" << QStringList{} << "top";
    QTest::newRow("over a dewarped layout")
        << cue << "" << QStringList{"--fisheye", "1"} << "bottom";
}

void TestVorelShow::subtitlesShowInsideThePicture()
{
    QFETCH(QByteArray, subtitles);
    QFETCH(QString, codec);
    QFETCH(QStringList, options);
    QFETCH(QString, where);
    // A black 4:3 picture: the text is the only bright thing on screen.
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("clip.mp4"));
    QVERIFY(RunFfmpeg({"-f", "lavfi", "-i", "color=c=black:size=320x240:rate=25:duration=4", "-c:v",
                       "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", video}));
    const QString subtitleFile =
        dir.filePath(codec.isEmpty() ? QStringLiteral("clip.srt") : QStringLiteral("clip.ass"));
    QFile file(subtitleFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(subtitles);
    file.close();
    if (options == QStringList{"--sub-file"}) {
        // Given by name, under a name that is not found beside the clip.
        QVERIFY(QFile::rename(subtitleFile, dir.filePath(QStringLiteral("other.srt"))));
        options << dir.filePath(QStringLiteral("other.srt"));
    }
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QCOMPARE(RunShow(options + QStringList{"--screenshot", shot, "--after", "20", video}), 0);
    const QImage image(shot);
    QVERIFY(!image.isNull());
    // The picture's area in the 960x540 window: 720x540 in the middle.
    const QRect picture(120, 0, 720, 540);
    const QRect top(120, 0, 720, 180);
    const QRect bottom(120, 360, 720, 180);
    const bool red = where == QLatin1String("top");
    QCOMPARE(CountPixels(image, QRect(0, 0, 120, 540), red), 0);
    QCOMPARE(CountPixels(image, QRect(840, 0, 120, 540), red), 0);
    const int inTop = CountPixels(image, top, red);
    const int inBottom = CountPixels(image, bottom, red);
    if (where == QLatin1String("none")) {
        QCOMPARE(CountPixels(image, picture, false), 0);
    } else {
        QVERIFY2((where == QLatin1String("top") ? inTop : inBottom) > 200,
                 qPrintable(QStringLiteral("%1 %2").arg(inTop).arg(inBottom)));
        QCOMPARE(where == QLatin1String("top") ? inBottom : inTop, 0);
    }
}

QTEST_MAIN(TestVorelShow)
#include "test_vorel_show.moc"
