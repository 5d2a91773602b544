#include "division/ClassRoster.h"

#include "common/Numbers.h"
#include "division/ClassSwaps.h"

#include <QCollator>

#include <algorithm>
#include <set>

namespace classdiv {

namespace {

int studentRows(const StudentTable& table)
{
    return std::min(table.studentCount(), kMaxStudents);
}

QString cellOf(const std::vector<QString>& column, int row)
{
    return row < static_cast<int>(column.size()) ? column[static_cast<size_t>(row)] : QString();
}

} // namespace

QString classLabel(const QString& classText)
{
    if (classText.size() == 1 && classText.at(0) >= u'1' && classText.at(0) <= u'9')
        return QChar(u'０' + (classText.at(0).unicode() - u'0')) + QStringLiteral("組");
    return classText + QStringLiteral("組");
}

bool classTextLess(const QString& a, const QString& b)
{
    const double va = textValue(a), vb = textValue(b);
    if (va != vb)
        return va < vb;
    return a < b;
}

std::vector<QString> classesInUse(const StudentTable& table)
{
    std::set<QString, decltype(&classTextLess)> classes(&classTextLess);
    for (int r = 1; r <= studentRows(table); ++r)
        if (!table.records[r].newClass.isEmpty())
            classes.insert(table.records[r].newClass);
    return {classes.begin(), classes.end()};
}

std::vector<int> rosterRows(const StudentTable& table, const QString& classText, RosterOrder order)
{
    std::vector<int> rows;
    for (int r = 1; r <= studentRows(table); ++r)
        if (table.records[r].newClass == classText)
            rows.push_back(r);
    switch (order) {
    case RosterOrder::File:
        break;
    case RosterOrder::Score: {
        std::vector<double> score(kStudentRows);
        for (int r : rows)
            score[r] = textValue(table.records[r].score);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return score[a] > score[b]; });
        break;
    }
    case RosterOrder::Name: {
        QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
        collator.setNumericMode(true);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return collator.compare(table.records[a].name, table.records[b].name) < 0;
        });
        break;
    }
    }
    return rows;
}

ClassFigures classFigures(const StudentTable& table, const DistributionTable& distribution, const QString& classText)
{
    // The same steps as the table's class rows: a running sum rounded at
    // every student in file order, an average rounded to one decimal.
    ClassFigures figures;
    double total = 0;
    for (int r = 1; r <= studentRows(table); ++r) {
        if (table.records[r].newClass != classText)
            continue;
        const double score = textValue(table.records[r].score);
        total = roundHalfEven(total + score);
        ++figures.headCount;
        const auto in = strataOfScore(score, distribution.bands);
        for (int b = 1; b <= 6; ++b)
            figures.bandCounts[b] += in[b];
    }
    if (figures.headCount > 0) {
        figures.average = roundOneDecimal(static_cast<float>(total / figures.headCount));
        figures.difference = roundOneDecimal(figures.average - distribution.overallAverage);
    }
    return figures;
}

QString figuresText(const ClassFigures& figures)
{
    return QStringLiteral("%1人　平均 %2　平均差 %3")
        .arg(figures.headCount)
        .arg(fileNumber(figures.average, 7), fileNumber(figures.difference, 7));
}

RosterColumns rosterColumns(const StudentTable& table, const SpreadRules& rules)
{
    RosterColumns columns;
    const StudentRecord& items = table.records[0];
    bool anyName = false;
    for (int r = 1; r <= studentRows(table) && !anyName; ++r)
        anyName = !table.records[r].name.isEmpty();
    columns.identifierForName = !anyName;
    const auto heading = [](const QString& item, const char16_t* fallback) {
        return item.isEmpty() ? QString::fromUtf16(fallback) : item;
    };
    columns.headings << (anyName ? heading(items.name, u"氏名") : heading(items.studentId, u"識別番号"))
                     << heading(items.group, u"グループ") << heading(items.score, u"成績");
    columns.marks = !rules.marks.empty();
    columns.mix = !rules.mixValues.empty();
    if (columns.marks) {
        columns.markColumn = static_cast<int>(columns.headings.size());
        columns.headings << QStringLiteral("別クラス印");
    }
    if (columns.mix)
        columns.headings << QStringLiteral("混合");
    return columns;
}

QStringList rosterCells(const StudentTable& table, const SpreadRules& rules, const RosterColumns& columns, int row)
{
    const StudentRecord& s = table.records[row];
    QStringList cells{columns.identifierForName ? s.studentId : s.name, s.group, s.score};
    if (columns.marks)
        cells << cellOf(rules.marks, row);
    if (columns.mix)
        cells << cellOf(rules.mixValues, row);
    return cells;
}

} // namespace classdiv
