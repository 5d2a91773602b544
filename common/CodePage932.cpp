#include "common/CodePage932.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

#include <algorithm>

namespace classdiv {

#ifdef Q_OS_WIN

namespace {

constexpr UINT kCodePage = 932;

// Windows gives the single bytes 0x80, 0xA0 and 0xFD to 0xFF characters of
// their own (U+0080, U+F8F0 to U+F8F3); ICU's table, and so the Linux build,
// refuses them. They are refused here too, either way round, so that a file
// reads or saves the same on both systems.
bool isWindowsOnly(char16_t c) { return c == 0x0080 || (c >= 0xF8F0 && c <= 0xF8F3); }

} // namespace

std::optional<QString> cp932Decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int size = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    QString text(size, Qt::Uninitialized);
    if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()),
                            reinterpret_cast<wchar_t*>(text.data()), size) != size)
        return std::nullopt;
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isWindowsOnly(c.unicode()); }))
        return std::nullopt;
    return text;
}

std::optional<QByteArray> cp932Encode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isWindowsOnly(c.unicode()); }))
        return std::nullopt;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    // Without WC_NO_BEST_FIT_CHARS Windows writes a look-alike (0x5C for ¥);
    // with it, any character without an exact code becomes the default
    // character and usedDefault tells.
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), nullptr, 0, nullptr,
                                         &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), bytes.data(), size, nullptr,
                            &usedDefault) != size
        || usedDefault)
        return std::nullopt;
    return bytes;
}

#else

namespace {

constexpr const char* kCodePage = "windows-31j";

// ICU's table is IBM's, which gives the control bytes 0x1A, 0x1C and 0x7F the
// characters U+001C, U+007F and U+001A. Windows, whose code page this is,
// gives each byte its own character, and so does the program.
char16_t fromIcu(char16_t c) { return c == 0x1C ? 0x1A : c == 0x7F ? 0x1C : c == 0x1A ? 0x7F : c; }
char16_t toIcu(char16_t c) { return c == 0x1A ? 0x1C : c == 0x1C ? 0x7F : c == 0x7F ? 0x1A : c; }

} // namespace

std::optional<QString> cp932Decode(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (!decoder.isValid() || decoder.hasError())
        return std::nullopt;
    for (QChar& c : text)
        c = QChar(fromIcu(c.unicode()));
    return text;
}

std::optional<QByteArray> cp932Encode(QStringView text)
{
    QString icuText = text.toString();
    for (QChar& c : icuText)
        c = QChar(toIcu(c.unicode()));
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(icuText);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    // ICU writes a few characters as look-alikes (U+F86F as №) and drops a
    // lone high surrogate at the end without an error: only bytes that read
    // back as the same text are exact.
    if (cp932Decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

#endif

} // namespace classdiv
