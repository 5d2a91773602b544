#pragma once
// The student cards (短冊): one card a student, 2 × 8 on an A4 page, cut
// apart and laid out by hand in the meeting. Which cards, in which order,
// which texts at which size: decided here, so that the painting only draws.
//
// A card shows the new class in large type, the identifier and the group,
// the score band of the distribution table as a mark (①..⑥), the name, and
// the chosen columns as 「見出し：値」. A name too long for the card is set
// smaller and then narrower, never cut. Another text that does not fit even
// at the smallest size ends in 「…」, and its whole text goes in the list of
// notes printed after the cards. The colour column (the old class, usually)
// gives the bar on the card's left edge its colour, pattern and value.

#include "division/draw/DistributionTable.h"
#include "export/PaperColumns.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace classdiv {

// The page and the card in millimetres.
struct CardGeometry {
    static constexpr double pageWidth = 210;
    static constexpr double pageHeight = 297;
    static constexpr int across = 2;
    static constexpr int down = 8;
    static constexpr int perPage = across * down;
    static constexpr double width = 90;
    static constexpr double height = 30;
    static constexpr double left = (pageWidth - across * width) / 2;
    static constexpr double top = 34; // under the header
    static constexpr double bar = 6;  // the colour bar on the left edge
    static constexpr double textLeft = bar + 1.5;
    static constexpr double textWidth = width - textLeft - 1.5;
    static constexpr double classWidth = 17;  // the new class, top right
    static constexpr double markWidth = 6;    // the band mark beside it
    static constexpr double topLine = 7;      // identifier and group
    static constexpr double nameLine = 9;     // the name
    static constexpr double fieldsHeight = height - 1 - topLine - nameLine - 1.5;
    // The notes' pages: lines of the full texts.
    static constexpr double noteTop = 34;
    static constexpr double notePoints = 10;
    static constexpr double noteLine = 5.2;
    static constexpr double noteWidth = pageWidth - 2 * 15;
};

enum class CardOrder {
    NewClass, // new class, then group, then score (highest first)
    OldClass  // the colour column's value (the old class), then as above
};

struct CardChoice {
    std::vector<int> columns; // positions in the roster's columns; the identifier and the name are always shown
    int colour = -1;          // the column that colours the edge; -1 for none
    CardOrder order = CardOrder::NewClass;
};

// A text with the size it is printed at; narrower than 100 % only where smaller would be unreadable.
struct SizedText {
    QString text;
    double points = 0;
    int stretch = 100;
};

struct StudentCard {
    int row = 0;
    QString newClass;  // "３組"
    SizedText heading; // identifier and group
    int band = 0;      // 1 .. 6
    QString bandMark;  // "①" .. "⑥"
    SizedText name;
    QStringList fields; // lines of 「見出し：値」
    double fieldPoints = 7.5;
    int colour = -1;    // index into the palette, -1 for no colour
    QString colourValue;
};

struct CardPage {
    QString title; // "３組", or "旧組 2"
    std::vector<StudentCard> cards; // at most CardGeometry::perPage, in reading order
};

// A text shown cut on its card, in full.
struct CardNote {
    QString who;  // "３組　20101　工藤　里奈"
    QString heading;
    QString text;
};

struct CardSheets {
    std::vector<CardPage> pages;
    std::vector<CardNote> notes;
    std::vector<QStringList> notePages; // the notes' lines, page by page, after the cards
    QString bandLegend;                 // "①85点以上　②72点以上85点未満…"
};

// The rows of the students in the order of the cards.
std::vector<int> cardRows(const Students& students, const std::vector<int16_t>& classes, const QStringList& groupOrder,
                          const PaperColumns& columns, const CardChoice& choice);

CardSheets studentCards(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                        const QStringList& groupOrder, const PaperColumns& columns, const CardChoice& choice);

// The text of a field, and its line packing (exposed for the tests).
struct FieldLayout {
    QStringList lines;
    double points = 0;
    std::vector<int> cut; // the fields not shown whole
};
FieldLayout layOutFields(const QStringList& fields, double width, double height);

} // namespace classdiv
