#include "division/lists/ClassSwaps.h"

#include "common/Numbers.h"
#include "conditions/GroupTable.h"
#include "division/lists/ClassRoster.h"
#include "search/FairShares.h"
#include "division/rules/RuleKind.h"
#include "division/rules/RuleSet.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace classdiv {

namespace {

bool isStudent(const Students& students, int row)
{
    return row >= 1 && row <= students.count();
}

} // namespace

QString swapStatusText(SwapStatus status)
{
    switch (status) {
    case SwapStatus::Swapped:
        return {};
    case SwapStatus::NoDraw:
        return QStringLiteral("まだクラス分けをしていません。");
    case SwapStatus::NotStudents:
        return QStringLiteral("入れ替える生徒を、２つのクラスから１人ずつ選んで下さい。");
    case SwapStatus::SameClass:
        return QStringLiteral("同じクラスの生徒どうしは入れ替えられません。別のクラスから１人ずつ選んで下さい。");
    case SwapStatus::DifferentGroups:
        return QStringLiteral("グループが違う生徒は入れ替えられません（各クラスのグループの人数が変わるため）。"
                              "同じグループの生徒を選んで下さい。");
    }
    return {};
}

SwapStatus checkSwap(const Students& students, const std::vector<int16_t>& classes, int rowA, int rowB)
{
    if (classes.empty())
        return SwapStatus::NoDraw;
    if (!isStudent(students, rowA) || !isStudent(students, rowB) || classes.size() <= size_t(students.count()))
        return SwapStatus::NotStudents;
    if (classes[rowA] == classes[rowB])
        return SwapStatus::SameClass;
    if (students[rowA].group != students[rowB].group)
        return SwapStatus::DifferentGroups;
    return SwapStatus::Swapped;
}

std::vector<BandCell> bandCells(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands)
{
    const int n = std::min(students.count(), static_cast<int>(classes.size()) - 1);
    // Every group's band sizes, and each class's head count and band counts in it.
    struct GroupCounts {
        int size = 0;
        std::vector<int> inBand = std::vector<int>(kBandCount, 0);
        std::map<int, BandCounts> perClass; // [0] the head count, [1 .. kBandCount] the bands
    };
    std::map<QString, GroupCounts, decltype(&groupNameLess)> groups(&groupNameLess);
    for (int r = 1; r <= n; ++r) {
        GroupCounts& g = groups[students[r].group];
        const int band = bandOfScore(students[r].score, bands);
        ++g.size;
        ++g.inBand[static_cast<size_t>(band - 1)];
        if (classes[r] == 0)
            continue;
        BandCounts& c = g.perClass[classes[r]];
        ++c[0];
        ++c[static_cast<size_t>(band)];
    }
    std::vector<BandCell> cells;
    for (const auto& [group, g] : groups) {
        std::vector<int> heads;
        for (const auto& [classNumber, c] : g.perClass)
            heads.push_back(c[0]);
        const std::vector<evening::FairRange> fair = evening::fairBandTable(heads, g.inBand, g.size);
        size_t at = 0;
        for (const auto& [classNumber, c] : g.perClass) {
            for (int b = 1; b <= kBandCount; ++b)
                cells.push_back({group, classNumber, b, c[static_cast<size_t>(b)], fair[at * kBandCount + static_cast<size_t>(b - 1)]});
            ++at;
        }
    }
    return cells;
}

RuleBreaks findRuleBreaks(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          const RuleSet& rules)
{
    const int n = std::min(students.count(), static_cast<int>(classes.size()) - 1);
    RuleBreaks breaks;
    for (const BandCell& cell : bandCells(students, classes, bands))
        if (!cell.fair.holds(cell.count))
            breaks.bands.push_back({cell.group, cell.classNumber, cell.band, cell.count, cell.fair.share, cell.fair.low, cell.fair.high});
    std::stable_sort(breaks.bands.begin(), breaks.bands.end(),
                     [](const BandBreak& a, const BandBreak& b) { return a.classNumber < b.classNumber; });
    for (const RuleKindUnit* kind : ruleKindUnits())
        kind->findBreaks(rules, classes, n, breaks);
    return breaks;
}

RuleBreaks findRuleBreaks(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          const SpreadRules& rules)
{
    return findRuleBreaks(students, classes, bands, RuleSet::fromClasses(rules, students, classes));
}

std::vector<int> rowsOfBreak(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                             const BandBreak& broken)
{
    std::vector<int> rows;
    if (broken.count <= broken.share)
        return rows;
    for (int r = 1; r <= students.count(); ++r) {
        if (classAt(classes, r) == broken.classNumber && students[r].group == broken.group &&
            bandOfScore(students[r].score, bands) == broken.band)
            rows.push_back(r);
    }
    return rows;
}

QString ruleBreakNote(const RuleBreaks& breaks, const ScoreBands& bands, const Students& students,
                      const SpreadRules& rules)
{
    // One line: the first cell of each rule in words, the rest counted.
    const auto more = [](size_t count) {
        return count > 1 ? QStringLiteral("ほか%1か所").arg(count - 1) : QString();
    };
    QStringList parts;
    if (!breaks.bands.empty()) {
        const BandBreak& b = breaks.bands.front();
        const QString fair = b.low == b.high ? QString::number(b.low) : QStringLiteral("%1〜%2").arg(b.low).arg(b.high);
        parts << QStringLiteral("成績の層の偏り: %1「%2」%3が%4人（目安%5人なので%6人）%7")
                     .arg(classLabel(b.classNumber), b.group, stratumText(b.band, bands))
                     .arg(b.count)
                     .arg(QString::number(b.share, 'f', 1), fair, more(breaks.bands.size()));
    }
    if (!breaks.marks.empty()) {
        const MarkBreak& m = breaks.marks.front();
        parts << (m.record ? QStringLiteral("離す記録「%1」の生徒%2人が%3に%4") : QStringLiteral("別クラス印「%1」の生徒%2人が%3に%4"))
                     .arg(m.mark)
                     .arg(m.rows.size())
                     .arg(classLabel(m.classNumber), more(breaks.marks.size()));
    }
    if (!breaks.fixed.empty()) {
        const FixedBreak& f = breaks.fixed.front();
        parts << QStringLiteral("クラス指定: %1は%2の指定%3")
                     .arg(students[f.row].name.isEmpty() ? students[f.row].id : students[f.row].name, classLabel(f.fixedClass),
                          more(breaks.fixed.size()));
    }
    if (!breaks.together.empty()) {
        const TogetherBreak& t = breaks.together.front();
        parts << QStringLiteral("同じクラス「%1」の生徒%2人が別々のクラスに%3").arg(t.value).arg(t.rows.size()).arg(more(breaks.together.size()));
    }
    if (!breaks.flags.empty()) {
        const FlagBreak& f = breaks.flags.front();
        const QString column = f.column < static_cast<int>(rules.columns[RuleBox::Flags].size()) ? rules.columns[RuleBox::Flags][f.column].name : QString();
        parts << QStringLiteral("%1「%2」が%3に%4人（目安%5人）%6")
                     .arg(column, f.text, classLabel(f.classNumber))
                     .arg(f.count)
                     .arg(QString::number(f.share, 'f', 1), more(breaks.flags.size()));
    }
    return parts.join(QStringLiteral("　／　"));
}

SwapStatus ClassSwaps::swap(const Students& students, std::vector<int16_t>& classes, int rowA, int rowB)
{
    const SwapStatus status = checkSwap(students, classes, rowA, rowB);
    if (status != SwapStatus::Swapped)
        return status;
    if (m_history.empty())
        m_drawClasses = classes;
    std::swap(classes[rowA], classes[rowB]);
    m_history.push_back({static_cast<int16_t>(rowA), static_cast<int16_t>(rowB)});
    return status;
}

bool ClassSwaps::undo(std::vector<int16_t>& classes)
{
    if (m_history.empty())
        return false;
    const Pair last = m_history.back();
    m_history.pop_back();
    std::swap(classes[last.rowA], classes[last.rowB]);
    return true;
}

void ClassSwaps::clear()
{
    m_history.clear();
    m_drawClasses.clear();
}

void ClassSwaps::restore(const std::vector<Pair>& history, const std::vector<int16_t>& classes)
{
    m_history = history;
    m_drawClasses.clear();
    if (m_history.empty())
        return;
    m_drawClasses = classes;
    for (auto pair = m_history.rbegin(); pair != m_history.rend(); ++pair)
        std::swap(m_drawClasses[pair->rowA], m_drawClasses[pair->rowB]);
}

bool ClassSwaps::movedByHand(const std::vector<int16_t>& classes, int row) const
{
    return !m_history.empty() && row >= 1 && row < static_cast<int>(m_drawClasses.size()) &&
           m_drawClasses[row] != classAt(classes, row);
}

RuleBreaks ClassSwaps::breaksMadeByHand(const Students& students, const std::vector<int16_t>& classes,
                                        const ScoreBands& bands, const SpreadRules& rules) const
{
    return breaksMadeByHand(students, classes, bands, RuleSet::fromClasses(rules, students, classes));
}

RuleBreaks ClassSwaps::breaksMadeByHand(const Students& students, const std::vector<int16_t>& classes,
                                        const ScoreBands& bands, const RuleSet& rules) const
{
    if (m_history.empty())
        return {};
    const RuleBreaks now = findRuleBreaks(students, classes, bands, rules);
    const RuleBreaks drawn = findRuleBreaks(students, m_drawClasses, bands, rules);
    // A cell the draw had broken already counts only when the swaps made it worse.
    RuleBreaks made;
    for (const BandBreak& b : now.bands) {
        const auto before = std::find_if(drawn.bands.begin(), drawn.bands.end(), [&](const BandBreak& d) {
            return d.group == b.group && d.classNumber == b.classNumber && d.band == b.band;
        });
        if (before == drawn.bands.end() || std::abs(b.count - b.share) > std::abs(before->count - before->share))
            made.bands.push_back(b);
    }
    for (const RuleKindUnit* kind : ruleKindUnits())
        kind->madeByHand(now, drawn, made);
    return made;
}

Message replaceSwapsQuestion(int swapCount)
{
    return Message{QStringLiteral("クラス名簿で手で入れ替えた%1件は取り消されて、新しいクラス分けに置き換わります。"
                                  "よろしいですか？")
                       .arg(swapCount),
                   QString()};
}

} // namespace classdiv
