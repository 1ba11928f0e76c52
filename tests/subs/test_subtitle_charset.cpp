// Encodings of subtitle files as FFmpeg's iconv reads them: byte order
// marks, UTF-8 and its look-alikes, Chinese, Western and other legacy code
// pages guessed from realistic files (each name must decode the file back to
// its text through iconv), and the test that keeps binary files away.

#include "SubtitleCharset.h"

#include <QRandomGenerator>
#include <QTextCodec>
#include <QtTest>

#include <iconv.h>

#include <memory>

namespace
{

struct IconvCloser {
    void operator()(void* converter) const { iconv_close(static_cast<iconv_t>(converter)); }
};

// What FFmpeg's sub_charenc conversion makes of the bytes; null when iconv
// does not know the encoding or the bytes do not convert.
QString IconvDecode(const QByteArray& bytes, const QByteArray& encoding)
{
    const iconv_t opened = iconv_open("UTF-8", encoding.constData());
    if (opened == reinterpret_cast<iconv_t>(-1))
        return QString();
    const std::unique_ptr<void, IconvCloser> converter(opened);
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = static_cast<size_t>(in.size());
    size_t outLeft = static_cast<size_t>(out.size());
    if (iconv(opened, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
        return QString();
    out.truncate(out.size() - static_cast<int>(outLeft));
    return QString::fromUtf8(out);
}

// A SubRip file of these lines, one cue each, as a subtitle editor writes it.
QString Srt(const QStringList& lines)
{
    QString text;
    for (int i = 0; i < lines.size(); ++i) {
        const int startS = 1 + i * 4;
        text += QStringLiteral("%1\r\n00:00:%2,000 --> 00:00:%3,500\r\n%4\r\n\r\n")
                    .arg(i + 1)
                    .arg(startS, 2, 10, QLatin1Char('0'))
                    .arg(startS + 2, 2, 10, QLatin1Char('0'))
                    .arg(lines.at(i));
    }
    return text;
}

QByteArray Encoded(const QString& text, const char* codecName)
{
    return QTextCodec::codecForName(codecName)->fromUnicode(text);
}

enum class ByteOrder { Little, Big };

QByteArray Utf16(const QString& text, ByteOrder order, bool withMark)
{
    QByteArray bytes;
    const QString marked = withMark ? QChar(0xFEFF) + text : text;
    for (const QChar c : marked) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(order == ByteOrder::Little ? low : high);
        bytes.append(order == ByteOrder::Little ? high : low);
    }
    return bytes;
}

QByteArray RandomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

const QStringList kSimplifiedChinese = {
    QStringLiteral("你好，我们今天晚上去哪里吃饭？"),
    QStringLiteral("我不知道，你想吃什么都可以。"),
    QStringLiteral("那我们去城东那家新开的火锅店吧。"),
    QStringLiteral("听说那里的菜很好吃，价格也不贵。"),
    QStringLiteral("好的，我先打电话问问还有没有位子。"),
    QStringLiteral("快点走吧，天已经黑了，外面还在下雨。"),
};

const QStringList kTraditionalChinese = {
    QStringLiteral("你好，我們今天晚上要去哪裡吃飯？"),
    QStringLiteral("我不知道，你想吃什麼都可以。"),
    QStringLiteral("那我們去城東那家新開的餐廳吧。"),
    QStringLiteral("聽說那裡的菜很好吃，價格也不貴。"),
    QStringLiteral("好的，我先打電話問問還有沒有位子。"),
    QStringLiteral("快點走吧，天已經黑了，外面還在下雨。"),
};

const QStringList kFrench = {
    QStringLiteral("Bonjour, je m'appelle Hélène et j'habite à Genève."),
    QStringLiteral("Où est la gare ? Je dois prendre le train de dix-huit heures."),
    QStringLiteral("Ça coûte trop cher, même pour un café très spécial."),
    QStringLiteral("Nous sommes allés à la fête chez François hier soir."),
    QStringLiteral("Il était déjà très tard quand nous sommes rentrés."),
    QStringLiteral("Tu as reçu la lettre que je t'ai envoyée la semaine dernière ?"),
};

const QStringList kGerman = {
    QStringLiteral("Grüß Gott! Wie geht es Ihnen heute, Herr Müller?"),
    QStringLiteral("Die Straße ist schön, aber wir müssen schnell nach Hause."),
    QStringLiteral("Übermorgen fahren wir über die Brücke zum Fußballspiel."),
    QStringLiteral("Ich weiß nicht, ob das Geschäft heute geöffnet hat."),
    QStringLiteral("Können Sie mir bitte sagen, wo der Bahnhof ist?"),
    QStringLiteral("Das Mädchen hat die Tür hinter sich geschlossen."),
};

const QStringList kRussian = {
    QStringLiteral("Привет, как у тебя дела сегодня?"),
    QStringLiteral("Спасибо, всё хорошо. А ты куда идёшь?"),
    QStringLiteral("Я иду в магазин за хлебом и молоком."),
    QStringLiteral("Подожди меня, я пойду вместе с тобой."),
    QStringLiteral("На улице очень холодно, надень шапку."),
    QStringLiteral("Хорошо, тогда пошли быстрее, уже темнеет."),
};

const QStringList kJapanese = {
    QStringLiteral("こんにちは、今日はとてもいい天気ですね。"),
    QStringLiteral("そうですね、どこかへ散歩に行きませんか。"),
    QStringLiteral("駅の近くに新しい喫茶店ができたそうです。"),
    QStringLiteral("じゃあ、そこでコーヒーを飲みましょう。"),
    QStringLiteral("すみません、ちょっと待ってください。"),
    QStringLiteral("財布を家に忘れてしまいました。"),
};

const QStringList kEnglish = {
    QStringLiteral("Where were you last night?"),
    QStringLiteral("I was at the station, waiting for the last train."),
    QStringLiteral("It never came."),
    QStringLiteral("So how did you get home?"),
    QStringLiteral("I walked. All the way."),
};

} // namespace

class TestSubtitleCharset : public QObject
{
    Q_OBJECT

private slots:
    void unicodeFilesAreToldByMarkOrValidity_data();
    void unicodeFilesAreToldByMarkOrValidity();
    void legacyCodePagesDecodeBackToTheirText_data();
    void legacyCodePagesDecodeBackToTheirText();
    void brokenUtf8IsNotCalledUtf8_data();
    void brokenUtf8IsNotCalledUtf8();
    void textIsToldFromBinary_data();
    void textIsToldFromBinary();
};

void TestSubtitleCharset::unicodeFilesAreToldByMarkOrValidity_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    const QString english = Srt(kEnglish);
    const QString chinese = Srt(kSimplifiedChinese);
    const QByteArray utf8Mark = "\xEF\xBB\xBF";
    QTest::newRow("ASCII") << english.toUtf8() << QByteArray("UTF-8");
    QTest::newRow("UTF-8 Chinese") << chinese.toUtf8() << QByteArray("UTF-8");
    QTest::newRow("UTF-8 French") << Srt(kFrench).toUtf8() << QByteArray("UTF-8");
    QTest::newRow("UTF-8 with mark") << utf8Mark + chinese.toUtf8() << QByteArray("UTF-8");
    QTest::newRow("UTF-8 cut inside a character")
        << chinese.toUtf8().left(chinese.toUtf8().size() - 7) << QByteArray("UTF-8");
    QTest::newRow("UTF-16LE with mark")
        << Utf16(chinese, ByteOrder::Little, true) << QByteArray("UTF-16LE");
    QTest::newRow("UTF-16BE with mark")
        << Utf16(chinese, ByteOrder::Big, true) << QByteArray("UTF-16BE");
    QTest::newRow("UTF-16LE English without mark")
        << Utf16(english, ByteOrder::Little, false) << QByteArray("UTF-16LE");
    QTest::newRow("UTF-16BE French without mark")
        << Utf16(Srt(kFrench), ByteOrder::Big, false) << QByteArray("UTF-16BE");
    QTest::newRow("UTF-32LE with mark")
        << QTextCodec::codecForName("UTF-32LE")->fromUnicode(QChar(0xFEFF) + english)
        << QByteArray("UTF-32LE");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

void TestSubtitleCharset::unicodeFilesAreToldByMarkOrValidity()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QCOMPARE(SubtitleCharset::Detect(bytes), expected);
}

void TestSubtitleCharset::legacyCodePagesDecodeBackToTheirText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    const auto add = [](const char* name, const QStringList& lines, const char* codec,
                        const char* expected) {
        const QString text = Srt(lines);
        QTest::newRow(name) << text << Encoded(text, codec) << QByteArray(expected);
    };
    add("GB18030 simplified Chinese", kSimplifiedChinese, "GB18030", "GB18030");
    add("Big5 traditional Chinese", kTraditionalChinese, "Big5", "BIG5");
    add("Windows-1252 French", kFrench, "windows-1252", "WINDOWS-1252");
    add("Windows-1252 German", kGerman, "windows-1252", "WINDOWS-1252");
    add("Windows-1252 French and German", kFrench + kGerman, "windows-1252", "WINDOWS-1252");
    add("Windows-1251 Russian", kRussian, "windows-1251", "WINDOWS-1251");
    add("Shift JIS Japanese", kJapanese, "Shift_JIS", "CP932");
}

void TestSubtitleCharset::legacyCodePagesDecodeBackToTheirText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QVERIFY(!bytes.isEmpty());
    const QByteArray detected = SubtitleCharset::Detect(bytes);
    QCOMPARE(detected, expected);
    QCOMPARE(IconvDecode(bytes, detected), text);
    QVERIFY(SubtitleCharset::LooksLikeText(bytes));
}

void TestSubtitleCharset::brokenUtf8IsNotCalledUtf8_data()
{
    QTest::addColumn<QByteArray>("broken");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF");
    QTest::newRow("overlong four bytes") << QByteArray("\xF0\x8F\xBF\xBF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("lone continuation") << QByteArray("\x80");
    QTest::newRow("lead without continuation") << QByteArray("\xE4 ");
}

void TestSubtitleCharset::brokenUtf8IsNotCalledUtf8()
{
    QFETCH(QByteArray, broken);
    const QByteArray english = Srt(kEnglish).toUtf8();
    const QByteArray bytes = english.left(60) + broken + english.mid(60);
    QVERIFY(SubtitleCharset::Detect(bytes) != "UTF-8");
}

void TestSubtitleCharset::textIsToldFromBinary_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("text");
    const QString english = Srt(kEnglish);
    const QByteArray random = RandomBytes(64 * 1024, 7);
    QByteArray structured;
    for (int i = 0; i < 4096; ++i)
        structured.append(QByteArray::fromHex("7f454c4602010100") + QByteArray(8, '\0'));
    QTest::newRow("UTF-8") << english.toUtf8() << true;
    QTest::newRow("UTF-8 padded with zeros") << english.toUtf8() + QByteArray(512, '\0') << true;
    QTest::newRow("form feed and SUB") << english.toUtf8() + "\f\x1A" << true;
    QTest::newRow("GB18030") << Encoded(Srt(kSimplifiedChinese), "GB18030") << true;
    QTest::newRow("UTF-16LE") << Utf16(Srt(kSimplifiedChinese), ByteOrder::Little, true) << true;
    QTest::newRow("UTF-16BE") << Utf16(english, ByteOrder::Big, true) << true;
    QTest::newRow("UTF-16LE without mark") << Utf16(english, ByteOrder::Little, false) << true;
    QTest::newRow("random") << random << false;
    QTest::newRow("random behind a UTF-16 mark") << "\xFF\xFE" + random << false;
    QTest::newRow("random behind a UTF-8 mark") << "\xEF\xBB\xBF" + random << false;
    QTest::newRow("zeros") << QByteArray(4096, '\0') << false;
    QTest::newRow("records with zeros") << structured << false;
    QTest::newRow("text with zeros inside")
        << english.toUtf8().replace(' ', QByteArray(1, '\0')) << false;
    QTest::newRow("nothing") << QByteArray() << false;
}

void TestSubtitleCharset::textIsToldFromBinary()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, text);
    QCOMPARE(SubtitleCharset::LooksLikeText(bytes), text);
}

QTEST_GUILESS_MAIN(TestSubtitleCharset)
#include "test_subtitle_charset.moc"
