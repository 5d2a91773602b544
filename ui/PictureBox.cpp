#include "ui/PictureBox.h"

#include "ui/Layout.h"

#include <QPainter>

namespace classdiv {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFont(layoutFont(kFontPMincho, 9));
}

void PictureBox::setItems(std::vector<TableItem> items)
{
    m_items = std::move(items);
    update();
}

QPointF PictureBox::toPixels(double x, double y) const
{
    // twips per unit, then 15 twips to the pixel
    const QPointF origin = contentsRect().topLeft();
    return origin + QPointF(x * double(kPictureUnitX) / 15.0, y * double(kPictureUnitY) / 15.0);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event); // the sunken border
    if (m_items.empty())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    for (const TableItem& item : m_items) {
        const QPointF topLeft = toPixels(item.x, item.y);
        // drawText takes the baseline; the item gives the text's top edge
        painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), item.text);
    }
}

} // namespace classdiv
