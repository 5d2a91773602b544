// A roster that changed after the drafts were kept: students known by
// identifier (with the name where identifiers repeat, by row where that pair
// repeats too), drafts carried over with new students unplaced, what changed
// named, earlier drafts files migrated, and head counts brought to fit.

#include "support/DraftsVersions.h"
#include "support/TestFiles.h"
#include "support/Years.h"

#include "conditions/FittingCounts.h"
#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"
#include "division/drafts/RosterChangesText.h"
#include "division/lists/Unplaced.h"

#include <QDateTime>
#include <QFile>
#include <QHash>

#include <gtest/gtest.h>

#include <algorithm>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::TempFolder;

const QDateTime kNoon(QDate(2027, 2, 15), QTime(12, 0, 0));

std::vector<StudentRecord> recordsOf(const Students& students)
{
    std::vector<StudentRecord> records;
    for (int r = 1; r <= students.count(); ++r)
        records.push_back({students[r].id, students[r].name, students[r].group, students[r].scoreText});
    return records;
}

// The year of these students, its groups' conditions those of `before` by group name.
Year yearOf(const std::vector<StudentRecord>& records, const ConditionsWorkspace& before)
{
    const Students students = testing::studentsOf(records);
    ConditionsWorkspace ws = loadGroups(students).workspace;
    for (int g = 1; g <= ws.groupCount(); ++g)
        for (int b = 1; b <= before.groupCount(); ++b)
            if (before.groupName[size_t(b)] == ws.groupName[size_t(g)])
                ws.conditions[size_t(g)] = before.conditions[size_t(b)];
    return Year(students, ws);
}

TEST(RosterChanges, RowsRemovedAddedAndReorderedLeaveEveryRemainingStudentInItsClassAndTheNewUnplaced)
{
    int years = 0;
    for (uint64_t seed = 1; seed <= 60 && years < 25; ++seed) {
        SCOPED_TRACE(seed);
        const DivisionYear made = testing::randomYear(seed);
        Year year = made.year();
        if (made.students.count() < 6 || !year.pressNumber(uint32_t(seed)).drawn)
            continue;
        ++years;
        TempFolder folder;
        const QString path = folder.file("AN.TXT");
        {
            DraftBook book = loadDraftBook(year, path);
            ASSERT_FALSE(book.keep(year, QStringLiteral("案A"), kNoon));
            ASSERT_FALSE(saveDraftBook(book, year, kNoon));
        }
        const QByteArray kept = testing::readBytes(path);
        QHash<QString, int> classOfId;
        for (int r = 1; r <= year.students().count(); ++r)
            classOfId[year.students()[r].id] = year.classOf(r);

        testing::YearNumbers numbers(seed);
        std::vector<StudentRecord> records = recordsOf(made.students);
        const int removed = int(seed % 4), added = int((seed / 4) % 4);
        std::vector<QString> removedGroups;
        for (int i = 0; i < removed; ++i) {
            const auto gone = records.begin() + numbers.below(int(records.size()));
            removedGroups.push_back(gone->group);
            records.erase(gone);
        }
        for (int i = 0; i < added; ++i)
            records.push_back({QStringLiteral("転入%1").arg(i), QStringLiteral("転入生%1").arg(i),
                               records[size_t(numbers.below(int(records.size())))].group, QStringLiteral("55")});
        for (int i = int(records.size()) - 1; i > 0; --i)
            std::swap(records[size_t(i)], records[size_t(numbers.below(i + 1))]);
        Year later = yearOf(records, made.ws);

        DraftBook book = loadDraftBook(later, path);
        ASSERT_EQ(book.rosterChanges().has_value(), removed + added > 0);
        if (book.rosterChanges()) {
            EXPECT_EQ(book.rosterChanges()->count(StudentChange::Kind::Removed), removed);
            EXPECT_EQ(book.rosterChanges()->count(StudentChange::Kind::Added), added);
            EXPECT_EQ(book.rosterChanges()->count(StudentChange::Kind::Changed), 0);
        }
        ASSERT_EQ(book.open(book.indexOf(QStringLiteral("案A")), later), std::nullopt);
        int unplaced = 0;
        for (int r = 1; r <= later.students().count(); ++r) {
            const Student& s = later.students()[r];
            if (s.id.startsWith(QStringLiteral("転入"))) {
                EXPECT_EQ(later.classOf(r), kUnplacedClass) << s.id.toStdString();
                ++unplaced;
            } else {
                EXPECT_EQ(later.classOf(r), classOfId.value(s.id)) << s.id.toStdString();
            }
        }
        EXPECT_EQ(int(unplacedRows(later.classes()).size()), unplaced);
        // No result is saved while a student waits for a class.
        const std::optional<Message> refusal = unplacedSaveRefusal(later.students(), later.classes());
        EXPECT_EQ(refusal.has_value(), unplaced > 0);
        if (refusal)
            EXPECT_TRUE(refusal->text.contains(QStringLiteral("生徒が%1人いる").arg(unplaced))) << refusal->text.toStdString();
        // The head counts show the classes short of the students who left (a group gone whole takes its plan along).
        int gap = 0;
        for (const HeadCountGap& g : headCountGaps(later.workspace(), later.classes()))
            gap += g.planned - g.placed;
        const auto stillThere = [&](const QString& group) {
            return std::any_of(records.begin(), records.end(), [&](const StudentRecord& s) { return s.group == group; });
        };
        EXPECT_EQ(gap, int(std::count_if(removedGroups.begin(), removedGroups.end(), stillThere)));
        EXPECT_EQ(testing::readBytes(path), kept); // opening changes nothing on disk
    }
    EXPECT_GE(years, 20);
}

TEST(RosterChanges, StudentsAreKnownByIdentifierThenWithTheNameThenByRow)
{
    const struct {
        const char* what;
        std::vector<std::pair<const char*, const char*>> students; // identifier, name
        std::vector<StudentKey> keys;
        std::vector<int> byRow;
    } cases[] = {
        {"identifiers all distinct", {{"1", "秋山"}, {"2", "伊藤"}}, {StudentKey::Identifier, StudentKey::Identifier}, {}},
        {"出席番号 restarting in every class", {{"1", "秋山"}, {"1", "伊藤"}, {"2", "上田"}},
         {StudentKey::IdentifierAndName, StudentKey::IdentifierAndName, StudentKey::Identifier}, {}},
        {"identifier and name twice", {{"3", "佐藤"}, {"3", "佐藤"}, {"3", "鈴木"}},
         {StudentKey::Row, StudentKey::Row, StudentKey::IdentifierAndName}, {1, 2}},
        {"a blank identifier", {{"", "田中"}, {" ", "中村"}, {"4", "田中"}},
         {StudentKey::Row, StudentKey::Row, StudentKey::Identifier}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RosterRow> rows(1);
        for (const auto& [id, name] : c.students)
            rows.push_back({QString::fromUtf8(id), QString::fromUtf8(name), QStringLiteral("A")});
        EXPECT_EQ(assignKeys(rows), c.byRow);
        for (size_t i = 0; i < c.keys.size(); ++i)
            EXPECT_EQ(rows[i + 1].key, c.keys[i]) << i;
        // Put in reverse order, every student is found again: those known by row among the same identifier and name.
        std::vector<RosterRow> reversed(1);
        reversed.insert(reversed.end(), rows.rbegin(), rows.rend() - 1);
        assignKeys(reversed);
        const RosterMatch match = matchRosters(rows, reversed);
        EXPECT_TRUE(match.changes.empty());
        for (size_t r = 1; r < rows.size(); ++r) {
            const int to = match.nowRowOf[r];
            ASSERT_GT(to, 0) << r;
            EXPECT_EQ(reversed[size_t(to)].id, rows[r].id) << r;
            EXPECT_EQ(reversed[size_t(to)].name, rows[r].name) << r;
            if (std::count(c.byRow.begin(), c.byRow.end(), int(r)) == 0)
                EXPECT_EQ(to, int(rows.size() - r)) << r;
        }
    }
}

TEST(RosterChanges, TheRowsKnownByRowAreNamedOnceWhenSuchARosterMeetsADraftsFile)
{
    // 出席番号 and names that repeat: the two 「1 佐藤」 are known by their rows only.
    const std::vector<StudentRecord> records = {{"1", "佐藤", "A", "50"}, {"2", "鈴木", "A", "60"},
                                                {"1", "佐藤", "A", "70"}, {"3", "高橋", "A", "80"}};
    const DivisionYear plan({{"A", 4, {{1, 2}, {2, 2}}}});
    Year year = yearOf(records, plan.ws);
    ASSERT_TRUE(year.pressNumber(3).drawn);
    TempFolder folder;
    const QString path = folder.file("AN.TXT");
    {
        DraftBook book = loadDraftBook(year, path);
        ASSERT_FALSE(book.keep(year, QStringLiteral("案A"), kNoon));
        ASSERT_FALSE(saveDraftBook(book, year, kNoon));
        EXPECT_EQ(book.takeReadMessage(), std::nullopt); // the same roster: nothing to say
    }
    std::vector<StudentRecord> moreOf = records;
    moreOf.push_back({"4", "渡辺", "A", "40"});
    // Opened before the conditions are read back: refused, nothing placed.
    const Students students = testing::studentsOf(moreOf);
    Year unplanned(students, loadGroups(students).workspace);
    ASSERT_TRUE(loadDraftBook(unplanned, path).open(0, unplanned));
    EXPECT_FALSE(unplanned.hasDraw());

    Year later = yearOf(moreOf, plan.ws);
    DraftBook book = loadDraftBook(later, path);
    const std::optional<Message> message = book.takeReadMessage();
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->text.contains(QStringLiteral("ＣＳＶファイルの2行目、4行目"))) << message->text.toStdString();
    EXPECT_EQ(book.takeReadMessage(), std::nullopt);
    ASSERT_EQ(book.open(0, later), std::nullopt);
    for (int r = 1; r <= 4; ++r)
        EXPECT_EQ(later.classOf(r), year.classOf(r)) << r;
    EXPECT_EQ(later.classOf(5), kUnplacedClass);
}

TEST(RosterChanges, WhatChangedIsNamedByTheColumn)
{
    const QStringList header{"番号", "氏名", "組", "点", "リーダー"};
    const RosterRow was{"7", "秋山", "A", "60", {"7", "秋山", "A", "60", ""}, StudentKey::Identifier};
    const struct {
        const char* what;
        RosterRow now;
        QStringList said;
    } cases[] = {
        {"nothing", was, {}},
        {"the score", {"7", "秋山", "A", "65", {"7", "秋山", "A", "65", ""}}, {"成績 60→65"}},
        {"the group", {"7", "秋山", "B", "60", {"7", "秋山", "B", "60", ""}}, {"グループ A→B"}},
        {"the name", {"7", "秋山　一", "A", "60", {"7", "秋山　一", "A", "60", ""}}, {"氏名 秋山→秋山　一"}},
        {"a rule column", {"7", "秋山", "A", "60", {"7", "秋山", "A", "60", "○"}}, {"リーダー →○"}},
        {"two at once", {"7", "秋山", "B", "61", {"7", "秋山", "B", "61", ""}}, {"グループ A→B", "成績 60→61"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RosterRow> kept{RosterRow{{}, {}, {}, {}, header}, was};
        std::vector<RosterRow> now{RosterRow{{}, {}, {}, {}, header}, c.now};
        assignKeys(now);
        const RosterMatch match = matchRosters(kept, now);
        ASSERT_EQ(match.nowRowOf[1], 1);
        if (c.said.isEmpty()) {
            EXPECT_TRUE(match.changes.empty());
            continue;
        }
        ASSERT_EQ(match.changes.size(), 1u);
        EXPECT_EQ(match.changes[0].kind, StudentChange::Kind::Changed);
        EXPECT_EQ(match.changes[0].what, c.said);
    }
}

TEST(RosterChanges, TheTableNamesEachStudentByItsLineInTheCsvItIsIn)
{
    const QStringList header{"番号", "氏名", "組", "点"};
    const auto row = [](const char* id, const char* name, const char* group, const char* score) {
        return RosterRow{id, name, group, score, {id, name, group, score}};
    };
    std::vector<RosterRow> kept{RosterRow{{}, {}, {}, {}, header}, row("7", "秋山", "A", "60"), row("8", "石井", "B", "55")};
    std::vector<RosterRow> now{RosterRow{{}, {}, {}, {}, header}, row("9", "上野", "A", "70"), row("7", "秋山", "B", "60")};
    assignKeys(kept);
    assignKeys(now);
    const TextTable table = rosterChangesTable(matchRosters(kept, now));
    EXPECT_EQ(table.headings, (QStringList{"変更", "行", "識別番号", "氏名", "グループ", "変わったこと"}));
    const std::vector<QStringList> expected{
        {"転出（削除）", "（前は3）", "8", "石井", "B", ""}, // line 3 of the CSV the drafts were kept with
        {"転入（追加）", "2", "9", "上野", "A", ""},
        {"変更", "3", "7", "秋山", "B", "グループ A→B"},
    };
    EXPECT_EQ(table.rows, expected);
}

TEST(RosterChanges, AnEarlierDraftsFileMigratesByRowWhileItsStudentsAreTheSameAndByIdentifierOnceTheyChange)
{
    const DivisionYear made({{"A", 9, {{1, 5}, {2, 4}}}, {"B", 6, {{2, 3}, {3, 3}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(11).drawn);
    DraftsContent content{rosterOf(year.students()), {DraftBook::screenDraft(year, QStringLiteral("案A"), kNoon)}, {}};
    for (const int version : {1, 2}) {
        SCOPED_TRACE(version);
        TempFolder folder;
        const QString path = folder.file("AN.TXT");
        const QByteArray earlier = testing::earlierDraftsVersion(formatDraftsFile(content), version);
        ASSERT_TRUE(testing::writeBytes(path, earlier));
        {
            Year same = made.year();
            DraftBook book = loadDraftBook(same, path);
            EXPECT_FALSE(book.rosterChanges());
            ASSERT_EQ(book.open(0, same), std::nullopt);
            EXPECT_EQ(same.classes(), year.classes());
            book.markChanged();
            ASSERT_FALSE(saveDraftBook(book, same, kNoon));
            EXPECT_FALSE(QFile::exists(path + ".bak")); // the same roster: nothing set aside
            const DraftsReadOutcome now = readDraftsFile(path);
            ASSERT_EQ(now.status, DraftsReadOutcome::Status::Read);
            EXPECT_EQ(now.content.drafts, content.drafts);
            EXPECT_EQ(now.content.roster, rosterOf(year.students()));
        }
        // A student gone from the roster: the earlier file's identifiers still place every other one.
        ASSERT_TRUE(testing::writeBytes(path, earlier));
        std::vector<StudentRecord> records = recordsOf(made.students);
        records.erase(records.begin());
        Year smaller = yearOf(records, made.ws);
        DraftBook book = loadDraftBook(smaller, path);
        ASSERT_TRUE(book.rosterChanges());
        EXPECT_EQ(book.rosterChanges()->count(StudentChange::Kind::Removed), 1);
        ASSERT_EQ(book.open(0, smaller), std::nullopt);
        for (int r = 1; r <= smaller.students().count(); ++r)
            EXPECT_EQ(smaller.classOf(r), year.classOf(r + 1)) << r;
    }
}

TEST(FittingCounts, TheNearestCountsChangeTheClassesThatNeedItOneStudentEachTheRestAsTheyWere)
{
    const struct {
        std::vector<int> before;
        int size;
        std::vector<int> offered;
    } cases[] = {
        {{40, 40, 40}, 121, {41, 40, 40}},
        {{40, 40, 40}, 118, {40, 39, 39}},
        {{35, 34, 34}, 105, {35, 35, 35}},
        {{35, 35, 34}, 102, {34, 34, 34}},
        {{30, 31}, 61, {30, 31}},
        {{1, 1}, 1, {1, 1}},       // no class can give one up
        {{20}, 25, {25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        GroupCondition condition;
        condition.classCount = int16_t(c.before.size());
        for (size_t k = 0; k < c.before.size(); ++k)
            condition.rows[k + 1] = {int16_t(k + 1), int16_t(c.before[k]), 0};
        const GroupCondition fitted = fittedCondition(condition, c.size);
        for (size_t k = 0; k < c.offered.size(); ++k) {
            EXPECT_EQ(fitted.rows[k + 1].headCount, c.offered[k]) << k;
            EXPECT_EQ(fitted.rows[k + 1].classNumber, int(k + 1));
        }
    }
    // Offered only for groups whose counts no longer add up, and only once accepted taken.
    DivisionYear made({{"A", 9, {{1, 5}, {2, 4}}}, {"B", 6, {{2, 3}, {3, 3}}}});
    made.setPlan(2, {{2, 3}, {3, 4}});
    const std::vector<FittingCounts> fits = fittingHeadCounts(made.ws);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].group, 2);
    EXPECT_EQ(fits[0].offered.rows[2].headCount, 3);
    EXPECT_TRUE(fittingCountsQuestion(made.ws, fits).contains(QStringLiteral("3組 4→3人")));
}

} // namespace
} // namespace classdiv
