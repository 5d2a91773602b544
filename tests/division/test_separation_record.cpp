// The school's separation record: its file read whole or not at all, two
// programs' changes merged, its entries matched to a roster, and the entries
// that apply kept apart by the checks and the search like the marks.

#include "support/Years.h"

#include "division/EveningProblem.h"
#include "division/lists/ClassSwaps.h"
#include "division/rules/RecordMatch.h"
#include "division/rules/SeparationRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::YearNumbers;

RecordEntry entry(const QString& key, std::vector<RecordStudent> students, const QString& reason = QStringLiteral("トラブル"))
{
    RecordEntry e;
    e.key = key;
    e.students = std::move(students);
    e.reason = reason;
    e.schoolYear = 2024;
    e.entered = QDate(2025, 3, 10);
    e.enteredBy = QStringLiteral("田中");
    return e;
}

TEST(SeparationRecord, RoundTripsAndReadsAFileWholeOrNotAtAll)
{
    SeparationRecord record;
    record.entries.push_back(entry("k1", {{"101", "山田　太郎"}, {"102", "佐藤\t花子"}}, QStringLiteral("保護者要望\n二行目\\")));
    record.entries.push_back(entry("k2", {{"", "名前だけ"}, {"103", ""}, {"104", "𠮷田"}}));
    record.entries.back().ended = QDate(2026, 4, 1);
    record.entries.back().endReason = QStringLiteral("卒業");
    record.confirmations.push_back({{"101", "山田太郎"}, {"7", "山田 太郎"}});
    const QByteArray bytes = formatSeparationRecord(record);
    const RecordReadOutcome back = parseSeparationRecord(bytes);
    ASSERT_EQ(back.status, RecordReadOutcome::Status::Read) << back.reason.toStdString();
    EXPECT_EQ(back.record, record);
    EXPECT_EQ(parseSeparationRecord("\xEF\xBB\xBF" + bytes).record, record);                      // a byte order mark
    EXPECT_EQ(parseSeparationRecord(QByteArray(bytes).replace("\r\n", "\n")).record, record); // LF alone

    using S = RecordReadOutcome::Status;
    const QByteArray head = "CLASSDIV-APART 1\r\n";
    const QByteArray good = "entry\tk\t2024\t2025-03-10\tby\twhy\t\t\t1\tA\t2\tB\r\n";
    struct Case {
        const char* what;
        QByteArray bytes;
        S status;
        int line;
    };
    const std::vector<Case> cases = {
        {"empty record", head + "end\t0\t0\r\n", S::Read, 0},
        {"cut short before the end line", head + good, S::Damaged, 3},
        {"cut short inside a line", bytes.left(bytes.size() - 20), S::Damaged, 0},
        {"a newer version", "CLASSDIV-APART 2\r\n" + good + "end\t1\t0\r\n", S::Newer, 0},
        {"not a record at all", "氏名,組\r\n", S::Damaged, 1},
        {"bad bytes", head + "entry\tk\t2024\t2025-03-10\t\xff\xfe\twhy\t\t\t1\tA\t2\tB\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"a NUL", head + QByteArray("entry\0", 6) + "\r\n", S::Damaged, 2},
        {"one student only", head + "entry\tk\t2024\t2025-03-10\tby\twhy\t\t\t1\tA\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"a student without id or name", head + "entry\tk\t2024\t2025-03-10\tby\twhy\t\t\t1\tA\t\t\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"a date that is none", head + "entry\tk\t2024\t2025-02-30\tby\twhy\t\t\t1\tA\t2\tB\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"a bad escape", head + "entry\tk\t2024\t2025-03-10\tby\tw\\hy\t\t\t1\tA\t2\tB\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"counts that do not add up", head + good + "end\t2\t0\r\n", S::Damaged, 3},
        {"a line after the end", head + "end\t0\t0\r\nentry\r\n", S::Damaged, 3},
        {"a line beyond the budget", head + "entry\t" + QByteArray(kMaxRecordLine + 1, 'x') + "\r\nend\t1\t0\r\n", S::Damaged, 2},
        {"beyond the bytes", QByteArray(kMaxRecordBytes + 1, 'x'), S::TooLarge, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecordReadOutcome read = parseSeparationRecord(c.bytes);
        EXPECT_EQ(read.status, c.status);
        if (c.line > 0)
            EXPECT_EQ(read.line, c.line) << read.reason.toStdString();
        EXPECT_EQ(read.usable(), c.status == S::Read);
        if (!read.usable())
            EXPECT_TRUE(read.record.entries.empty()); // nothing half-read is used
        EXPECT_EQ(recordProblemText("記録.txt", read).has_value(), !read.usable());
    }
}

TEST(SeparationRecord, ChangesOfTwoProgramsMergeAndNothingIsTakenOut)
{
    SeparationRecord file;
    file.entries = {entry("a", {{"1", "A"}, {"2", "B"}}), entry("b", {{"3", "C"}, {"4", "D"}})};
    file.entries[1].ended = QDate(2026, 3, 1);
    file.entries[1].endReason = QStringLiteral("先に終えた");
    RecordChange change;
    RecordEntry endedHere = file.entries[0];
    endedHere.ended = QDate(2026, 3, 2);
    endedHere.endReason = QStringLiteral("解消");
    RecordEntry endedAgain = file.entries[1];
    endedAgain.ended = QDate(2026, 3, 5);
    endedAgain.endReason = QStringLiteral("後から終えた");
    RecordEntry stale = file.entries[0]; // this program's older copy: still open
    change.entries = {endedHere, endedAgain, entry("c", {{"5", "E"}, {"6", "F"}}), entry("c", {{"5", "E"}, {"6", "F"}})};
    change.confirmations = {{{"1", "A"}, {"9", "A"}}, {{"1", "A"}, {"9", "A"}}};
    file.confirmations = {{{"2", "B"}, {"8", "B"}}};

    const SeparationRecord merged = mergeRecord(file, change);
    ASSERT_EQ(merged.entries.size(), 3u);
    EXPECT_EQ(merged.entries[0].ended, QDate(2026, 3, 2));
    EXPECT_EQ(merged.entries[1].endReason, QStringLiteral("先に終えた")); // the first end stands
    EXPECT_EQ(merged.entries[2].key, QStringLiteral("c"));
    EXPECT_EQ(merged.confirmations.size(), 2u);
    // A stale open copy never reopens an ended entry.
    EXPECT_EQ(mergeRecord(merged, RecordChange{{stale}, {}}).entries[0].ended, QDate(2026, 3, 2));
}

Students roster(const std::vector<std::pair<QString, QString>>& idAndName)
{
    std::vector<StudentRecord> records;
    for (const auto& [id, name] : idAndName)
        records.push_back({id, name, "A", "50"});
    return testing::studentsOf(records);
}

TEST(RecordMatch, ByIdentifierWithTheNameAsACheckOrByNameWhereIdentifiersRepeat)
{
    const RecordEntry pair = entry("p", {{"101", "山田太郎"}, {"102", "佐藤花子"}});
    struct Case {
        const char* what;
        Students students;
        std::vector<RecordConfirmation> confirmed;
        std::vector<std::vector<int>> applied;
        size_t toConfirm;
        size_t ambiguous;
    };
    const std::vector<Case> cases = {
        {"both by identifier, names alike but for blanks", roster({{"102", "佐藤　花子"}, {"9", "x"}, {"101", "山田 太郎"}}), {}, {{1, 3}}, 0, 0},
        {"one left the school", roster({{"101", "山田太郎"}, {"9", "x"}}), {}, {}, 0, 0},
        {"a name that differs is asked, not applied", roster({{"101", "山田太朗"}, {"102", "佐藤花子"}}), {}, {}, 1, 0},
        {"the same, confirmed once", roster({{"101", "山田太朗"}, {"102", "佐藤花子"}}), {{{"101", "山田太郎"}, {"101", "山田太朗"}}}, {{1, 2}}, 0, 0},
        {"identifiers repeat: by name, asked", roster({{"1", "佐藤花子"}, {"1", "山田太郎"}, {"2", "x"}}), {}, {}, 2, 0},
        {"identifiers repeat: confirmed",
         roster({{"1", "佐藤花子"}, {"1", "山田太郎"}, {"2", "x"}}),
         {{{"101", "山田太郎"}, {"1", "山田太郎"}}, {{"102", "佐藤花子"}, {"1", "佐藤花子"}}}, {{1, 2}}, 0, 0},
        {"identifiers repeat: a confirmation of another roster's number is asked again",
         roster({{"3", "佐藤花子"}, {"1", "山田太郎"}, {"1", "x"}}),
         {{{"101", "山田太郎"}, {"1", "山田太郎"}}, {{"102", "佐藤花子"}, {"1", "佐藤花子"}}}, {}, 1, 0},
        {"a name twice is never matched", roster({{"1", "山田太郎"}, {"1", "山田太郎"}, {"2", "佐藤花子"}}), {}, {}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeparationRecord record{{pair}, c.confirmed};
        RecordEntry ended = entry("e", {{"101", "山田太郎"}, {"102", "佐藤花子"}});
        ended.ended = QDate(2025, 4, 1);
        record.entries.push_back(ended); // an ended entry never applies nor asks
        const RecordMatch match = matchRecord(record, c.students);
        std::vector<std::vector<int>> applied;
        for (const ApartEntry& a : match.applied)
            applied.push_back(a.rows);
        EXPECT_EQ(applied, c.applied);
        EXPECT_EQ(match.toConfirm.size(), c.toConfirm);
        EXPECT_EQ(match.ambiguous.size(), c.ambiguous);
        // The teacher's yes makes every listed match apply.
        for (const RecordConfirmation& yes : confirmationsOf(match))
            record.confirmations.push_back(yes);
        const RecordMatch after = matchRecord(record, c.students);
        EXPECT_TRUE(after.toConfirm.empty());
        if (c.toConfirm > 0 && c.ambiguous == 0)
            EXPECT_EQ(after.applied.size(), 1u);
    }
    EXPECT_EQ(entryLabel(pair), QStringLiteral("山田太郎・佐藤花子（トラブル）"));
}

// Whether every group's head counts hold, and no two students of a mark or of an entry share a class.
bool keepsEveryoneApart(const Year& year, const std::vector<int16_t>& classes)
{
    std::set<std::pair<QString, int>> seen;
    for (int row = 1; row <= year.students().count(); ++row)
        if (const QString mark = ruleText(year.rules().cells[RuleBox::Marks], row); !mark.isEmpty() && !seen.insert({mark, classes[row]}).second)
            return false;
    for (const ApartEntry& e : year.rules().recordEntries) {
        std::set<int> in;
        for (int row : e.rows)
            if (!in.insert(classes[row]).second)
                return false;
    }
    return fitsThePlans(year.workspace(), classes);
}

// Entries of two or three students drawn at random, overlapping one another
// and the marks, so that a student may be under several sets at once.
std::vector<ApartEntry> randomEntries(YearNumbers& pick, int n, int count)
{
    std::vector<ApartEntry> entries;
    for (int e = 0; e < count; ++e) {
        std::set<int> rows;
        const int size = 2 + pick.below(2);
        while (static_cast<int>(rows.size()) < size)
            rows.insert(1 + pick.below(n));
        entries.push_back({{rows.begin(), rows.end()}, QStringLiteral("e%1").arg(e)});
    }
    return entries;
}

// Small years, every placement tried: a placement that keeps every mark and
// entry apart exists exactly when the checks let evening out run, and then
// evening out finds one; a refusal names the entry's students.
TEST(RecordRules, ChecksRefuseExactlyWhatNoPlacementKeepsApart)
{
    int refused = 0, met = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        YearNumbers pick(seed);
        const int seats = 2 + seed % 2, n = 4 * seats;
        std::vector<testing::GroupOfYear> groups{{"A", 2 * seats, {{1, seats}, {2, seats}}},
                                                 {"B", 2 * seats, {{2, seats}, {3, seats}}}};
        const DivisionYear built(groups);
        SpreadRules rules;
        rules.cells[RuleBox::Marks].assign(n + 1, QString());
        for (int row = 1; row <= n; ++row)
            if (pick.below(5) == 0)
                rules.cells[RuleBox::Marks][row] = QString(QChar(u'a' + pick.below(2)));
        Year year = built.year();
        year.setRules(rules);
        year.setRecordEntries(randomEntries(pick, n, 1 + pick.below(4)));
        bool exists = false;
        std::vector<int16_t> classesOf(n + 1, 0);
        std::function<void(int)> place = [&](int g) {
            if (exists)
                return;
            if (g > 2) {
                exists = keepsEveryoneApart(year, classesOf);
                return;
            }
            std::vector<int16_t> order;
            for (const auto& [number, head] : groups[g - 1].plan)
                order.insert(order.end(), head, int16_t(number));
            do {
                for (int w = 1; w <= 2 * seats; ++w)
                    classesOf[built.ws.groupStudents[g][w]] = order[w - 1];
                place(g + 1);
            } while (std::next_permutation(order.begin(), order.end()));
        };
        place(1);
        testing::ScriptedRandom random = testing::plentyOfNumbers(seed);
        const EvenOutcome outcome = year.evenOut(random);
        EXPECT_EQ(outcome.drawn, exists) << qPrintable(outcome.message.value_or(Message{}).text);
        if (outcome.drawn)
            EXPECT_TRUE(keepsEveryoneApart(year, year.classes())) << qPrintable(outcome.message.value_or(Message{}).text);
        else if (const QString text = outcome.message.value_or(Message{}).text; text.contains(QStringLiteral("離す記録")))
            EXPECT_TRUE(text.contains(year.students()[year.rules().recordEntries.front().rows.front()].name) ||
                        year.rules().recordEntries.size() > 1);
        (outcome.drawn ? met : refused) += 1;
    }
    EXPECT_GT(refused, 10);
    EXPECT_GT(met, 50);
}

// Larger random years: every entry is kept apart after one use, the class
// lists find the entry a hand swap breaks, and the search model numbers each
// entry after the marks.
TEST(RecordRules, RandomYearsKeepEveryEntryApartAndTheListsSeeAHandSwapBreakOne)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        YearNumbers pick(seed);
        const int classes = 3 + pick.below(4);
        std::vector<testing::GroupOfYear> groups;
        for (int g = 0; g < 2 + pick.below(2); ++g) {
            const int size = classes * (5 + pick.below(10));
            std::vector<std::pair<int, int>> plan;
            for (int k = 1; k <= classes; ++k)
                plan.emplace_back(k, size / classes);
            groups.push_back({QStringLiteral("G%1").arg(g), size, plan});
        }
        const DivisionYear built(groups);
        const int n = built.students.count();
        SpreadRules rules;
        rules.cells[RuleBox::Marks].assign(n + 1, QString());
        for (int m = 0; m < n / 10; ++m)
            rules.cells[RuleBox::Marks][1 + pick.below(n)] = QStringLiteral("m%1").arg(m / 2);
        Year year = built.year();
        year.setRules(rules);
        year.setRecordEntries(randomEntries(pick, n, n / 6));
        const SearchModel& model = year.searchModel();
        EXPECT_EQ(model.problem.markCount - model.columnMarks, static_cast<int>(year.rules().recordEntries.size()));
        testing::ScriptedRandom random = testing::plentyOfNumbers(seed);
        const EvenOutcome outcome = year.evenOut(random, true);
        ASSERT_TRUE(outcome.drawn) << qPrintable(outcome.message.value_or(Message{}).text);
        EXPECT_TRUE(keepsEveryoneApart(year, year.classes()));
        EXPECT_TRUE(findRuleBreaks(year.students(), year.classes(), year.bands(), year.rules()).marks.empty());

        // One of an entry swapped by hand into the class of another of it.
        const ApartEntry& e = year.rules().recordEntries.front();
        const int a = e.rows[0], b = e.rows[1];
        int partner = 0;
        for (int r = 1; r <= n && !partner; ++r)
            if (year.classOf(r) == year.classOf(b) && year.students()[r].group == year.students()[a].group &&
                std::find(e.rows.begin(), e.rows.end(), r) == e.rows.end())
                partner = r;
        if (!partner)
            continue;
        ASSERT_EQ(year.swap(a, partner), SwapStatus::Swapped);
        const RuleBreaks made = year.swaps().breaksMadeByHand(year.students(), year.classes(), year.bands(), year.rules());
        const auto broken = std::find_if(made.marks.begin(), made.marks.end(), [&](const MarkBreak& m) { return m.record && m.mark == e.label; });
        ASSERT_NE(broken, made.marks.end());
        EXPECT_TRUE(std::find(broken->rows.begin(), broken->rows.end(), a) != broken->rows.end());
        EXPECT_TRUE(ruleBreakNote(made, year.bands(), year.students(), year.rules()).contains(QStringLiteral("離す記録「%1」").arg(e.label)));
    }
}

} // namespace
} // namespace classdiv
