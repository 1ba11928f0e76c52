// The subtitle layer: picture subtitles placed and scaled from their canvas,
// shown until their end or the next one, cleared by an empty subtitle; text
// through libass; tracks and seeks dropping what came before.

#include "SubtitleLayer.h"

#include <QtTest>

namespace {

// A picture subtitle: one opaque red block on a 720x576 canvas.
SubtitleEvent RedBlock(qint64 startMs, qint64 endMs, QRect rect)
{
    QImage block(rect.size(), QImage::Format_ARGB32_Premultiplied);
    block.fill(qRgb(255, 0, 0));
    SubtitleEvent event;
    event.startMs = startMs;
    event.endMs = endMs;
    event.bitmaps = {SubtitleBitmap{block, rect}};
    event.canvas = QSize(720, 576);
    return event;
}

SubtitleEvent Clear(qint64 startMs)
{
    SubtitleEvent event;
    event.startMs = startMs;
    event.canvas = QSize(720, 576);
    return event;
}

bool IsRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 50 && qAlpha(pixel) > 200; }

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

} // namespace

class SubtitleLayerTest : public QObject
{
    Q_OBJECT
private slots:
    void pictureSubtitlesScaleFromTheirCanvas();
    void pictureSubtitlesLastUntilTheNextOrTheirEnd();
    void newTracksDropEarlierEvents();
    void textSentAgainShowsOnce();
    void textIsDrawnAtTheAreaSize();
};

void SubtitleLayerTest::pictureSubtitlesScaleFromTheirCanvas()
{
    SubtitleLayer layer;
    layer.Start(SubtitleTrackStart{1, true, {}});
    layer.Add(RedBlock(1000, 3000, QRect(360, 480, 72, 48)));
    QImage image;
    // Half the canvas's size: the block lands at half its place and size.
    QVERIFY(layer.Render(1500, QSize(360, 288), QSize(720, 576), &image));
    QCOMPARE(image.size(), QSize(360, 288));
    QVERIFY(IsRed(image.pixel(180 + 18, 240 + 12)));
    QCOMPARE(qAlpha(image.pixel(170, 235)), 0);
    QCOMPARE(qAlpha(image.pixel(180 + 40, 240 + 30)), 0);
    QVERIFY(qAbs(OpaquePixels(image) - 36 * 24) <= 36 + 24 + 4);
    // Nothing changed at a later time within the event, or the same time.
    QVERIFY(!layer.Render(1600, QSize(360, 288), QSize(720, 576), &image));
    // A new size draws again.
    QVERIFY(layer.Render(1600, QSize(720, 576), QSize(720, 576), &image));
    QVERIFY(IsRed(image.pixel(370, 490)));
}

void SubtitleLayerTest::pictureSubtitlesLastUntilTheNextOrTheirEnd()
{
    SubtitleLayer layer;
    layer.Start(SubtitleTrackStart{2, true, {}});
    // Arriving out of order; the first has no end, the empty one clears.
    layer.Add(RedBlock(2000, -1, QRect(0, 0, 100, 100)));
    layer.Add(RedBlock(500, -1, QRect(600, 0, 100, 100)));
    layer.Add(Clear(4000));
    layer.Add(RedBlock(5000, 5500, QRect(300, 300, 50, 50)));
    QImage image;
    const QSize size(720, 576);
    layer.Render(400, size, size, &image);
    QCOMPARE(OpaquePixels(image), 0);
    QVERIFY(layer.IsBlank());
    layer.Render(1000, size, size, &image);
    QVERIFY(IsRed(image.pixel(650, 50)));
    QVERIFY(!layer.IsBlank());
    QVERIFY(!IsRed(image.pixel(50, 50)));
    QVERIFY(layer.Render(2500, size, size, &image));
    QVERIFY(IsRed(image.pixel(50, 50)));
    QVERIFY(!IsRed(image.pixel(650, 50)));
    QVERIFY(layer.Render(4100, size, size, &image));
    QCOMPARE(OpaquePixels(image), 0);
    QVERIFY(layer.IsBlank());
    layer.Render(5200, size, size, &image);
    QVERIFY(IsRed(image.pixel(320, 320)));
    QVERIFY(layer.Render(5600, size, size, &image));
    QCOMPARE(OpaquePixels(image), 0);
    // Events long passed were let go; after a seek back the engine sends
    // them again, and one sent twice is held once.
    layer.Add(RedBlock(500, 900, QRect(0, 0, 10, 10)));
    layer.Add(RedBlock(500, 900, QRect(0, 0, 20, 20)));
    layer.Render(600, size, size, &image);
    QVERIFY(IsRed(image.pixel(15, 15)));
    QCOMPARE(OpaquePixels(image), 400);
}

void SubtitleLayerTest::newTracksDropEarlierEvents()
{
    SubtitleLayer layer;
    QImage image;
    const QSize size(320, 240);
    // No track: events are ignored and the image stays clear.
    layer.Add(RedBlock(0, 1000, QRect(0, 0, 720, 576)));
    layer.Render(100, size, size, &image);
    QCOMPARE(OpaquePixels(image), 0);
    layer.Start(SubtitleTrackStart{1, true, {}});
    layer.Add(RedBlock(0, 1000, QRect(0, 0, 720, 576)));
    layer.Render(100, size, size, &image);
    QCOMPARE(OpaquePixels(image), 320 * 240);
    layer.Start(SubtitleTrackStart{});
    QVERIFY(!layer.HasTrack());
    layer.Render(100, size, size, &image);
    QCOMPARE(OpaquePixels(image), 0);
}

void SubtitleLayerTest::textIsDrawnAtTheAreaSize()
{
    SubtitleLayer layer;
    layer.Start(SubtitleTrackStart{1, false, {}});
    SubtitleEvent event;
    event.startMs = 1000;
    event.endMs = 2000;
    event.assEvent = "0,0,Default,,0,0,0,,Hello subtitles";
    layer.Add(event);
    QImage image;
    QVERIFY(layer.Render(1500, QSize(640, 360), QSize(1280, 720), &image));
    QCOMPARE(image.size(), QSize(640, 360));
    QVERIFY(OpaquePixels(image) > 100);
    QVERIFY(!layer.IsBlank());
    layer.Render(2500, QSize(640, 360), QSize(1280, 720), &image);
    QCOMPARE(OpaquePixels(image), 0);
    QVERIFY(layer.IsBlank());
    // Without an end, text still goes after a while.
    event.startMs = 3000;
    event.endMs = -1;
    event.assEvent = "1,0,Default,,0,0,0,,Open ended";
    layer.Add(event);
    layer.Render(3500, QSize(640, 360), QSize(1280, 720), &image);
    QVERIFY(OpaquePixels(image) > 100);
    layer.Render(3000 + SubtitleLayer::kOpenEndedTextMs + 100, QSize(640, 360), QSize(1280, 720),
                 &image);
    QCOMPARE(OpaquePixels(image), 0);
}

void SubtitleLayerTest::textSentAgainShowsOnce()
{
    // After a seek a decoder numbers its events from 0 again: the same event
    // comes under another ReadOrder, and another event under an old one.
    const auto text = [](const char* line, qint64 startMs) {
        SubtitleEvent event;
        event.startMs = startMs;
        event.endMs = startMs + 2000;
        event.assEvent = line;
        return event;
    };
    const QSize size(640, 360);
    SubtitleLayer once;
    once.Start(SubtitleTrackStart{1, false, {}});
    once.Add(text("0,0,Default,,0,0,0,,Same line", 1000));
    QImage single;
    once.Render(1500, size, size, &single);
    QVERIFY(OpaquePixels(single) > 100);

    SubtitleLayer twice;
    twice.Start(SubtitleTrackStart{1, false, {}});
    twice.Add(text("0,0,Default,,0,0,0,,Same line", 1000));
    twice.Add(text("5,0,Default,,0,0,0,,Same line", 1000));
    QImage image;
    twice.Render(1500, size, size, &image);
    QCOMPARE(image, single);
    // A different event under ReadOrder 0 is not taken for the first.
    twice.Add(text("0,0,Default,,0,0,0,,Another line", 4000));
    twice.Render(4500, size, size, &image);
    QVERIFY(OpaquePixels(image) > 100);
}

QTEST_MAIN(SubtitleLayerTest)
#include "test_subtitle_layer.moc"
