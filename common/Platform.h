#pragma once
// What differs between the Linux and the Windows build besides the code page
// (common/CodePage932.h) and the drive list (import/Volumes.h): the fonts the
// layouts name, and whether the case of a path matters.

#include <QString>

namespace classdiv::platform {

// The font drawn for a family the layouts name ("ＭＳ Ｐ明朝", "ＭＳ 明朝",
// "ＭＳ Ｐゴシック", "ＭＳ ゴシック"): on Linux the IPA font of the same design and metrics;
// empty on Windows, where every Japanese system has the fonts themselves.
QString fontSubstitute(const QString& family);

// Windows names the same folder whatever the case of its letters.
#ifdef Q_OS_WIN
inline constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

} // namespace classdiv::platform
