#include "export/StudentCards.h"

#include "division/lists/ClassRoster.h"
#include "export/TextFit.h"

#include <QCollator>

#include <algorithm>
#include <cmath>

namespace classdiv {

namespace {

constexpr double kFieldSizes[] = {7.5, 7, 6.5, 6, 5.5};
constexpr double kLineSpacing = 1.2;
const QString kGap = QStringLiteral("　");

QCollator naturalOrder()
{
    QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
    collator.setNumericMode(true);
    return collator;
}

// Set as large as it fits from `largest` down to `smallest`, then narrower: never cut.
SizedText sized(const QString& text, double width, double largest, double smallest)
{
    SizedText s{text, fittingPoints(text, width, largest, smallest), 100};
    const double wide = textWidth(text, s.points);
    if (wide > width)
        s.stretch = std::max(1, static_cast<int>(std::floor(100 * width / wide)));
    return s;
}

// Lines of fields at one size: short fields share a line, joined by a gap;
// a field wider than a line runs on over the next. lastLine[f]: the line where field f ends.
QStringList pack(const QStringList& fields, double widthEms, std::vector<int>& lastLine)
{
    QStringList lines;
    lastLine.clear();
    for (const QString& field : fields) {
        if (!lines.isEmpty() && textEms(lines.back() + kGap + field) <= widthEms)
            lines.back() += kGap + field;
        else
            lines << wrappedToEms(field, widthEms);
        lastLine.push_back(static_cast<int>(lines.size()) - 1);
    }
    return lines;
}

int linesAt(double height, double points)
{
    return std::max(1, static_cast<int>(std::floor(height / (points * kMillimetresPerPoint * kLineSpacing))));
}

QString circled(int band)
{
    return band >= 1 && band <= 20 ? QString(QChar(u'①' + band - 1)) : QString();
}

} // namespace

FieldLayout layOutFields(const QStringList& fields, double width, double height)
{
    FieldLayout layout;
    std::vector<int> lastLine;
    int room = 0;
    double ems = 0;
    for (const double points : kFieldSizes) {
        layout.points = points;
        ems = width / (points * kMillimetresPerPoint);
        room = linesAt(height, points);
        layout.lines = pack(fields, ems, lastLine);
        if (layout.lines.size() <= room)
            return layout;
    }
    // Longer than the card at the smallest size: the last line that fits ends
    // in 「…」, and every field that reaches it is listed as cut.
    layout.lines = layout.lines.mid(0, room);
    QString& last = layout.lines.back();
    while (!last.isEmpty() && textEms(last) + 1 > ems)
        last.chop(last.back().isLowSurrogate() && last.size() > 1 ? 2 : 1);
    last += QStringLiteral("…");
    for (int f = 0; f < static_cast<int>(lastLine.size()); ++f)
        if (lastLine[static_cast<size_t>(f)] >= room - 1)
            layout.cut.push_back(f);
    return layout;
}

std::vector<int> cardRows(const Students& students, const std::vector<int16_t>& classes, const QStringList& groupOrder,
                          const PaperColumns& columns, const CardChoice& choice)
{
    std::vector<int> rows;
    for (int r = 1; r <= students.count(); ++r)
        rows.push_back(r);
    const QCollator collator = naturalOrder();
    const auto groupRank = [&](int row) {
        const qsizetype at = groupOrder.indexOf(students[row].group);
        return at < 0 ? groupOrder.size() : at;
    };
    const bool byColour = choice.order == CardOrder::OldClass && choice.colour >= 0;
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        if (byColour) {
            const QString ca = columns.cell(choice.colour, a).trimmed(), cb = columns.cell(choice.colour, b).trimmed();
            if (ca.isEmpty() != cb.isEmpty())
                return cb.isEmpty(); // a blank last
            if (const int c = collator.compare(ca, cb); c != 0)
                return c < 0;
        }
        if (classAt(classes, a) != classAt(classes, b))
            return classAt(classes, a) < classAt(classes, b);
        if (groupRank(a) != groupRank(b))
            return groupRank(a) < groupRank(b);
        if (students[a].group != students[b].group)
            return students[a].group < students[b].group;
        return students[a].score > students[b].score;
    });
    return rows;
}

namespace {

// The colour column's values in their natural order: each its place in the palette.
QStringList colourValues(const Students& students, const PaperColumns& columns, int colour)
{
    QStringList colours;
    if (colour < 0)
        return colours;
    for (int r = 1; r <= students.count(); ++r) {
        const QString value = columns.cell(colour, r).trimmed();
        if (!value.isEmpty() && !colours.contains(value))
            colours << value;
    }
    const QCollator collator = naturalOrder();
    std::sort(colours.begin(), colours.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return colours;
}

// A card's own parts: its new class, heading, band and name.
StudentCard cardFrame(const Student& s, int row, int cls, const ScoreBands& bands, bool groupShown)
{
    const double headingWidth = CardGeometry::textWidth - CardGeometry::classWidth - CardGeometry::markWidth;
    StudentCard card;
    card.row = row;
    card.newClass = cls > 0 ? classLabel(cls) : QStringLiteral("－");
    card.heading = sized(groupShown ? s.id + kGap + s.group : s.id, headingWidth, 9, 6);
    card.band = bandOfScore(s.score, bands);
    card.bandMark = circled(card.band);
    card.name = sized(s.name.isEmpty() ? s.id : s.name, CardGeometry::textWidth, 14, 7);
    return card;
}

// Short fields (the marks and flags) first, then those longer than a line:
// a long note that overflows the card never hides a mark. fieldOf: the column of each.
QStringList cardFields(const PaperColumns& columns, const std::vector<int>& fieldColumns, int row, std::vector<int>& fieldOf)
{
    QStringList fields;
    for (const bool longer : {false, true})
        for (const int c : fieldColumns) {
            const QString value = columns.cell(c, row).trimmed();
            const QString field = columns.columns[static_cast<size_t>(c)].heading + QStringLiteral("：") + value;
            if (value.isEmpty() || (textWidth(field, kFieldSizes[0]) > CardGeometry::textWidth) != longer)
                continue;
            fields << field;
            fieldOf.push_back(c);
        }
    return fields;
}

// The notes: who and which column, then the whole text, wrapped to the page.
std::vector<QStringList> notePages(const std::vector<CardNote>& notes)
{
    const int perPage = static_cast<int>(
        std::floor((CardGeometry::pageHeight - CardGeometry::noteTop - 15) / CardGeometry::noteLine)) - 2;
    const double ems = CardGeometry::noteWidth / (CardGeometry::notePoints * kMillimetresPerPoint);
    QStringList lines;
    for (const CardNote& note : notes) {
        lines << QStringLiteral("■ ") + note.who + QStringLiteral("（") + note.heading + QStringLiteral("）");
        for (const QString& line : wrappedToEms(note.text, ems - 2))
            lines << QStringLiteral("　　") + line;
    }
    std::vector<QStringList> pages;
    for (qsizetype first = 0; first < lines.size(); first += perPage)
        pages.push_back(lines.mid(first, perPage));
    return pages;
}

} // namespace

CardSheets studentCards(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                        const QStringList& groupOrder, const PaperColumns& columns, const CardChoice& choice)
{
    CardSheets sheets;
    for (int b = 1; b <= kBandCount; ++b)
        sheets.bandLegend += (b > 1 ? kGap : QString()) + circled(b) + stratumText(b, bands);
    const QStringList colours = colourValues(students, columns, choice.colour);
    const bool byColour = choice.order == CardOrder::OldClass && choice.colour >= 0;
    const auto pageTitle = [&](int row) {
        if (!byColour)
            return classAt(classes, row) > 0 ? classLabel(classAt(classes, row)) : QStringLiteral("クラスなし");
        const QString value = columns.cell(choice.colour, row).trimmed();
        return columns.columns[static_cast<size_t>(choice.colour)].heading + QStringLiteral(" ") +
               (value.isEmpty() ? QStringLiteral("（空欄）") : value);
    };
    std::vector<int> fieldColumns;
    for (const int c : choice.columns)
        if (c >= 0 && c < columns.count() && c != columns.identifier && c != columns.name && c != columns.group)
            fieldColumns.push_back(c);
    const bool groupShown = columns.group < 0 ||
                            std::find(choice.columns.begin(), choice.columns.end(), columns.group) != choice.columns.end();

    for (const int row : cardRows(students, classes, groupOrder, columns, choice)) {
        const QString title = pageTitle(row);
        if (sheets.pages.empty() || sheets.pages.back().title != title ||
            static_cast<int>(sheets.pages.back().cards.size()) == CardGeometry::perPage)
            sheets.pages.push_back({title, {}});
        const Student& s = students[row];
        StudentCard card = cardFrame(s, row, classAt(classes, row), bands, groupShown);
        std::vector<int> fieldOf;
        const FieldLayout layout = layOutFields(cardFields(columns, fieldColumns, row, fieldOf), CardGeometry::textWidth,
                                                CardGeometry::fieldsHeight);
        card.fields = layout.lines;
        card.fieldPoints = layout.points;
        for (const int f : layout.cut) {
            const int c = fieldOf[static_cast<size_t>(f)];
            sheets.notes.push_back({card.newClass + kGap + s.id + kGap + s.name, columns.columns[static_cast<size_t>(c)].heading,
                                    columns.cell(c, row).trimmed()});
        }
        const QString value = choice.colour >= 0 ? columns.cell(choice.colour, row).trimmed() : QString();
        card.colour = value.isEmpty() ? -1 : static_cast<int>(colours.indexOf(value));
        card.colourValue = value;
        sheets.pages.back().cards.push_back(std::move(card));
    }
    sheets.notePages = notePages(sheets.notes);
    return sheets;
}

} // namespace classdiv
