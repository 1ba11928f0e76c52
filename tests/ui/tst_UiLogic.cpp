// The main window's arithmetic: play order by mode, edge-resize regions and
// geometry, the engine's path buffer, screenshot names and colours, and the
// control bar's and import dialog's texts.
#include "EdgeResize.h"
#include "EnginePathBuffer.h"
#include "MediaKind.h"
#include "PlayBottomWidget.h"
#include "PlayListWidget.h"
#include "PlayOrder.h"
#include "ScreenshotWriter.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using Kind = PlayOrder::Step::Kind;

class UiLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void endOfFileByMode()
    {
        // AutoPlay: on to the next, wrapping from the last to the first.
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::AutoPlay, 1, 3).index, 2);
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::AutoPlay, 2, 3).index, 0);
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::AutoPlay, 2, 3).kind, Kind::Play);
        // SinglePlay: the same file again.
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::SinglePlay, 1, 3).index, 1);
        // StopPlay: finished, nothing more plays.
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::StopPlay, 1, 3).kind, Kind::Finish);
        // An empty list stops in every mode.
        for (int mode = 0; mode < 4; ++mode) {
            QCOMPARE(PlayOrder::AtEnd(mode, 0, 0).kind, Kind::Stop);
            QCOMPARE(PlayOrder::Next(mode, -1, 0).kind, Kind::Stop);
            QCOMPARE(PlayOrder::Previous(mode, -1, 0).kind, Kind::Stop);
        }
    }

    void previousAndNextByMode()
    {
        for (int mode : {int(PlayOrder::AutoPlay), int(PlayOrder::StopPlay)}) {
            QCOMPARE(PlayOrder::Previous(mode, 0, 4).index, 3);
            QCOMPARE(PlayOrder::Previous(mode, 2, 4).index, 1);
            QCOMPARE(PlayOrder::Next(mode, 3, 4).index, 0);
            QCOMPARE(PlayOrder::Next(mode, 1, 4).index, 2);
            QCOMPARE(PlayOrder::Next(mode, 1, 4).kind, Kind::Play);
        }
        QCOMPARE(PlayOrder::Previous(PlayOrder::SinglePlay, 2, 4).index, 2);
        QCOMPARE(PlayOrder::Next(PlayOrder::SinglePlay, 2, 4).index, 2);
    }

    void indicesOutsideTheListStayInside()
    {
        // Nothing played yet (-1), or the current file removed from the end.
        QCOMPARE(PlayOrder::Next(PlayOrder::AutoPlay, -1, 3).index, 0);
        QCOMPARE(PlayOrder::Previous(PlayOrder::AutoPlay, -1, 3).index, 2);
        QCOMPARE(PlayOrder::Next(PlayOrder::AutoPlay, 5, 3).index, 0);
        QCOMPARE(PlayOrder::Previous(PlayOrder::AutoPlay, 5, 3).index, 2);
        QCOMPARE(PlayOrder::AtEnd(PlayOrder::SinglePlay, -1, 3).index, 0);
        QCOMPARE(PlayOrder::Next(PlayOrder::SinglePlay, 3, 3).index, 0);
    }

    void randomDrawsCoverTheListAndStayInRange()
    {
        QSet<int> seen;
        for (int i = 0; i < 400; ++i) {
            const PlayOrder::Step step = PlayOrder::AtEnd(PlayOrder::RandomPlay, 0, 5);
            QCOMPARE(step.kind, Kind::Play);
            QVERIFY(step.index >= 0 && step.index < 5);
            seen.insert(step.index);
            const int next = PlayOrder::Next(PlayOrder::RandomPlay, 0, 5).index;
            QVERIFY(next >= 0 && next < 5);
        }
        QCOMPARE(seen.size(), 5);
        QCOMPARE(PlayOrder::RandomIndex(1), 0);
    }

    void edgeRegionsAndCursors()
    {
        const QSize size(800, 600);
        QCOMPARE(EdgeResize::RegionCode(QPoint(0, 0), size), 11);
        QCOMPARE(EdgeResize::RegionCode(QPoint(4, 300), size), 21);
        QCOMPARE(EdgeResize::RegionCode(QPoint(5, 300), size), 22);
        QCOMPARE(EdgeResize::RegionCode(QPoint(795, 300), size), 22);
        QCOMPARE(EdgeResize::RegionCode(QPoint(796, 300), size), 23);
        QCOMPARE(EdgeResize::RegionCode(QPoint(794, 595), size), 22);
        QCOMPARE(EdgeResize::RegionCode(QPoint(794, 596), size), 32);
        QCOMPARE(EdgeResize::RegionCode(QPoint(799, 599), size), 33);
        QCOMPARE(EdgeResize::RegionCode(QPoint(0, 599), size), 31);
        QCOMPARE(EdgeResize::Cursor(11), Qt::SizeFDiagCursor);
        QCOMPARE(EdgeResize::Cursor(33), Qt::SizeFDiagCursor);
        QCOMPARE(EdgeResize::Cursor(13), Qt::SizeBDiagCursor);
        QCOMPARE(EdgeResize::Cursor(31), Qt::SizeBDiagCursor);
        QCOMPARE(EdgeResize::Cursor(12), Qt::SizeVerCursor);
        QCOMPARE(EdgeResize::Cursor(32), Qt::SizeVerCursor);
        QCOMPARE(EdgeResize::Cursor(21), Qt::SizeHorCursor);
        QCOMPARE(EdgeResize::Cursor(23), Qt::SizeHorCursor);
        QCOMPARE(EdgeResize::Cursor(22), Qt::ArrowCursor);
        QCOMPARE(EdgeResize::Cursor(0), Qt::ArrowCursor);
        // The edges the platform is asked to move (Wayland).
        QCOMPARE(EdgeResize::Edges(11), Qt::TopEdge | Qt::LeftEdge);
        QCOMPARE(EdgeResize::Edges(23), Qt::Edges(Qt::RightEdge));
        QCOMPARE(EdgeResize::Edges(32), Qt::Edges(Qt::BottomEdge));
        QCOMPARE(EdgeResize::Edges(33), Qt::BottomEdge | Qt::RightEdge);
        QCOMPARE(EdgeResize::Edges(22), Qt::Edges());
    }

    void edgeResizeMovesOnlyTheNamedEdges()
    {
        const QRect start(100, 100, 1000, 700);
        const QSize minimum(800, 600);
        QCOMPARE(EdgeResize::Resized(11, start, QPoint(-20, -30), minimum), QRect(80, 70, 1020, 730));
        QCOMPARE(EdgeResize::Resized(33, start, QPoint(50, 40), minimum), QRect(100, 100, 1050, 740));
        QCOMPARE(EdgeResize::Resized(21, start, QPoint(50, 40), minimum), QRect(150, 100, 950, 700));
        QCOMPARE(EdgeResize::Resized(32, start, QPoint(50, -40), minimum), QRect(100, 100, 1000, 660));
        // Smaller than the minimum in either direction: refused.
        QVERIFY(!EdgeResize::Resized(23, start, QPoint(-201, 0), minimum).isValid());
        QVERIFY(!EdgeResize::Resized(12, start, QPoint(0, 101), minimum).isValid());
        QCOMPARE(EdgeResize::Resized(23, start, QPoint(-200, 0), minimum).size(), QSize(800, 700));
    }

    void longPathsReachTheEngineWhole()
    {
        EnginePathBuffer buffer;
        const char* first = buffer.Store(QStringLiteral("/media/短.mp4"));
        QCOMPARE(QString::fromUtf8(first), QStringLiteral("/media/短.mp4"));
        // 300 three-byte characters: 900 bytes of UTF-8.
        const QString deep = QStringLiteral("/media/") + QString(300, QChar(0x89C6)) + QStringLiteral(".mp4");
        QVERIFY(deep.toUtf8().size() > 255);
        const char* long1 = buffer.Store(deep);
        QCOMPARE(std::strlen(long1), size_t(deep.toUtf8().size()));
        QCOMPARE(QString::fromUtf8(long1), deep);
        // A queued call may still hold the older pointer: it stays readable.
        QCOMPARE(QString::fromUtf8(first), QStringLiteral("/media/短.mp4"));
        const char* again = buffer.Store(QStringLiteral("/a.mp4"));
        QCOMPARE(again, long1); // shorter paths reuse the current buffer
        QCOMPARE(QString::fromUtf8(again), QStringLiteral("/a.mp4"));
    }

    void screenshotNamesCountUpWithinASecond()
    {
        QTemporaryDir folder;
        const QDateTime when(QDate(2026, 12, 6), QTime(18, 3, 56));
        const QString first = ScreenshotWriter::FileName(folder.path(), when);
        QCOMPARE(first, folder.path() + QStringLiteral("/20261206180356.jpg"));
        QFile(first).open(QIODevice::WriteOnly);
        const QString second = ScreenshotWriter::FileName(folder.path(), when);
        QVERIFY(second.endsWith(when.toString(QStringLiteral("yyyyMMddhhmmss")) + QStringLiteral("_1.jpg")));
        QFile(second).open(QIODevice::WriteOnly);
        QVERIFY(ScreenshotWriter::FileName(folder.path(), when).endsWith(QStringLiteral("_2.jpg")));
    }

    void screenshotColoursFollowBt601()
    {
        // 4 x 2 picture: left half white, right half pure red in BT.601.
        const int w = 4, h = 2;
        QByteArray yuv(w * h * 3 / 2, 0);
        for (int row = 0; row < h; ++row) {
            for (int col = 0; col < w; ++col) {
                yuv[row * w + col] = char(col < 2 ? 235 : 81);
            }
        }
        yuv[w * h + 0] = char(128); // U, left
        yuv[w * h + 1] = char(90);  // U, right
        yuv[w * h + 2] = char(128); // V, left
        yuv[w * h + 3] = char(240); // V, right
        const QImage image = ScreenshotWriter::ToImage(yuv, w, h);
        QCOMPARE(image.size(), QSize(w, h));
        const QColor white = image.pixelColor(0, 1);
        const QColor red = image.pixelColor(3, 0);
        QVERIFY2(white.red() >= 250 && white.green() >= 250 && white.blue() >= 250, qPrintable(white.name()));
        QVERIFY2(red.red() >= 250 && red.green() <= 5 && red.blue() <= 5, qPrintable(red.name()));
        QVERIFY(ScreenshotWriter::ToImage(yuv.left(10), w, h).isNull());
    }

    void timeAndSizeTexts()
    {
        QCOMPARE(PlayBottomWidget::TimeText(0), QStringLiteral("00:00"));
        QCOMPARE(PlayBottomWidget::TimeText(75000), QStringLiteral("01:15"));
        QCOMPARE(PlayBottomWidget::TimeText(3600000), QStringLiteral("60:00"));
        QCOMPARE(PlayBottomWidget::TimeText(6000000), QStringLiteral("100:00"));
        QCOMPARE(MediaKind::SizeText(1536), QStringLiteral("1.500K"));
        QCOMPARE(MediaKind::SizeText(3LL * 1024 * 1024 * 1024), QStringLiteral("3.000G"));
        QCOMPARE(MediaKind::SizeText(1024 * 1024 + 1), QStringLiteral("1.000M"));
        QCOMPARE(MediaKind::SizeText(512), QStringLiteral("512B"));
        QCOMPARE(PlayListWidget::DurationText(185000), QStringLiteral("时间:3:5"));
    }

    void fileKindsBySuffix()
    {
        QVERIFY(MediaKind::IsSupported(QStringLiteral("/a/b.mvr")));
        QVERIFY(MediaKind::IsSupported(QStringLiteral("x.rtm")));
        QVERIFY(MediaKind::IsSupported(QStringLiteral("CLIP.MP4"))); // cameras name them so
        QCOMPARE(MediaKind::IconStyle(QStringLiteral("C.Mkv")), QStringLiteral("image: url(:/img/margin_icon_mkv_nor.png);"));
        QVERIFY(!MediaKind::IsSupported(QStringLiteral("x.m4a")));
        QCOMPARE(MediaKind::IconStyle(QStringLiteral("c.mvr")), QStringLiteral("image: url(:/img/margin_icon_rtsp_nor.png);"));
    }
};

QTEST_MAIN(UiLogicTest)
#include "tst_UiLogic.moc"
