#pragma once
// Widths of printed text, measured in the way the papers' monospaced font
// draws it (ＭＳ ゴシック, on Linux IPAゴシック): a half-width character
// (ASCII, half-width kana) is half an em, every other character a whole em.
// The papers decide here, without a font at hand, what fits a box and at
// which size, so that the decision can be tested and is the same on every
// system.

#include <QString>

namespace classdiv {

inline constexpr double kMillimetresPerPoint = 25.4 / 72;

// The width of the text in ems.
double textEms(const QString& text);
// Its width in millimetres at a size in points.
inline double textWidth(const QString& text, double points) { return textEms(text) * points * kMillimetresPerPoint; }

// The largest size from `largest` down to `smallest` at which the text fits
// `width` millimetres; `smallest` when it fits at none.
double fittingPoints(const QString& text, double width, double largest, double smallest);

// The text cut so that it and a closing 「…」 fit `ems`; the text itself when it fits.
QString elidedToEms(const QString& text, double ems);

// A text broken into lines of at most `ems` each, at any character (Japanese
// has no spaces to break at); a line break of the text starts a line.
QStringList wrappedToEms(const QString& text, double ems);

} // namespace classdiv
