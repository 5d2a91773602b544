#include "export/ResultFile.h"
#include "export/ResultRead.h"
#include "export/ResultWorkbook.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <functional>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

// Rows a result file could hold for a year, checked against its groups' plans:
// only the first three cells count, a class must be one of the group's rows up
// to its class count, and at most twenty wrong rows are named.
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
        QString named; // in the refusal; empty: the draft is taken
    } cases[] = {
        {"three cells a row are enough", [](auto&) {}, {}},
        {"a row of two cells", [](auto& r) { r[2].removeLast(); }, u"3行目 2-1 生徒2: 結果のファイルにこの行がありません"_s},
        {"a class beyond the group's class count", [](auto& r) { r[2][0] = u"12"_s; }, u"クラス「12」はグループ「B」"_s},
        {"twenty wrong rows are all named",
         [](auto& r) { for (size_t i = 1; i < r.size(); ++i) if (r[i][1].startsWith(u'1')) r[i][2] += u'x'; },
         u"結果のファイルでは"_s},
        {"no rows", [](auto& r) { r.clear(); }, u"「新組」ではありません"_s},
        {"an empty first row", [](auto& r) { r[0].clear(); }, u"「新組」ではありません"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<QStringList> edited = result;
        c.edit(edited);
        const ResultDraftOutcome outcome = draftFromResultRows(year, edited, u"案"_s);
        ASSERT_EQ(outcome.draft.has_value(), c.named.isEmpty());
        if (outcome.draft) {
            EXPECT_EQ(outcome.draft->classes, classes);
            continue;
        }
        ASSERT_TRUE(outcome.refusal);
        EXPECT_TRUE(outcome.refusal->text.contains(c.named)) << outcome.refusal->text.toStdString();
        EXPECT_FALSE(outcome.refusal->text.contains(u"ほか"_s)) << outcome.refusal->text.toStdString();
    }
}

// A result sorted by 新組 in a spreadsheet, a class then changed: every
// student is found by identifier, name, group and score, and the note says
// the rows were matched; a row lost on the way is named with that heading.
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
    ASSERT_TRUE(sorted.draft);
    EXPECT_EQ(sorted.draft->classes, expected);
    ASSERT_TRUE(sorted.note);
    EXPECT_TRUE(sorted.note->text.contains(u"順番が違っていた"_s));

    rows.erase(rows.begin() + 3);
    const ResultDraftOutcome lost = draftFromResultRows(year, rows, u"案"_s);
    EXPECT_FALSE(lost.draft);
    ASSERT_TRUE(lost.refusal);
    EXPECT_TRUE(lost.refusal->text.contains(u"順番が違います"_s)) << lost.refusal->text.toStdString();
    EXPECT_TRUE(lost.refusal->text.contains(u"結果のファイルにこの行がありません"_s));
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
