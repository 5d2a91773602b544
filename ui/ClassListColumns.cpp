#include "ui/ClassListColumns.h"

#include "division/lists/Unplaced.h"
#include "division/Year.h"

#include <algorithm>
#include <iterator>

namespace classdiv {

namespace {

constexpr int kColumnWidths[] = {104, 64, 44, 56};

// The cells to mark: scores of an over-full band, marks shared in one class;
// true when a band of the class is short of its share.
bool markBroken(const Year& year, int classNumber, const RosterColumns& columns, const RuleBreaks& breaks,
                std::set<std::pair<int, int>>& broken)
{
    const Students& students = year.students();
    bool shortBand = false;
    for (const BandBreak& b : breaks.bands) {
        if (b.classNumber != classNumber)
            continue;
        const std::vector<int> rows = rowsOfBreak(students, year.classes(), year.bands(), b);
        shortBand = shortBand || rows.empty();
        for (int r : rows)
            broken.insert({r, columns.scoreColumn});
    }
    for (const MarkBreak& m : breaks.marks)
        if (m.classNumber == classNumber)
            for (int r : m.rows)
                broken.insert({r, m.record ? 0 : columns.markColumn}); // a record's entry shows on the name
    for (const FixedBreak& f : breaks.fixed)
        broken.insert({f.row, columns.fixedColumn});
    for (const TogetherBreak& t : breaks.together)
        for (int r : t.rows)
            broken.insert({r, columns.togetherColumn});
    for (const FlagBreak& f : breaks.flags)
        if (f.classNumber == classNumber)
            for (int r = 1; r <= students.count(); ++r)
                if (year.classes()[static_cast<size_t>(r)] == classNumber &&
                    year.rules().typed[RuleBox::Flags][static_cast<size_t>(f.column)].of(r) == f.value)
                    broken.insert({r, columns.flagColumns[static_cast<size_t>(f.column)]});
    return shortBand;
}

} // namespace

ClassListLook classListLook(const Year& year, int classNumber, const RosterColumns& columns, const RuleBreaks& breaks,
                            const DivisionFigures& divisionFigures)
{
    ClassListLook look;
    const bool shortBand = markBroken(year, classNumber, columns, breaks, look.broken);
    const ClassFigures figures = divisionFigures.of(classNumber);
    QString extras;
    for (const ColumnAverages& column : divisionFigures.extraAverages)
        extras += (extras.isEmpty() ? QStringLiteral("<br>") : QStringLiteral("　")) +
                  averageText(column, classNumber).toHtmlEscaped();
    if (classNumber == kUnplacedClass)
        look.header = QStringLiteral("<b style='font-size:12pt'>%1</b><br>%2人").arg(kUnplacedLabel).arg(figures.headCount);
    else
        look.header = QStringLiteral("<b style='font-size:12pt'>%1</b>%2<br>%3%4")
                          .arg(classLabel(classNumber),
                               shortBand ? QStringLiteral("　<span style='color:#c00000'>層の不足あり</span>") : QString(),
                               figuresText(figures).toHtmlEscaped(), extras);
    return look;
}

int classListColumnWidth(int column)
{
    return kColumnWidths[std::min<size_t>(column, std::size(kColumnWidths) - 1)];
}

QString brokenTip(const RosterColumns& columns, int column)
{
    if (column == columns.markColumn)
        return QStringLiteral("同じ別クラス印の生徒がこのクラスにいます");
    if (column == columns.fixedColumn)
        return QStringLiteral("指定と違うクラスにいます");
    if (column == columns.togetherColumn)
        return QStringLiteral("同じクラスにする生徒が別のクラスにいます");
    if (std::find(columns.flagColumns.begin(), columns.flagColumns.end(), column) != columns.flagColumns.end())
        return QStringLiteral("この印の生徒がこのクラスで目安から外れています");
    return QStringLiteral("この成績の層がこのクラスで多すぎます");
}

QString classObjectName(const char* prefix, int classNumber)
{
    if (classNumber == kUnplacedClass)
        return QStringLiteral("unplaced") + QString::fromLatin1(prefix).mid(5);
    return QString::fromLatin1(prefix) + QString::number(classNumber);
}

} // namespace classdiv
