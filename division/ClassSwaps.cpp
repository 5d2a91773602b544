#include "division/ClassSwaps.h"

#include "common/Numbers.h"
#include "conditions/GroupTable.h"
#include "division/ClassRoster.h"
#include "division/FairShares.h"

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

RuleBreaks findRuleBreaks(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          const SpreadRules& rules)
{
    const int n = std::min(students.count(), static_cast<int>(classes.size()) - 1);
    RuleBreaks breaks;

    // Every group's band sizes, and each class's head count and band counts in it.
    struct GroupCounts {
        int size = 0;
        std::array<int, 7> inBand{};
        std::map<int, std::array<int, 7>> perClass; // [0] the head count, [1 .. 6] the bands
    };
    std::map<QString, GroupCounts, decltype(&groupNameLess)> groups(&groupNameLess);
    for (int r = 1; r <= n; ++r) {
        GroupCounts& g = groups[students[r].group];
        const int band = bandOfScore(students[r].score, bands);
        ++g.size;
        ++g.inBand[band];
        if (classes[r] == 0)
            continue;
        std::array<int, 7>& c = g.perClass[classes[r]];
        ++c[0];
        ++c[band];
    }
    for (const auto& [group, g] : groups) {
        for (const auto& [classNumber, c] : g.perClass) {
            for (int b = 1; b <= 6; ++b) {
                const FairRange fair = fairBandRange(c[0], g.inBand[b], g.size);
                if (!fair.holds(c[b]))
                    breaks.bands.push_back({group, classNumber, b, c[b], fair.share, fair.low, fair.high});
            }
        }
    }
    std::stable_sort(breaks.bands.begin(), breaks.bands.end(),
                     [](const BandBreak& a, const BandBreak& b) { return a.classNumber < b.classNumber; });

    // Marks shared within a class.
    std::map<std::pair<int, QString>, std::vector<int>> marked;
    for (int r = 1; r <= n && r < static_cast<int>(rules.marks.size()); ++r)
        if (!rules.marks[r].isEmpty() && classes[r] != 0)
            marked[{classes[r], rules.marks[r]}].push_back(r);
    for (const auto& [key, rows] : marked)
        if (rows.size() > 1)
            breaks.marks.push_back({key.first, key.second, rows});
    return breaks;
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

QString ruleBreakNote(const RuleBreaks& breaks, const ScoreBands& bands)
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
        parts << QStringLiteral("別クラス印「%1」の生徒%2人が%3に%4")
                     .arg(m.mark)
                     .arg(m.rows.size())
                     .arg(classLabel(m.classNumber), more(breaks.marks.size()));
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

bool ClassSwaps::movedByHand(const std::vector<int16_t>& classes, int row) const
{
    return !m_history.empty() && row >= 1 && row < static_cast<int>(m_drawClasses.size()) &&
           m_drawClasses[row] != classAt(classes, row);
}

RuleBreaks ClassSwaps::breaksMadeByHand(const Students& students, const std::vector<int16_t>& classes,
                                        const ScoreBands& bands, const SpreadRules& rules) const
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
    for (const MarkBreak& m : now.marks) {
        const auto before = std::find_if(drawn.marks.begin(), drawn.marks.end(), [&](const MarkBreak& d) {
            return d.classNumber == m.classNumber && d.mark == m.mark;
        });
        const bool newcomer = before == drawn.marks.end() ||
                              !std::includes(before->rows.begin(), before->rows.end(), m.rows.begin(), m.rows.end());
        if (newcomer)
            made.marks.push_back(m);
    }
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
