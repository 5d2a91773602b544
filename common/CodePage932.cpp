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

} // namespace

std::optional<QString> cp932Decode(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (!decoder.isValid() || decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QByteArray> cp932Encode(QStringView text)
{
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    return bytes;
}

#endif

} // namespace classdiv
