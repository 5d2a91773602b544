#pragma once
// Picture1 of the conditions window: a sunken panel into which the
// distribution table is printed in the picture's own user scale.

#include "division/draw/DistributionTable.h"

#include <QFrame>

#include <vector>

namespace classdiv {

// Picture1's user scale: twips per unit along x and y.
inline constexpr float kPictureUnitX = 44.625126f;
inline constexpr float kPictureUnitY = 27.624952f;

class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Replaces the whole drawing (the box is cleared first, so only the last
    // table remains) and repaints.
    void setItems(std::vector<TableItem> items);
    void clear() { setItems({}); }
    const std::vector<TableItem>& items() const { return m_items; }

    // Where a point of the user scale lands, in pixels of this widget: the
    // origin is the top-left corner of the inner area, inside the border.
    QPointF toPixels(double x, double y) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Kept so that every repaint (an uncovered window, a resize) draws the
    // table again from the values, not from a stale bitmap.
    std::vector<TableItem> m_items;
};

} // namespace classdiv
