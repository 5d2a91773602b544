#include "ui/Layout.h"

#include "common/Platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace classdiv {

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

void placeTwips(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void installFontSubstitutions()
{
    for (const QString& family : {kFontPMincho, kFontMincho, kFontPGothic, kFontGothic}) {
        const QString substitute = platform::fontSubstitute(family);
        if (!substitute.isEmpty())
            QFont::insertSubstitution(family, substitute);
    }
}

QFont layoutFont(const QString& family, double pointSize)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

void setupWindowFrame(QWidget* window, int clientWidthTwips, int clientHeightTwips, const Deliverable& deliverable,
                      int menuBarHeight)
{
    const QSize client(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips) + menuBarHeight);
    if (deliverable.fixedFrame) {
        window->setFixedSize(client);
        window->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    } else {
        window->resize(client);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(client.width() / 2, client.height() / 2));
    }
}

} // namespace classdiv
