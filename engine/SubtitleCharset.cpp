#include "SubtitleCharset.h"

#include <QString>
#include <QTextCodec>

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace
{

struct ByteOrderMark {
    const char* bytes;
    int length;
    const char* encoding;
};

// UTF-32LE's mark begins with UTF-16LE's, so it is looked for first.
constexpr ByteOrderMark kByteOrderMarks[] = {
    {"\xFF\xFE\x00\x00", 4, "UTF-32LE"}, {"\x00\x00\xFE\xFF", 4, "UTF-32BE"},
    {"\xEF\xBB\xBF", 3, "UTF-8"},        {"\xFF\xFE", 2, "UTF-16LE"},
    {"\xFE\xFF", 2, "UTF-16BE"},
};

// uchardet's names to the ones iconv opens, the wider code page where one
// contains the other (files labelled by the narrower one use the wider one's
// characters all the time).
struct CharsetAlias {
    const char* guess;
    const char* encoding;
};

constexpr CharsetAlias kCharsetAliases[] = {
    {"ASCII", "UTF-8"},
    {"GB2312", "GB18030"},
    {"GBK", "GB18030"},
    {"EUC-CN", "GB18030"},
    {"GB18030", "GB18030"},
    {"BIG5", "BIG5"},
    {"ISO-8859-1", "WINDOWS-1252"},
    {"WINDOWS-1252", "WINDOWS-1252"},
    {"SHIFT_JIS", "CP932"},
    {"EUC-KR", "CP949"},
    {"UHC", "CP949"},
};

// How much of the bytes the UTF-16 test without a mark looks at, and the
// least it needs to decide.
constexpr qsizetype kZeroSampleBytes = 64 * 1024;
constexpr qsizetype kMinZeroSamplePairs = 8;

struct UchardetDeleter {
    void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

struct IconvCloser {
    void operator()(void* converter) const { iconv_close(static_cast<iconv_t>(converter)); }
};

const unsigned char* Unsigned(const QByteArray& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

// The range of a UTF-8 sequence's second byte after `lead`, which rules out
// overlong forms, surrogates and code points above U+10FFFF.
void SecondByteRange(unsigned lead, unsigned* low, unsigned* high)
{
    *low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    *high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
}

bool IsValidUtf8(const QByteArray& bytes)
{
    const unsigned char* data = Unsigned(bytes);
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned lead = data[i];
        int continuation = 0;
        if (lead < 0x80)
            continuation = 0;
        else if (lead >= 0xC2 && lead <= 0xDF)
            continuation = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            continuation = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            continuation = 3;
        else
            return false;
        for (int k = 1; k <= continuation; ++k) {
            if (i + k >= size)
                return true; // cut at the end of the bytes given
            unsigned low = 0x80;
            unsigned high = 0xBF;
            if (k == 1)
                SecondByteRange(lead, &low, &high);
            if (data[i + k] < low || data[i + k] > high)
                return false;
        }
        i += continuation + 1;
    }
    return true;
}

const char* ByteOrderMarkEncoding(const QByteArray& bytes)
{
    for (const ByteOrderMark& mark : kByteOrderMarks) {
        if (bytes.size() >= mark.length &&
            std::memcmp(bytes.constData(), mark.bytes, mark.length) == 0)
            return mark.encoding;
    }
    return nullptr;
}

// UTF-16 without a mark: text mostly below U+0100 has a zero in every other
// byte, and hardly any in the others.
QByteArray Utf16ByZeros(const QByteArray& bytes)
{
    const qsizetype pairs = std::min<qsizetype>(bytes.size(), kZeroSampleBytes) / 2;
    if (pairs < kMinZeroSamplePairs)
        return QByteArray();
    const unsigned char* data = Unsigned(bytes);
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += data[2 * i] == 0 ? 1 : 0;
        oddZeros += data[2 * i + 1] == 0 ? 1 : 0;
    }
    const auto mostly = [pairs](qsizetype zeros) { return zeros * 10 >= pairs * 4; };
    const auto hardly = [pairs](qsizetype zeros) { return zeros * 20 < pairs; };
    if (mostly(oddZeros) && hardly(evenZeros))
        return "UTF-16LE";
    if (mostly(evenZeros) && hardly(oddZeros))
        return "UTF-16BE";
    return QByteArray();
}

// UTF-16 or UTF-32 by their mark or by the zeros; empty for byte encodings.
QByteArray WideEncodingOf(const QByteArray& bytes)
{
    const char* marked = ByteOrderMarkEncoding(bytes);
    if (marked)
        return std::strcmp(marked, "UTF-8") == 0 ? QByteArray() : QByteArray(marked);
    return Utf16ByZeros(bytes);
}

QByteArray UchardetGuess(const QByteArray& bytes)
{
    const std::unique_ptr<uchardet, UchardetDeleter> detector(uchardet_new());
    if (!detector)
        return QByteArray();
    if (uchardet_handle_data(detector.get(), bytes.constData(),
                             static_cast<size_t>(bytes.size())) != 0)
        return QByteArray();
    uchardet_data_end(detector.get());
    const char* guess = uchardet_get_charset(detector.get());
    return guess ? QByteArray(guess).toUpper() : QByteArray();
}

bool IconvOpens(const QByteArray& encoding)
{
    const iconv_t converter = iconv_open("UTF-8", encoding.constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    const std::unique_ptr<void, IconvCloser> closer(converter);
    return true;
}

QByteArray IconvName(const QByteArray& guess)
{
    if (guess.isEmpty())
        return QByteArray();
    QByteArray encoding = guess;
    for (const CharsetAlias& alias : kCharsetAliases) {
        if (guess == alias.guess)
            encoding = alias.encoding;
    }
    return IconvOpens(encoding) ? encoding : QByteArray();
}

bool IsControl(uint codePoint)
{
    // Tab, line feed, vertical tab, form feed, carriage return; escape opens
    // ISO-2022 shifts and SUB ends old DOS files.
    const bool allowed =
        (codePoint >= 0x09 && codePoint <= 0x0D) || codePoint == 0x1A || codePoint == 0x1B;
    return (codePoint < 0x20 && !allowed) || codePoint == 0x7F;
}

bool FewAreBad(qsizetype bad, qsizetype total)
{
    return total > 0 && bad * 100 <= total;
}

bool BytesLookLikeText(const QByteArray& bytes)
{
    qsizetype size = bytes.size();
    while (size > 0 && bytes.at(size - 1) == '\0')
        --size;
    const unsigned char* data = Unsigned(bytes);
    qsizetype bad = 0;
    for (qsizetype i = 0; i < size; ++i)
        bad += IsControl(data[i]) ? 1 : 0;
    return FewAreBad(bad, size);
}

bool WideLooksLikeText(const QByteArray& bytes, const QByteArray& encoding)
{
    const QTextCodec* codec = QTextCodec::codecForName(encoding);
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    const QString text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    qsizetype size = text.size();
    while (size > 0 && text.at(size - 1).isNull())
        --size;
    qsizetype bad = state.invalidChars;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        bad +=
            IsControl(c.unicode()) || c.isSurrogate() || QChar::isNonCharacter(c.unicode()) ? 1 : 0;
    }
    return FewAreBad(bad, size);
}

} // namespace

namespace SubtitleCharset
{

QByteArray Detect(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QByteArray();
    if (const char* marked = ByteOrderMarkEncoding(bytes))
        return marked;
    const QByteArray wide = Utf16ByZeros(bytes);
    if (!wide.isEmpty())
        return wide;
    const bool utf8 = IsValidUtf8(bytes);
    // Escapes in 7-bit text may be ISO-2022 shifts, which uchardet tells.
    if (utf8 && !bytes.contains('\x1B'))
        return "UTF-8";
    const QByteArray guess = IconvName(UchardetGuess(bytes));
    if (guess == "UTF-8" && !utf8)
        return QByteArray();
    if (guess.isEmpty() && utf8)
        return "UTF-8";
    return guess;
}

bool LooksLikeText(const QByteArray& bytes)
{
    const QByteArray wide = WideEncodingOf(bytes);
    return wide.isEmpty() ? BytesLookLikeText(bytes) : WideLooksLikeText(bytes, wide);
}

} // namespace SubtitleCharset
