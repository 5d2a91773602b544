#pragma once
// Drawing on the printed papers in millimetres, and the confidential header
// every page of a meeting paper carries (export/PaperHeader.h): 「機密」 and
// 「会議後回収」 in boxes, the draft's name and the time of printing, the copy
// and the page of that copy. Black only, so that a grey-scale copy keeps it.

#include "export/PaperHeader.h"

#include <QByteArray>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <functional>
#include <memory>

class QBuffer;

namespace classdiv {

class PaperPainter {
public:
    static constexpr int kResolution = 300; // dots per inch of the page's coordinates
    explicit PaperPainter(QPainter& painter) : m_painter(painter) {}

    static double dots(double mm) { return mm * kResolution / 25.4; }
    static QRectF box(double left, double top, double width, double height)
    {
        return {dots(left), dots(top), dots(width), dots(height)};
    }
    QPainter& painter() { return m_painter; }

    // The text in the box, vertically centred, in the family at the size; made
    // smaller (down to 4 points) rather than run out of the box.
    void text(const QRectF& area, const QString& text, Qt::Alignment align, const QString& family, double points,
              bool bold = false, int stretch = 100);

    // The header across the top of the page, from `top` (millimetres), `width` wide from `left`.
    void header(const PageHeader& header, double left, double top, double width);

private:
    QPainter& m_painter;
};

// A PDF of A4 portrait pages made in memory, so that the file is written in one
// piece: `pages` pages, each drawn by paint(page index).
QByteArray paperPdf(const QString& title, int pages, const std::function<void(PaperPainter&, int)>& paint);
// The same for a paper whose pages are counted as they are drawn: paint(page
// index) draws one page and says whether another follows.
QByteArray runningPaperPdf(const QString& title, const std::function<bool(PaperPainter&, int)>& paint);

} // namespace classdiv
