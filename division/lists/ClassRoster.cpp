#include "division/lists/ClassRoster.h"

#include "common/Numbers.h"
#include "division/draw/Division.h"

#include <QCollator>

#include <algorithm>
#include <map>
#include <set>

namespace classdiv {

namespace {

QString cellOf(const std::vector<QString>& column, int row)
{
    return row < static_cast<int>(column.size()) ? column[static_cast<size_t>(row)] : QString();
}

} // namespace

QString classLabel(int classNumber)
{
    if (classNumber >= 1 && classNumber <= 9)
        return QChar(u'０' + classNumber) + QStringLiteral("組");
    return QString::number(classNumber) + QStringLiteral("組");
}

std::vector<int> classesInUse(const std::vector<int16_t>& classes)
{
    std::set<int> inUse;
    for (size_t r = 1; r < classes.size(); ++r)
        if (classes[r] != kUnplacedClass)
            inUse.insert(classes[r]);
    return {inUse.begin(), inUse.end()};
}

std::vector<int> rosterRows(const Students& students, const std::vector<int16_t>& classes, int classNumber,
                            RosterOrder order)
{
    std::vector<int> rows;
    for (int r = 1; r <= students.count(); ++r)
        if (classAt(classes, r) == classNumber)
            rows.push_back(r);
    switch (order) {
    case RosterOrder::File:
        break;
    case RosterOrder::Score:
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return students[a].score > students[b].score; });
        break;
    case RosterOrder::Name: {
        QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
        collator.setNumericMode(true);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return collator.compare(students[a].name, students[b].name) < 0;
        });
        break;
    }
    }
    return rows;
}

std::map<int, ClassFigures> everyClassFigures(const Students& students, const std::vector<int16_t>& classes,
                                              const ScoreBands& bands, float yearAverage)
{
    // The same steps as the table's class rows: a running sum rounded at
    // every student in file order, an average rounded to one decimal.
    std::map<int, ClassFigures> figures;
    std::map<int, double> total;
    for (int r = 1; r <= students.count(); ++r) {
        const int classNumber = classAt(classes, r);
        ClassFigures& f = figures[classNumber];
        const double score = students[r].score;
        total[classNumber] = roundHalfEven(total[classNumber] + score);
        ++f.headCount;
        const auto in = strataOfScore(score, bands);
        for (int b = 1; b <= kBandCount; ++b)
            f.bandCounts[b] += in[b];
    }
    for (auto& [classNumber, f] : figures) {
        f.average = roundOneDecimal(static_cast<float>(total[classNumber] / f.headCount));
        f.difference = roundOneDecimal(f.average - yearAverage);
    }
    return figures;
}

ClassFigures classFigures(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, int classNumber)
{
    const std::map<int, ClassFigures> every = everyClassFigures(students, classes, distribution.bands, distribution.overallAverage);
    const auto at = every.find(classNumber);
    return at == every.end() ? ClassFigures{} : at->second;
}

QString figuresText(const ClassFigures& figures)
{
    return QStringLiteral("%1人　平均 %2　平均差 %3")
        .arg(figures.headCount)
        .arg(fileNumber(figures.average, 7), fileNumber(figures.difference, 7));
}

RosterColumns rosterColumns(const Students& students, const SpreadRules& rules)
{
    RosterColumns columns;
    const StudentRecord& items = students.itemNames;
    bool anyName = false;
    for (int r = 1; r <= students.count() && !anyName; ++r)
        anyName = !students[r].name.isEmpty();
    columns.identifierForName = !anyName;
    const auto heading = [](const QString& item, const char16_t* fallback) {
        return item.isEmpty() ? QString::fromUtf16(fallback) : item;
    };
    columns.headings << (anyName ? heading(items.name, u"氏名") : heading(items.studentId, u"識別番号"))
                     << heading(items.group, u"グループ") << heading(items.score, u"成績");
    const auto add = [&](bool set, const QString& heading) {
        if (!set)
            return -1;
        columns.headings << heading;
        return static_cast<int>(columns.headings.size()) - 1;
    };
    columns.markColumn = add(!rules.cells[RuleBox::Marks].empty(), QStringLiteral("別クラス印"));
    columns.mixColumn = add(!rules.cells[RuleBox::Mix].empty(), QStringLiteral("混合"));
    columns.togetherColumn = add(!rules.cells[RuleBox::Together].empty(), QStringLiteral("同じクラス"));
    columns.fixedColumn = add(!rules.cells[RuleBox::Fixed].empty(), QStringLiteral("クラス指定"));
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        columns.flagColumns.push_back(add(true, flag.name.isEmpty() ? QStringLiteral("印") : flag.name));
    return columns;
}

QStringList rosterCells(const Students& students, const SpreadRules& rules, const RosterColumns& columns, int row)
{
    const Student& s = students[row];
    QStringList cells{columns.identifierForName ? s.id : s.name, s.group, s.scoreText};
    for (const auto* column : {&rules.cells[RuleBox::Marks], &rules.cells[RuleBox::Mix], &rules.cells[RuleBox::Together], &rules.cells[RuleBox::Fixed]})
        if (!column->empty())
            cells << cellOf(*column, row);
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        cells << cellOf(flag.values, row);
    return cells;
}

} // namespace classdiv
