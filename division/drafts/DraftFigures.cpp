#include "division/drafts/DraftFigures.h"

#include "division/DivisionFigures.h"
#include "division/lists/ClassSwaps.h"
#include "division/Year.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace classdiv {

namespace {

int breakCount(const RuleBreaks& breaks)
{
    return static_cast<int>(breaks.bands.size() + breaks.marks.size() + breaks.fixed.size() +
                            breaks.together.size() + breaks.flags.size());
}

// Every value of every flag column, in order of first appearance: its place among the comparison's flag values.
std::vector<std::vector<int>> flagPlaces(const RuleSet& rules, QStringList& names)
{
    std::vector<std::vector<int>> place(rules.typed[RuleBox::Flags].size());
    for (size_t k = 0; k < rules.typed[RuleBox::Flags].size(); ++k) {
        const TypedColumn& column = rules.typed[RuleBox::Flags][k];
        for (const QString& value : column.values) {
            place[k].push_back(static_cast<int>(names.size()));
            names << rules.columns[RuleBox::Flags][k].name + QStringLiteral("「") + value + QStringLiteral("」");
        }
    }
    return place;
}

// Every class that has students in either of two drafts, in order of number.
std::vector<int> classesOfEither(const Draft& a, const Draft& b)
{
    std::vector<int> classes = classesInUse(a.classes);
    const std::vector<int> other = classesInUse(b.classes);
    classes.insert(classes.end(), other.begin(), other.end());
    std::sort(classes.begin(), classes.end());
    classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
    return classes;
}

} // namespace

int movedStudents(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    int moved = 0;
    for (size_t r = 1; r < std::max(a.size(), b.size()); ++r)
        moved += (r < a.size() ? a[r] : 0) != (r < b.size() ? b[r] : 0);
    return moved;
}

DraftFigures draftFigures(const Year& year, const Draft& draft)
{
    const DivisionFigures division = divisionFigures(year, draft.classes);
    DraftFigures figures;
    figures.spread = division.averageSpread.value_or(0);
    figures.bandDeviation = division.bandDeviation;
    figures.mixingDeviation = division.mixingDeviation;
    for (const FlagSplit& split : division.flags)
        figures.flagDeviations.push_back(split.largest);
    if (division.scoreSpreads)
        figures.scoreSpread = division.scoreSpreads->largest;
    figures.rulesBroken = breakCount(findRuleBreaks(year.students(), draft.classes, year.bands(), year.rules()));
    figures.swaps = static_cast<int>(draft.swaps.size());
    figures.moved = year.hasDraw() ? movedStudents(draft.classes, year.classes()) : 0;
    return figures;
}

DraftComparison compareDrafts(const Year& year, const Draft& a, const Draft& b)
{
    const Students& students = year.students();
    const RuleSet& rules = year.rules();
    DraftComparison comparison;
    comparison.names = {a.name, b.name};
    comparison.yearAverage = year.bands().overallAverage; // as the distribution table shows it
    for (int s = 1; s <= kBandCount; ++s)
        comparison.bandLabels[s] = stratumText(s, year.bands());
    const std::vector<std::vector<int>> flagPlace = flagPlaces(rules, comparison.flagValues);

    const std::array<const Draft*, 2> drafts{&a, &b};
    // Counted as the distribution table counts a class row, for any class number.
    const std::array<DivisionFigures, 2> divisions{divisionFigures(year, a.classes, SpreadOfAverages::Left),
                                                   divisionFigures(year, b.classes, SpreadOfAverages::Left)};
    std::map<int, size_t> position;
    for (const int c : classesOfEither(a, b)) {
        DraftComparison::ClassFigures figures;
        figures.classNumber = c;
        for (int d = 0; d < 2; ++d) {
            const ClassFigures counted = divisions[static_cast<size_t>(d)].of(c);
            figures.headCount[d] = counted.headCount;
            figures.average[d] = counted.average;
            figures.difference[d] = counted.difference;
            figures.bands[d] = counted.bandCounts;
            figures.flags[d].assign(static_cast<size_t>(comparison.flagValues.size()), 0);
        }
        position[c] = comparison.classes.size();
        comparison.classes.push_back(std::move(figures));
    }
    for (size_t k = 0; k < rules.typed[RuleBox::Flags].size(); ++k)
        for (int r = 1; r <= students.count(); ++r)
            if (const int v = rules.typed[RuleBox::Flags][k].of(r); v >= 0)
                for (int d = 0; d < 2; ++d)
                    if (const auto at = position.find(classAt(drafts[d]->classes, r)); at != position.end())
                        ++comparison.classes[at->second].flags[d][static_cast<size_t>(flagPlace[k][static_cast<size_t>(v)])];

    for (int r = 1; r <= students.count(); ++r) {
        const int ca = classAt(a.classes, r);
        const int cb = classAt(b.classes, r);
        if (ca != cb)
            comparison.moved.push_back({r, r + 1, students[r].id, students[r].name, students[r].group, {ca, cb}});
    }
    return comparison;
}

namespace {

QString pair(const QString& a, const QString& b)
{
    return a + QStringLiteral("／") + b;
}

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

TextTable classFiguresTable(const DraftComparison& comparison)
{
    TextTable table;
    table.headings << QStringLiteral("組") << QStringLiteral("人数") << QStringLiteral("平均点")
                   << QStringLiteral("平均との差");
    for (int s = 1; s <= kBandCount; ++s)
        table.headings << comparison.bandLabels[s];
    table.headings << comparison.flagValues;
    for (const DraftComparison::ClassFigures& c : comparison.classes) {
        QStringList row{classLabel(c.classNumber), pair(QString::number(c.headCount[0]), QString::number(c.headCount[1])),
                        pair(oneDecimal(c.average[0]), oneDecimal(c.average[1])),
                        pair(oneDecimal(c.difference[0]), oneDecimal(c.difference[1]))};
        for (int s = 1; s <= kBandCount; ++s)
            row << pair(QString::number(c.bands[0][s]), QString::number(c.bands[1][s]));
        for (size_t f = 0; f < c.flags[0].size(); ++f)
            row << pair(QString::number(c.flags[0][f]), QString::number(c.flags[1][f]));
        table.rows.push_back(std::move(row));
    }
    return table;
}

TextTable movedStudentsTable(const DraftComparison& comparison)
{
    TextTable table;
    table.headings << QStringLiteral("行") << QStringLiteral("識別番号") << QStringLiteral("氏名")
                   << QStringLiteral("グループ") << comparison.names[0] << comparison.names[1];
    for (const DraftComparison::Moved& m : comparison.moved)
        table.rows.push_back({QString::number(m.line), m.id, m.name, m.group, classLabel(m.classes[0]),
                              classLabel(m.classes[1])});
    return table;
}

QStringList draftListHeadings()
{
    return {QStringLiteral("名前"),         QStringLiteral("残した日時"),   QStringLiteral("番号"),
            QStringLiteral("平均点の開き"), QStringLiteral("点数の列の開き"), QStringLiteral("層のずれ"),     QStringLiteral("混ぜ方のずれ"),
            QStringLiteral("割り振りのずれ"), QStringLiteral("決まりの破れ"), QStringLiteral("入れ替え"),
            QStringLiteral("今と違う生徒")};
}

namespace {

// Each flag column's largest deviation, in their order: 0.13／0.50.
QString flagCell(const std::vector<double>& deviations)
{
    if (deviations.empty())
        return QStringLiteral("－");
    QStringList cells;
    for (const double d : deviations)
        cells << QString::number(d, 'f', 2);
    return cells.join(u'／');
}

} // namespace

QStringList draftListRow(const Draft& draft, const DraftFigures& figures)
{
    const auto optional = [](const std::optional<double>& value) {
        return value ? oneDecimal(*value) : QStringLiteral("－");
    };
    return {draft.name,
            draft.kept.toString(QStringLiteral("yyyy/MM/dd HH:mm")),
            draft.drawNumber ? QString::number(draft.drawNumber) : QStringLiteral("－"),
            QString::number(figures.spread, 'f', 2),
            figures.scoreSpread ? QString::number(*figures.scoreSpread, 'f', 3) : QStringLiteral("－"),
            oneDecimal(figures.bandDeviation),
            optional(figures.mixingDeviation),
            flagCell(figures.flagDeviations),
            QString::number(figures.rulesBroken),
            QString::number(figures.swaps),
            QString::number(figures.moved)};
}

} // namespace classdiv
