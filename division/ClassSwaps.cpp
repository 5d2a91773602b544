#include "division/ClassSwaps.h"

#include "common/Numbers.h"
#include "conditions/GroupTable.h"
#include "division/ClassRoster.h"


#include <algorithm>
#include <cmath>
#include <map>

namespace classdiv {

namespace {

int studentRows(const StudentTable& table)
{
    return std::min(table.studentCount(), kMaxStudents);
}

bool isStudent(const StudentTable& table, int row)
{
    return row >= 1 && row <= studentRows(table);
}

std::vector<QString> classesOf(const StudentTable& table)
{
    std::vector<QString> classes(static_cast<size_t>(studentRows(table)) + 1);
    for (int r = 1; r <= studentRows(table); ++r)
        classes[r] = table.records[r].newClass;
    return classes;
}

void exchange(StudentTable& table, int rowA, int rowB)
{
    std::swap(table.records[rowA].newClass, table.records[rowB].newClass);
}

// Counts are whole and shares fractions: "within one student" with room for
// the rounding of the division.
constexpr double kTolerance = 1.0 + 1e-9;

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

SwapStatus checkSwap(const StudentTable& table, const DistributionTable& distribution, int rowA, int rowB)
{
    if (!hasDraw(distribution))
        return SwapStatus::NoDraw;
    if (!isStudent(table, rowA) || !isStudent(table, rowB))
        return SwapStatus::NotStudents;
    const StudentRecord& a = table.records[rowA];
    const StudentRecord& b = table.records[rowB];
    if (a.newClass == b.newClass)
        return SwapStatus::SameClass;
    if (a.group != b.group)
        return SwapStatus::DifferentGroups;
    return SwapStatus::Swapped;
}

RuleBreaks findRuleBreaks(const StudentTable& table, const std::vector<QString>& classes, const ScoreBands& bands,
                          const SpreadRules& rules)
{
    const int n = std::min(studentRows(table), static_cast<int>(classes.size()) - 1);
    RuleBreaks breaks;

    // Fair band shares, per group.
    struct GroupCounts {
        int size = 0;
        std::array<int, 7> inBand{};
        // per class: head count and band counts
        std::map<QString, std::array<int, 8>, decltype(&classTextLess)> perClass{&classTextLess};
    };
    std::map<QString, GroupCounts, decltype(&groupNameLess)> groups(&groupNameLess);
    for (int r = 1; r <= n; ++r) {
        GroupCounts& g = groups[table.records[r].group];
        const auto in = strataOfScore(textValue(table.records[r].score), bands);
        ++g.size;
        for (int b = 1; b <= 6; ++b)
            g.inBand[b] += in[b];
        if (classes[r].isEmpty())
            continue;
        auto& c = g.perClass[classes[r]];
        ++c[0];
        for (int b = 1; b <= 6; ++b)
            c[b] += in[b];
    }
    for (const auto& [group, g] : groups) {
        for (const auto& [classText, c] : g.perClass) {
            for (int b = 1; b <= 6; ++b) {
                const double share = static_cast<double>(c[0]) * g.inBand[b] / g.size;
                if (std::abs(c[b] - share) > kTolerance)
                    breaks.bands.push_back({group, classText, b, c[b], share});
            }
        }
    }
    std::stable_sort(breaks.bands.begin(), breaks.bands.end(),
                     [](const BandBreak& a, const BandBreak& b) { return classTextLess(a.classText, b.classText); });

    // Marks shared within a class.
    std::map<std::pair<QString, QString>, std::vector<int>> marked;
    for (int r = 1; r <= n && r < static_cast<int>(rules.marks.size()); ++r)
        if (!rules.marks[r].isEmpty() && !classes[r].isEmpty())
            marked[{classes[r], rules.marks[r]}].push_back(r);
    for (const auto& [key, rows] : marked)
        if (rows.size() > 1)
            breaks.marks.push_back({key.first, key.second, rows});
    std::stable_sort(breaks.marks.begin(), breaks.marks.end(),
                     [](const MarkBreak& a, const MarkBreak& b) { return classTextLess(a.classText, b.classText); });
    return breaks;
}

std::vector<int> rowsOfBreak(const StudentTable& table, const ScoreBands& bands, const BandBreak& broken)
{
    std::vector<int> rows;
    if (broken.count <= broken.share)
        return rows;
    for (int r = 1; r <= studentRows(table); ++r) {
        const StudentRecord& s = table.records[r];
        if (s.newClass == broken.classText && s.group == broken.group &&
            strataOfScore(textValue(s.score), bands)[broken.band])
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
        parts << QStringLiteral("成績の層の偏り: %1「%2」%3が%4人（目安%5人）%6")
                     .arg(classLabel(b.classText), b.group, stratumText(b.band, bands))
                     .arg(b.count)
                     .arg(QString::number(b.share, 'f', 1), more(breaks.bands.size()));
    }
    if (!breaks.marks.empty()) {
        const MarkBreak& m = breaks.marks.front();
        parts << QStringLiteral("別クラス印「%1」の生徒%2人が%3に%4")
                     .arg(m.mark)
                     .arg(m.rows.size())
                     .arg(classLabel(m.classText), more(breaks.marks.size()));
    }
    return parts.join(QStringLiteral("　／　"));
}

SwapStatus ClassSwaps::swap(StudentTable& table, DistributionTable& distribution, int rowA, int rowB)
{
    const SwapStatus status = checkSwap(table, distribution, rowA, rowB);
    if (status != SwapStatus::Swapped)
        return status;
    if (m_history.empty())
        m_drawClasses = classesOf(table);
    exchange(table, rowA, rowB);
    m_history.push_back({static_cast<int16_t>(rowA), static_cast<int16_t>(rowB)});
    fillDistributionTable(table, distribution);
    return status;
}

bool ClassSwaps::undo(StudentTable& table, DistributionTable& distribution)
{
    if (m_history.empty())
        return false;
    const Pair last = m_history.back();
    m_history.pop_back();
    exchange(table, last.rowA, last.rowB);
    fillDistributionTable(table, distribution);
    return true;
}

void ClassSwaps::clear()
{
    m_history.clear();
    m_drawClasses.clear();
}

bool ClassSwaps::movedByHand(const StudentTable& table, int row) const
{
    return !m_history.empty() && row >= 1 && row < static_cast<int>(m_drawClasses.size()) &&
           m_drawClasses[row] != table.records[row].newClass;
}

RuleBreaks ClassSwaps::breaksMadeByHand(const StudentTable& table, const DistributionTable& distribution,
                                        const SpreadRules& rules) const
{
    if (m_history.empty())
        return {};
    const RuleBreaks now = findRuleBreaks(table, classesOf(table), distribution.bands, rules);
    const RuleBreaks drawn = findRuleBreaks(table, m_drawClasses, distribution.bands, rules);
    // A cell the draw had broken already counts only when the swaps made it worse.
    RuleBreaks made;
    for (const BandBreak& b : now.bands) {
        const auto before = std::find_if(drawn.bands.begin(), drawn.bands.end(), [&](const BandBreak& d) {
            return d.group == b.group && d.classText == b.classText && d.band == b.band;
        });
        if (before == drawn.bands.end() || std::abs(b.count - b.share) > std::abs(before->count - before->share))
            made.bands.push_back(b);
    }
    for (const MarkBreak& m : now.marks) {
        const auto before = std::find_if(drawn.marks.begin(), drawn.marks.end(), [&](const MarkBreak& d) {
            return d.classText == m.classText && d.mark == m.mark;
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
