// Screenshots: the table-driven YUV420P conversion against a plain
// floating-point BT.601 conversion written here, the plane layout of odd and
// padded pictures, the JPEG on disk, file names, folders, and the main
// window's confirmation, failure message and recording indicator.
#include "MainWindow.h"
#include "MainWindowProbe.h"

#include "DisplayWidget.h"
#include "MsgBox.h"
#include "PlayBottomWidget.h"
#include "PlaySpliterSystem.h"
#include "RecordHint.h"
#include "ScreenshotSucHint.h"
#include "GLYuvWidget.h"
#include "ScreenshotWriter.h"
#include "Yuv420ToRgb.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace MainWindowProbe;

namespace {

// One YUV420P picture built plane by plane; chroma planes of
// ceil(w / 2) x ceil(h / 2) samples.
struct Picture {
    int width = 0;
    int height = 0;
    QByteArray y, u, v;

    int chromaWidth() const { return (width + 1) / 2; }
    int chromaHeight() const { return (height + 1) / 2; }
    QByteArray bytes() const { return y + u + v; }
};

Picture RandomPicture(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    Picture p{width, height, {}, {}, {}};
    auto fill = [&random](int count) {
        QByteArray plane(count, Qt::Uninitialized);
        for (char& c : plane) {
            c = char(random.bounded(256));
        }
        return plane;
    };
    p.y = fill(width * height);
    p.u = fill(p.chromaWidth() * p.chromaHeight());
    p.v = fill(p.chromaWidth() * p.chromaHeight());
    return p;
}

// Gentle gradients, for comparing through a lossy JPEG.
Picture SmoothPicture(int width, int height)
{
    Picture p{width, height, {}, {}, {}};
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            p.y.append(char(40 + 170 * col / width));
        }
    }
    for (int row = 0; row < p.chromaHeight(); ++row) {
        for (int col = 0; col < p.chromaWidth(); ++col) {
            p.u.append(char(100 + 60 * row / p.chromaHeight()));
            p.v.append(char(150 - 50 * col / p.chromaWidth()));
        }
    }
    return p;
}

// The reference: the published formulas of one matrix and range in double
// precision, rounded to the nearest value and clamped. BT.601 limited range
// unless told otherwise.
struct Formula {
    double kr = 0.299;
    double kb = 0.114;
    bool full = false;
};

QColor Reference(const Picture& p, int col, int row, const Formula& f = Formula())
{
    const int chroma = (row / 2) * p.chromaWidth() + col / 2;
    const double lumaScale = f.full ? 1.0 : 255.0 / 219.0;
    const double chromaScale = f.full ? 1.0 : 255.0 / 224.0;
    const double y = (uchar(p.y[row * p.width + col]) - (f.full ? 0.0 : 16.0)) * lumaScale;
    const double u = (uchar(p.u[chroma]) - 128.0) * chromaScale;
    const double v = (uchar(p.v[chroma]) - 128.0) * chromaScale;
    const double kg = 1.0 - f.kr - f.kb;
    auto channel = [](double value) { return int(std::clamp(std::lround(value), 0L, 255L)); };
    return QColor(channel(y + 2 * (1 - f.kr) * v),
                  channel(y - 2 * f.kb * (1 - f.kb) / kg * u - 2 * f.kr * (1 - f.kr) / kg * v),
                  channel(y + 2 * (1 - f.kb) * u));
}

struct Difference {
    int maximum = 0;
    double mean = 0;
};

Difference Compare(const QImage& image, const Picture& p, const Formula& f = Formula())
{
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < p.height; ++row) {
        for (int col = 0; col < p.width; ++col) {
            const QColor want = Reference(p, col, row, f);
            const QColor got = image.pixelColor(col, row);
            for (int diff : {got.red() - want.red(), got.green() - want.green(), got.blue() - want.blue()}) {
                d.maximum = std::max(d.maximum, std::abs(diff));
                sum += std::abs(diff);
            }
        }
    }
    d.mean = double(sum) / (3.0 * p.width * p.height);
    return d;
}

// Quality 100 makes libjpeg write quantisation tables of ones only: every
// 8-bit table of the file's DQT segments is checked.
bool QuantisesWithOnes(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray jpeg = file.readAll();
    int tables = 0;
    for (int at = jpeg.indexOf("\xFF\xDB"); at >= 0; at = jpeg.indexOf("\xFF\xDB", at + 2)) {
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        for (int table = at + 4; table + 65 <= at + 2 + length; table += 65, ++tables) {
            if ((uchar(jpeg[table]) >> 4) != 0) {
                return false; // 16-bit entries: not what quality 100 writes
            }
            for (int i = 1; i <= 64; ++i) {
                if (jpeg[table + i] != 1) {
                    return false;
                }
            }
        }
    }
    return tables > 0;
}

// The rounding of three table entries, each within half a step.
constexpr int kTableRounding = 2;

} // namespace

class ScreenshotTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
    }

    void conversionMatchesTheFormulas_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("2x2") << 2 << 2;
        QTest::newRow("odd width") << 7 << 4;
        QTest::newRow("odd height") << 6 << 5;
        QTest::newRow("odd both") << 101 << 51;
        QTest::newRow("640x360") << 640 << 360;
    }

    void conversionMatchesTheFormulas()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const Picture p = RandomPicture(width, height, quint32(width * 1000 + height));
        const QImage image = ScreenshotWriter::ToImage(p.bytes(), width, height);
        QCOMPARE(image.size(), QSize(width, height));
        QCOMPARE(image.format(), QImage::Format_RGB888);
        const Difference d = Compare(image, p);
        QVERIFY2(d.maximum <= kTableRounding, qPrintable(QString::number(d.maximum)));
    }

    void conversionFollowsMatrixAndRange_data()
    {
        QTest::addColumn<int>("matrix");
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("kr");
        QTest::addColumn<double>("kb");
        QTest::newRow("BT.601 full") << int(YuvMatrix::Bt601) << int(YuvRange::Full) << 0.299 << 0.114;
        QTest::newRow("BT.709 limited") << int(YuvMatrix::Bt709) << int(YuvRange::Limited) << 0.2126 << 0.0722;
        QTest::newRow("BT.709 full") << int(YuvMatrix::Bt709) << int(YuvRange::Full) << 0.2126 << 0.0722;
        QTest::newRow("BT.2020 limited") << int(YuvMatrix::Bt2020) << int(YuvRange::Limited) << 0.2627 << 0.0593;
        QTest::newRow("BT.2020 full") << int(YuvMatrix::Bt2020) << int(YuvRange::Full) << 0.2627 << 0.0593;
    }

    void conversionFollowsMatrixAndRange()
    {
        QFETCH(int, matrix);
        QFETCH(int, range);
        QFETCH(double, kr);
        QFETCH(double, kb);
        PictureFormat format;
        format.matrix = YuvMatrix(matrix);
        format.range = YuvRange(range);
        const Picture p = RandomPicture(64, 48, quint32(matrix * 10 + range));
        const QImage image = ScreenshotWriter::ToImage(p.bytes(), 64, 48, format);
        const Difference d = Compare(image, p, Formula{kr, kb, format.range == YuvRange::Full});
        QVERIFY2(d.maximum <= kTableRounding, qPrintable(QString::number(d.maximum)));
    }

    // The saved picture is what the display draws: the same colours, turned,
    // mirrored and stretched alike.
    void savedPictureEqualsTheDisplay_data()
    {
        QTest::addColumn<int>("turn");
        QTest::addColumn<bool>("mirrored");
        QTest::addColumn<int>("sarNum");
        QTest::newRow("upright") << 0 << false << 1;
        QTest::newRow("turned 90") << 90 << false << 1;
        QTest::newRow("turned 180, mirrored") << 180 << true << 1;
        QTest::newRow("turned 270, 2:1 samples") << 270 << false << 2;
    }

    void savedPictureEqualsTheDisplay()
    {
        QFETCH(int, turn);
        QFETCH(bool, mirrored);
        QFETCH(int, sarNum);
        PictureFormat format;
        format.matrix = YuvMatrix::Bt709;
        format.range = YuvRange::Full;
        format.rotationCwDeg = turn;
        format.mirrored = mirrored;
        format.sarNum = sarNum;
        const Picture p = SmoothPicture(96, 64);
        const QImage saved = ScreenshotWriter::ToImage(p.bytes(), 96, 64, format);
        GLYuvWidget view;
        view.resize(200, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetPictureFormat(format);
        view.SetDisplay(p.bytes(), 96, 64);
        const QImage drawn = view.GrabView();
        QCOMPARE(saved.size(), drawn.size());
        int worst = 0;
        for (int y = 2; y < saved.height() - 2; ++y) {
            for (int x = 2; x < saved.width() - 2; ++x) {
                const QRgb a = saved.pixel(x, y);
                const QRgb b = drawn.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        }
        QVERIFY2(worst <= 8, qPrintable(QString::number(worst)));
    }

    void everyChromaPairAndClampingAtTheExtremes()
    {
        // 512 x 512: one 2 x 2 block per (U, V) pair, luma sweeping 0..255
        // over the picture, so every channel overflows both ways somewhere.
        Picture p{512, 512, {}, {}, {}};
        for (int row = 0; row < 512; ++row) {
            for (int col = 0; col < 512; ++col) {
                p.y.append(char((col * 7 + row * 13) % 256));
            }
        }
        for (int u = 0; u < 256; ++u) {
            for (int v = 0; v < 256; ++v) {
                p.u.append(char(u));
                p.v.append(char(v));
            }
        }
        const QImage image = ScreenshotWriter::ToImage(p.bytes(), 512, 512);
        const Difference d = Compare(image, p);
        QVERIFY2(d.maximum <= kTableRounding, qPrintable(QString::number(d.maximum)));
        // Saturated corners land exactly on the limits.
        Picture black{2, 2, QByteArray(4, char(0)), QByteArray(1, char(128)), QByteArray(1, char(128))};
        QCOMPARE(ScreenshotWriter::ToImage(black.bytes(), 2, 2).pixelColor(1, 1), QColor(0, 0, 0));
        Picture white{2, 2, QByteArray(4, char(255)), QByteArray(1, char(128)), QByteArray(1, char(128))};
        QCOMPARE(ScreenshotWriter::ToImage(white.bytes(), 2, 2).pixelColor(0, 0), QColor(255, 255, 255));
    }

    void planesComeFromTheSizeNotTheByteCount()
    {
        // Bytes after the three planes (padding) change nothing.
        const Picture p = RandomPicture(101, 51, 7);
        const QImage plain = ScreenshotWriter::ToImage(p.bytes(), 101, 51);
        const QImage padded = ScreenshotWriter::ToImage(p.bytes() + QByteArray(4096, char(0x55)), 101, 51);
        QCOMPARE(padded, plain);
        // A frame short of its planes converts nothing.
        QVERIFY(ScreenshotWriter::ToImage(p.bytes().chopped(1), 101, 51).isNull());
        QVERIFY(ScreenshotWriter::ToImage(p.bytes(), 0, 51).isNull());
        uchar out[3] = {};
        QVERIFY(!Yuv420ToRgb::Convert(reinterpret_cast<const uchar*>(p.bytes().constData()), p.bytes().size(), 101, 51,
                                      out, 3 * 101 - 1));
    }

    void savedJpegHoldsThePicture()
    {
        const QString folder = m_workDir.filePath(QStringLiteral("new"));
        const QDateTime when(QDate(2026, 12, 7), QTime(9, 8, 7));
        const Picture p = SmoothPicture(161, 91);
        const ScreenshotWriter::Result first = ScreenshotWriter::Save(p.bytes(), 161, 91, folder, when);
        QCOMPARE(first.outcome, ScreenshotWriter::Outcome::Saved);
        QCOMPARE(first.fileName, folder + QStringLiteral("/20261207090807.jpg"));
        QVERIFY(QuantisesWithOnes(first.fileName));
        QImage lower = ScreenshotWriter::ToImage(p.bytes(), 161, 91);
        const QString lowerName = m_workDir.filePath(QStringLiteral("q90.jpg"));
        QVERIFY(lower.save(lowerName, "jpg", 90));
        QVERIFY(!QuantisesWithOnes(lowerName)); // the check tells qualities apart
        QImage saved(first.fileName, "jpg");
        QCOMPARE(saved.size(), QSize(161, 91));
        const Difference d = Compare(saved.convertToFormat(QImage::Format_RGB888), p);
        QVERIFY2(d.mean < 1.5 && d.maximum <= 12, qPrintable(QStringLiteral("%1 %2").arg(d.mean).arg(d.maximum)));

        // The same second again: _1, then _2, the earlier files kept.
        const ScreenshotWriter::Result second = ScreenshotWriter::Save(p.bytes(), 161, 91, folder, when);
        const ScreenshotWriter::Result third = ScreenshotWriter::Save(p.bytes(), 161, 91, folder, when);
        QCOMPARE(second.fileName, folder + QStringLiteral("/20261207090807_1.jpg"));
        QCOMPARE(third.fileName, folder + QStringLiteral("/20261207090807_2.jpg"));
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.jpg")}).size(), 3);
    }

    void foldersAreMadeOneLevelDeep()
    {
        const Picture p = SmoothPicture(8, 8);
        const QDateTime when = QDateTime::currentDateTime();
        const QString deep = m_workDir.filePath(QStringLiteral("missing/parent"));
        const ScreenshotWriter::Result failed = ScreenshotWriter::Save(p.bytes(), 8, 8, deep, when);
        QCOMPARE(failed.outcome, ScreenshotWriter::Outcome::Failed);
        QVERIFY(!QDir(deep).exists());
        const ScreenshotWriter::Result none = ScreenshotWriter::Save(QByteArray(), 8, 8, m_workDir.path(), when);
        QCOMPARE(none.outcome, ScreenshotWriter::Outcome::NoPicture);
        QVERIFY(!QFile::exists(none.fileName));
        const ScreenshotWriter::Result corrupt = ScreenshotWriter::Save(p.bytes().left(10), 8, 8, m_workDir.path(), when);
        QCOMPARE(corrupt.outcome, ScreenshotWriter::Outcome::Failed);

        // The encoder gives up (wider than JPEG allows) after the file was
        // opened: no empty or partial file is left under the screenshot's name.
        const QString tooWideFolder = m_workDir.filePath(QStringLiteral("too-wide"));
        QImage tooWide(70000, 2, QImage::Format_RGB888);
        QVERIFY(!tooWide.isNull());
        tooWide.fill(Qt::gray);
        const ScreenshotWriter::Result unwritten = ScreenshotWriter::SaveImage(tooWide, tooWideFolder, when);
        QCOMPARE(unwritten.outcome, ScreenshotWriter::Outcome::Failed);
        QCOMPARE(QDir(tooWideFolder).entryList(QDir::Files), QStringList());
    }

    void mainWindowConfirmsOrReportsTheScreenshot_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("failure");
        QTest::newRow("zh_cn") << QStringLiteral("zh_cn") << QStringLiteral("截图失败！请检查内存");
        QTest::newRow("en_us") << QStringLiteral("en_us") << QStringLiteral("Screenshot failed! Please check the memory");
    }

    void mainWindowConfirmsOrReportsTheScreenshot()
    {
        QFETCH(QString, language);
        QFETCH(QString, failure);
        const QString shots = m_workDir.filePath(QStringLiteral("shots-") + language);
        {
            QSettings ini(QStringLiteral("account.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("PIC/Patch"), shots);
            ini.setValue(QStringLiteral("Language/type"), language);
        }
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Picture p = SmoothPicture(33, 17);
        QByteArray bytes = p.bytes();
        emit window.engine()->sigYuv(reinterpret_cast<uchar*>(bytes.data()), 33, 17, bytes.size());
        emit window.bottomWidget()->sigScreenShotBtnClicked();
        // Encoded and written off the GUI thread; the hint follows.
        QTRY_COMPARE(QDir(shots).entryList({QStringLiteral("*.jpg")}).size(), 1);
        QTRY_VERIFY(window.findChild<ScreenshotSucHint*>());
        QPointer<ScreenshotSucHint> hint = window.findChild<ScreenshotSucHint*>();
        QVERIFY(hint);
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->pos(), QPoint(16, window.height() - hint->height() - 118));
        QVERIFY(!window.messageBox());
        QTRY_VERIFY(!hint); // gone by itself

        // A folder that cannot be made: the message in the chosen language.
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("PIC/Patch"), m_workDir.filePath(QStringLiteral("no/such/folder")));
        MainWindow second;
        second.show();
        emit second.engine()->sigYuv(reinterpret_cast<uchar*>(bytes.data()), 33, 17, bytes.size());
        emit second.bottomWidget()->sigScreenShotBtnClicked();
        QTRY_VERIFY(second.messageBox());
        QCOMPARE(second.messageBox()->text(), failure);
        QVERIFY(!second.findChild<ScreenshotSucHint*>());
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat).remove(QStringLiteral("Language/type"));
    }

    void recordButtonTogglesTheIndicator()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        emit window.bottomWidget()->sigvideoBtnClicked();
        QPointer<RecordHint> hint = window.display()->findChild<RecordHint*>();
        QVERIFY(hint);
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->pos(), QPoint(20, 20));
        emit window.bottomWidget()->sigvideoBtnClicked();
        QVERIFY(!hint->isVisible());
        emit window.bottomWidget()->sigvideoBtnClicked();
        QTRY_VERIFY(!hint); // the old one made way for a fresh one
        QCOMPARE(window.display()->findChildren<RecordHint*>().size(), 1);
        QVERIFY(window.display()->findChild<RecordHint*>()->isVisible());
    }
};

QTEST_MAIN(ScreenshotTest)
#include "tst_Screenshot.moc"
