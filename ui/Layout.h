#pragma once
// Window geometry in twips and the Japanese fonts of the layouts.

#include "ui/Deliverable.h"

#include <QFont>
#include <QString>

class QWidget;

namespace classdiv {

// 15 twips are one pixel at 96 dots per inch.
int twipsToPixels(double twips);

// Places a control: left, top, width and height in twips, relative to the client area.
void placeTwips(QWidget* control, int left, int top, int width, int height);

// The Windows font names of the layouts; on Linux drawn with the IPA fonts.
inline const QString kFontPMincho = QStringLiteral("ＭＳ Ｐ明朝");
inline const QString kFontMincho = QStringLiteral("ＭＳ 明朝");
inline const QString kFontPGothic = QStringLiteral("ＭＳ Ｐゴシック");
// Monospaced: the papers measure their texts by it (export/TextFit.h).
inline const QString kFontGothic = QStringLiteral("ＭＳ ゴシック");

// Registers the platform's substitutes of the Windows names (IPAPMincho,
// IPAMincho, IPAPGothic and IPAGothic on Linux, none on Windows); called once at start
// (and by tests).
void installFontSubstitutions();

// A normal-weight, upright font of the given layout family and point size.
QFont layoutFont(const QString& family, double pointSize);

// Sets the client size (twips), the frame of the deliverable and centres the
// window on its screen. A menu bar of menuBarHeight pixels stands above the client.
void setupWindowFrame(QWidget* window, int clientWidthTwips, int clientHeightTwips, const Deliverable& deliverable,
                      int menuBarHeight = 0);

} // namespace classdiv
