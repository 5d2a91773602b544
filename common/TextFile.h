#pragma once
// Text files in the Windows code page 932 (Shift-JIS), read and written whole.

#include <QByteArray>
#include <QString>

#include <optional>

namespace classdiv {

enum class TextEncoding {
    Cp932, // the ordinary case: spreadsheet exports on Japanese systems
    Utf8   // "CSV UTF-8" of a spreadsheet or a web spreadsheet's download; the
           // files written for it are UTF-8 with a byte order mark, which
           // Excel on a Japanese PC needs to read them without garbling
};

// Decodes bytes. UTF-8 when they start with its byte order mark, or when they
// are valid UTF-8 and hold at least one byte above 0x7F (Japanese text in
// CP932 practically never is: its kanji and kana start with bytes that cannot
// start a UTF-8 character). Anything else, plain ASCII included, is CP932.
// nullopt when a byte sequence is not valid in the encoding chosen: the
// caller reports it instead of showing garbled names.
struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Cp932;
};
std::optional<DecodedText> decodeText(const QByteArray& bytes);

// Encodes text; nullopt when a character cannot be written in the encoding.
// UTF-8 output starts with its byte order mark.
std::optional<QByteArray> encodeText(const QString& text, TextEncoding encoding);
// The same without a byte order mark (to encode a file piece by piece).
std::optional<QByteArray> encodeFragment(const QString& text, TextEncoding encoding);
QByteArray byteOrderMark(TextEncoding encoding);

enum class ReadStatus {
    Ok,
    NotFound,        // the file or its folder does not exist
    Unreadable,      // exists but cannot be opened or read (a folder, no permission)
    InvalidEncoding, // bytes that are neither valid CP932 nor UTF-8 (or broken UTF-8 after a BOM)
    TooLarge         // larger than any school year can be; not read
};

struct TextFileContent {
    ReadStatus status = ReadStatus::NotFound;
    QString text;
    TextEncoding encoding = TextEncoding::Cp932;
};

// Files above this size are refused before they are read.
inline constexpr qint64 kMaxTextFileBytes = 64 * 1024 * 1024;

TextFileContent readTextFile(const QString& path);

enum class WriteStatus { Ok, Failed };

// Writes the whole file through a temporary file in the same folder that is
// renamed over the target only when complete: a failed write never leaves a
// half-written file or destroys the earlier one.
WriteStatus writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace classdiv
