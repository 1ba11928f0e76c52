#pragma once
// The character encoding of a subtitle file, named as iconv (and so FFmpeg's
// sub_charenc option) knows it, and whether the file holds text at all.
// Byte order marks and valid UTF-8 decide first; other files are guessed by
// uchardet. The bytes are the whole file or its first part; a UTF-8 sequence
// cut at the end counts as valid.
//
// Stateless; any thread.

#include <QByteArray>

namespace SubtitleCharset
{

// "UTF-8" for valid UTF-8 (pure ASCII included) with or without a byte
// order mark; "UTF-16LE"/"UTF-16BE" (and "UTF-32LE"/"UTF-32BE") for a byte
// order mark or for UTF-16 text whose every other byte is zero; otherwise
// uchardet's guess as a name iconv opens: "GB18030" for any simplified
// Chinese guess, "BIG5", "WINDOWS-1252" for Western European, "CP932" for
// Shift JIS, "CP949" for Korean, Cyrillic and other code pages as uchardet
// names them. Empty when it cannot tell: no bytes, no guess, or a guess
// iconv does not know; the caller then reads UTF-8.
QByteArray Detect(const QByteArray& bytes);

// False for bytes no subtitle file holds: NULs (other than padding at the
// end) or control characters in more than one unit of a hundred, read in
// the encoding Detect() finds for byte order marks and UTF-16; no bytes at
// all is not text either.
bool LooksLikeText(const QByteArray& bytes);

} // namespace SubtitleCharset
