// 確認票: each kind of rule held or broken on a small year of six students,
// the broken lines first and the sentence of a sheet that cannot go out; the
// question before the result is saved or the posted lists printed; the
// roster's fingerprint.

#include "export/CheckSheet.h"

#include "division/Year.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

namespace classdiv {
namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

// One group of six (生徒1 .. 生徒6, scores falling by row) planned as three in class 1 and three in class 2.
Year sixStudents(const std::vector<int16_t>& classes, const std::function<void(SpreadRules&)>& rules,
                 std::vector<ApartEntry> record)
{
    const testing::DivisionYear made({{u8("A"), 6, {{1, 3}, {2, 3}}}});
    Year year = made.year();
    SpreadRules text;
    text.cells[RuleBox::Marks].assign(7, QString());
    text.cells[RuleBox::Together].assign(7, QString());
    text.cells[RuleBox::Fixed].assign(7, QString());
    if (rules)
        rules(text);
    year.setRules(text);
    year.setRecordEntries(std::move(record));
    std::vector<int16_t> placed{0};
    placed.insert(placed.end(), classes.begin(), classes.end());
    year.restoreDraw(placed, {}, 0);
    return year;
}

const std::vector<int16_t> kAlternating{1, 2, 1, 2, 1, 2};

FlagColumn flag(std::initializer_list<int> rows)
{
    FlagColumn column{u8("リーダー"), std::vector<QString>(7)};
    for (const int r : rows)
        column.values[size_t(r)] = u8("○");
    return column;
}

using K = CheckKind;

TEST(CheckSheet, EachRuleHeldOrBrokenWithTheBrokenFirst)
{
    const struct {
        const char* what;
        std::vector<int16_t> classes;
        std::function<void(SpreadRules&)> rules;
        std::vector<ApartEntry> record;
        std::vector<std::pair<K, bool>> lines; // kind and broken, in the sheet's order
        const char* firstDetail;               // what the first line says, when it is broken
    } cases[] = {
        {"every kind of rule held", kAlternating,
         [](SpreadRules& r) {
             r.cells[RuleBox::Marks][1] = r.cells[RuleBox::Marks][2] = u8("A");
             r.cells[RuleBox::Together][1] = r.cells[RuleBox::Together][3] = u8("X");
             r.cells[RuleBox::Fixed][5] = u8("１");
             r.columns[RuleBox::Flags] = {flag({1, 2})};
             r.cells[RuleBox::Mix] = {QString(), u8("a"), u8("a"), u8("a"), u8("a"), u8("b"), u8("b")};
         },
         {{{3, 4}, u8("生徒3・生徒4 トラブル")}},
         {{K::HeadCounts, false}, {K::Bands, false}, {K::Marks, false}, {K::Record, false}, {K::Together, false},
          {K::Fixed, false}, {K::Flags, false}, {K::Mixing, false}},
         nullptr},
        {"a record entry in one class comes first, the held one stays in its place", kAlternating, {},
         {{{2, 5}, u8("生徒2・生徒5")}, {{1, 3}, u8("生徒1・生徒3 保護者要望")}},
         {{K::Record, true}, {K::HeadCounts, false}, {K::Bands, false}, {K::Record, false}},
         "１組に 生徒1・生徒3"},
        {"a record entry of three with two in one class", kAlternating, {}, {{{1, 2, 5}, u8("三人")}},
         {{K::Record, true}, {K::HeadCounts, false}, {K::Bands, false}}, "１組に 生徒1・生徒5"},
        {"a mark shared in a class, another apart", kAlternating,
         [](SpreadRules& r) {
             r.cells[RuleBox::Marks][1] = r.cells[RuleBox::Marks][6] = u8("C");
             r.cells[RuleBox::Marks][2] = r.cells[RuleBox::Marks][4] = u8("B");
         },
         {}, {{K::Marks, true}, {K::HeadCounts, false}, {K::Bands, false}, {K::Marks, false}}, "２組に 生徒2・生徒4"},
        {"a together set split", kAlternating, [](SpreadRules& r) { r.cells[RuleBox::Together][1] = r.cells[RuleBox::Together][2] = u8("Y"); }, {},
         {{K::Together, true}, {K::HeadCounts, false}, {K::Bands, false}}, "生徒1 １組・生徒2 ２組"},
        {"fixed classes kept, missed and unreadable", kAlternating,
         [](SpreadRules& r) {
             r.cells[RuleBox::Fixed][1] = u8("1");
             r.cells[RuleBox::Fixed][2] = u8("1組");
             r.cells[RuleBox::Fixed][3] = u8("三組");
         },
         {}, {{K::Fixed, true}, {K::Fixed, true}, {K::HeadCounts, false}, {K::Bands, false}, {K::Fixed, false}},
         "１組の指定、いま ２組"},
        {"a flag column over its share", kAlternating, [](SpreadRules& r) { r.columns[RuleBox::Flags] = {flag({1, 3})}; }, {},
         {{K::Flags, true}, {K::HeadCounts, false}, {K::Bands, false}}, "１組「○」2人（目安 1.0人）"},
        {"a mixing column over its share", kAlternating,
         [](SpreadRules& r) { r.cells[RuleBox::Mix] = {QString(), u8("a"), u8("b"), u8("a"), u8("b"), u8("a"), u8("b")}; }, {},
         {{K::Mixing, true}, {K::HeadCounts, false}, {K::Bands, false}}, "１組「a」3人（目安 1.5人）"},
        {"head counts off the plan", {1, 1, 2, 1, 1, 2}, {}, {},
         {{K::HeadCounts, true}, {K::Bands, false}}, "１組 4人（条件 3人）・２組 2人（条件 3人）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Year year = sixStudents(c.classes, c.rules, c.record);
        const CheckSheet sheet = checkSheet(year, {});
        std::vector<std::pair<K, bool>> lines;
        for (const CheckLine& line : sheet.lines)
            lines.emplace_back(line.kind, line.broken);
        EXPECT_EQ(lines, c.lines);
        const int broken = int(std::count_if(c.lines.begin(), c.lines.end(), [](const auto& l) { return l.second; }));
        EXPECT_EQ(sheet.broken, broken);
        EXPECT_EQ(sheet.verdict, broken ? u8("このままでは公表できません") : u8("すべての決まりが守られています"));
        if (c.firstDetail) {
            EXPECT_TRUE(sheet.lines.front().detail.contains(u8(c.firstDetail))) << sheet.lines.front().detail.toStdString();
        }
    }
}

TEST(CheckSheet, NamesTheRosterItsFingerprintTheDraftAndTheTime)
{
    testing::TempFolder folder;
    const QString roster = folder.file(u8("名簿.csv"));
    QFile file(roster);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc");
    file.close();
    EXPECT_EQ(rosterFingerprint(roster), u8("SHA-256 ba78 16bf 8f01 cfea")); // SHA-256 of "abc"
    EXPECT_EQ(rosterFingerprint(folder.file(u8("ない.csv"))), u8("（読めません）"));

    const Year year = sixStudents(kAlternating, {}, {});
    const CheckSheet sheet =
        checkSheet(year, {roster, rosterFingerprint(roster), u8("案2"), QDateTime(QDate(2027, 3, 5), QTime(8, 7))});
    ASSERT_EQ(sheet.source.size(), 4);
    EXPECT_TRUE(sheet.source[0].endsWith(u8("名簿.csv")));
    EXPECT_EQ(sheet.source[1], u8("ファイルの指紋: SHA-256 ba78 16bf 8f01 cfea"));
    EXPECT_EQ(sheet.source[2], u8("案: 案2"));
    EXPECT_EQ(sheet.source[3], u8("作成: 2027年3月5日 08:07"));
    ASSERT_FALSE(sheet.figures.isEmpty());
    EXPECT_TRUE(sheet.figures[0].startsWith(u8("平均点の開き")));
}

TEST(RecordBreakQuestion, NamesOnlyTheStudentsSharingAClass)
{
    const struct {
        const char* what;
        std::vector<ApartEntry> record;
        RecordUse use;
        const char* asked; // nullptr: no question
    } cases[] = {
        {"every entry apart", {{{1, 2}, u8("a")}, {{3, 6}, u8("b")}}, RecordUse::SaveResult, nullptr},
        {"no record", {}, RecordUse::PrintPostedLists, nullptr},
        {"a row outside the roster counts nowhere", {{{1, 0, 99}, u8("a")}}, RecordUse::SaveResult, nullptr},
        {"two of three in class 1, before saving", {{{1, 2, 3}, u8("生徒1・生徒2・生徒3 トラブル")}}, RecordUse::SaveResult,
         "離す記録で別のクラスにするはずの生徒が、同じクラスにいます。\n"
         "・１組に 生徒1・生徒3（生徒1・生徒2・生徒3 トラブル）\n"
         "このまま保存しますか？"},
        {"two entries, before printing", {{{4, 2}, u8("x")}, {{5, 1}, u8("y")}}, RecordUse::PrintPostedLists,
         "離す記録で別のクラスにするはずの生徒が、同じクラスにいます。\n"
         "・２組に 生徒2・生徒4（x）\n"
         "・１組に 生徒1・生徒5（y）\n"
         "このまま印刷しますか？"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Year year = sixStudents(kAlternating, {}, c.record);
        const std::optional<Message> question = recordBreakQuestion(year.students(), year.rules(), year.classes(), c.use);
        if (!c.asked) {
            EXPECT_FALSE(question);
            continue;
        }
        ASSERT_TRUE(question);
        EXPECT_EQ(question->text, u8(c.asked));
    }
}

} // namespace
} // namespace classdiv
