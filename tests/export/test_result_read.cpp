#include "export/ResultFile.h"
#include "export/ResultRead.h"
#include "export/ResultWorkbook.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <QHash>

#include <algorithm>
#include <functional>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

// Rows a result file could hold for a year, checked against its groups' plans:
// only the first three cells count, a class must be one of the group's rows up
// to its class count, and at most twenty wrong rows are named. A row that is
// no student's leaves its student unplaced; a name that differs is matched by
// the identifier and named.
TEST(ResultRead, OnlyAClassOfTheGroupsPlanIsTaken)
{
    std::vector<testing::GroupOfYear> groups{{u"A"_s, 20, {}}, {u"B"_s, 2, {{11, 2}}}};
    for (int k = 1; k <= kMaxPlanRows; ++k)
        groups[0].plan.emplace_back(k, 2);
    testing::DivisionYear made(groups);
    made.ws.conditions[2].rows[5] = {12, 0, 0}; // beyond B's class count: no class of B
    const Year year = made.year();
    const Students& students = year.students();
    std::vector<QStringList> result{{u"新組"_s, u"番号"_s, u"氏名"_s}};
    std::vector<int16_t> classes{0};
    for (int r = 1; r <= students.count(); ++r) {
        classes.push_back(students[r].group == u"A"_s ? 10 : 11); // A's last plan row
        result.push_back({QString::number(classes.back()), students[r].id, students[r].name});
    }

    const struct {
        const char* what;
        std::function<void(std::vector<QStringList>&)> edit;
        QString said;         // in the refusal, or with a draft in its note; empty: a draft and no note
        int unplaced = 0;     // the draft's row left unplaced
        bool refused = false;
    } cases[] = {
        {"three cells a row are enough", [](auto&) {}, {}},
        {"a row of two cells", [](auto& r) { r[2].removeLast(); }, u"生徒1人（名簿に加わった生徒）は「未配置」"_s, 2},
        {"a class beyond the group's class count", [](auto& r) { r[2][0] = u"12"_s; }, u"クラス「12」はグループ「B」"_s, 0, true},
        {"names that differ are matched by identifier and named",
         [](auto& r) { for (size_t i = 1; i < r.size(); ++i) if (r[i][1].startsWith(u'1')) r[i][2] += u'x'; },
         u"氏名が違う生徒がいます（識別番号で合わせました）。\n2行目 1-1 生徒1: 結果のファイルでは「生徒1x」"_s},
        {"no student of the roster now", [](auto& r) { for (size_t i = 1; i < r.size(); ++i) r[i][1] = r[i][2] = u"別"_s + r[i][2]; },
         u"一人もいません"_s, 0, true},
        {"no rows", [](auto& r) { r.clear(); }, u"「新組」ではありません"_s, 0, true},
        {"an empty first row", [](auto& r) { r[0].clear(); }, u"「新組」ではありません"_s, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<QStringList> edited = result;
        c.edit(edited);
        const ResultDraftOutcome outcome = draftFromResultRows(year, edited, u"案"_s);
        ASSERT_EQ(outcome.draft.has_value(), !c.refused);
        if (outcome.draft) {
            std::vector<int16_t> expected = classes;
            expected[size_t(c.unplaced)] = 0;
            EXPECT_EQ(outcome.draft->classes, expected);
            ASSERT_EQ(outcome.note.has_value(), !c.said.isEmpty());
            if (outcome.note)
                EXPECT_TRUE(outcome.note->text.contains(c.said)) << outcome.note->text.toStdString();
            continue;
        }
        ASSERT_TRUE(outcome.refusal);
        EXPECT_TRUE(outcome.refusal->text.contains(c.said)) << outcome.refusal->text.toStdString();
        EXPECT_FALSE(outcome.refusal->text.contains(u"ほか"_s)) << outcome.refusal->text.toStdString();
    }
}

// A result sorted by 新組 in a spreadsheet, a class then changed: every
// student is found by identifier and name, and the note says the rows were
// matched; a row lost on the way leaves its student unplaced.
TEST(ResultRead, RowsInAnotherOrderAreMatchedToTheirStudents)
{
    const testing::DivisionYear made({{u"A"_s, 12, {{1, 6}, {2, 6}}}, {u"B"_s, 6, {{2, 3}, {3, 3}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(5).drawn);
    testing::TempFolder folder;
    const QString path = folder.file(u"kekka.csv"_s);
    ASSERT_FALSE(saveResult(year.students(), year.classes(), year.distribution(), path));
    std::vector<QStringList> rows = readResultCsvRows(path).rows;
    const int count = year.students().count();
    std::stable_sort(rows.begin() + 1, rows.begin() + 1 + count,
                     [](const QStringList& a, const QStringList& b) { return a[0].toInt() > b[0].toInt(); });
    ASSERT_NE(rows[1][2], year.students()[1].name); // the order did change
    std::vector<int16_t> expected = year.classes();
    for (int r = 1; r <= count; ++r) { // the teacher's change: one A student from class 1 to 2
        if (year.students()[r].group == u"A"_s && expected[size_t(r)] == 1) {
            expected[size_t(r)] = 2;
            for (QStringList& row : rows)
                if (row.size() > 2 && row[2] == year.students()[r].name)
                    row[0] = u"2"_s;
            break;
        }
    }
    const ResultDraftOutcome sorted = draftFromResultRows(year, rows, u"案"_s);
    ASSERT_TRUE(sorted.draft) << sorted.refusal->text.toStdString();
    EXPECT_EQ(sorted.draft->classes, expected);
    ASSERT_TRUE(sorted.note);
    EXPECT_TRUE(sorted.note->text.contains(u"順番が違っていた"_s));

    const QString lostName = rows[3][2];
    rows.erase(rows.begin() + 3);
    const ResultDraftOutcome lost = draftFromResultRows(year, rows, u"案"_s);
    ASSERT_TRUE(lost.draft);
    for (int r = 1; r <= count; ++r)
        EXPECT_EQ(lost.draft->classes[size_t(r)], year.students()[r].name == lostName ? 0 : expected[size_t(r)]);
    ASSERT_TRUE(lost.note);
    EXPECT_TRUE(lost.note->text.contains(u"生徒1人（名簿に加わった生徒）は「未配置」"_s)) << lost.note->text.toStdString();
}

// A result saved before the roster changed, read on the roster now: each
// student still there takes its row's class by the drafts' keys (the
// identifier; identifier and name where identifiers repeat; the row where
// that pair repeats too, said once), a new one stays unplaced, a row of a
// student gone is passed over.
TEST(ResultRead, StudentsAreMatchedByTheKeysOfTheDrafts)
{
    // Twelve students of A in classes 1 to 3; the score tells each apart in the test.
    const auto rosterOf = [](bool repeatIds, bool repeatPair) {
        std::vector<StudentRecord> records;
        for (int i = 0; i < 12; ++i)
            records.push_back({QString::number(repeatIds ? 1 + i % 6 : 101 + i), u"生徒%1"_s.arg(i), u"A"_s,
                               QString::number(50 + i)});
        if (repeatPair)
            records[8] = {records[1].studentId, records[1].name, u"A"_s, u"58"_s}; // classes 2 and 3
        return records;
    };
    const auto reorder = [](std::vector<StudentRecord>& r) { std::reverse(r.begin(), r.end()); };
    const struct {
        const char* what;
        bool repeatIds, repeatPair;
        std::function<void(std::vector<StudentRecord>&)> change;
        QStringList said;
    } cases[] = {
        {"rows put in another order", false, false, reorder, {u"順番が違っていた"_s}},
        {"two students gone, three new, rows reordered", false, false,
         [&](auto& r) {
             r.erase(r.begin() + 4);
             r.erase(r.begin());
             for (int i = 0; i < 3; ++i)
                 r.insert(r.begin() + 2 * i, {u"転入%1"_s.arg(i), u"転入生%1"_s.arg(i), u"A"_s, u"9%1"_s.arg(i)});
             reorder(r);
         },
         {u"生徒3人（名簿に加わった生徒）は「未配置」"_s, u"今の名簿にない生徒2人の行は読み飛ばしました"_s}},
        {"a name corrected", false, false, [](auto& r) { r[5].name = u"生徒五"_s; }, {u"結果のファイルでは「生徒5」"_s}},
        {"identifiers repeat: the name tells apart", true, false, reorder, {u"順番が違っていた"_s}},
        {"a repeated pair goes by its rows, named once", true, true, [](auto& r) { r.erase(r.begin() + 10); },
         {u"行の位置で合わせます"_s, u"ＣＳＶファイルの3行目、10行目"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<StudentRecord> saved = rosterOf(c.repeatIds, c.repeatPair);
        std::vector<QStringList> rows{{u"新組"_s, u"番号"_s, u"氏名"_s, u"グループ"_s}};
        QHash<QString, int> classOfScore;
        for (size_t i = 0; i < saved.size(); ++i) {
            classOfScore[saved[i].score] = 1 + int(i % 3);
            rows.push_back({QString::number(1 + i % 3), saved[i].studentId, saved[i].name, saved[i].group});
        }
        std::vector<StudentRecord> now = saved;
        c.change(now);
        const Students students = testing::studentsOf(now);
        ConditionsWorkspace ws = loadGroups(students).workspace;
        ws.conditions[1] = testing::DivisionYear({{u"A"_s, 12, {{1, 4}, {2, 4}, {3, 4}}}}).ws.conditions[1];
        const Year year(students, ws);

        const ResultDraftOutcome outcome = draftFromResultRows(year, rows, u"案"_s);
        ASSERT_TRUE(outcome.draft) << outcome.refusal->text.toStdString();
        for (int r = 1; r <= year.students().count(); ++r)
            EXPECT_EQ(outcome.draft->classes[size_t(r)], classOfScore.value(year.students()[r].scoreText)) << r;
        ASSERT_TRUE(outcome.note);
        for (const QString& said : c.said)
            EXPECT_TRUE(outcome.note->text.contains(said)) << outcome.note->text.toStdString();
    }
}

// A doubled quote reads back as one quote; a workbook without the sheet 全員
// is said to be no result workbook, without the import's advice.
TEST(ResultRead, QuotesAndAWorkbookWithoutItsSheet)
{
    const ResultRows quoted = readResultCsvRows(QStringLiteral(CLASSDIV_TEST_DATA "/export/quote_in_name.csv"));
    ASSERT_FALSE(quoted.failure);
    ASSERT_GE(quoted.rows.size(), 2u);
    EXPECT_EQ(quoted.rows[1], QStringList({u"3"_s, u"1001"_s, u"工藤　\"里奈\""_s, u"A\"1"_s, u"78"_s}));

    testing::TempFolder folder;
    const QString book = folder.file(u"名簿.xlsx"_s);
    ASSERT_FALSE(writeResultWorkbook({ResultSheet{u"名簿"_s, {{SheetCell::of(1.0)}}, {}, -1, {}}}, book));
    const ResultRows rows = readResultRows(book);
    ASSERT_TRUE(rows.failure);
    EXPECT_TRUE(rows.failure->text.contains(u"シート「全員」がありません"_s)) << rows.failure->text.toStdString();
    EXPECT_FALSE(rows.failure->text.contains(u"項目名確認"_s));
}

} // namespace
} // namespace classdiv
