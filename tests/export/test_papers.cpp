// The confidential papers' core: the copies and their page numbers, the
// roster's columns as the papers offer them, the cards' order, texts and
// notes, the meeting sheets' chosen columns.

#include "export/PaperColumns.h"
#include "export/PaperHeader.h"
#include "export/RosterSheets.h"
#include "export/StudentCards.h"
#include "export/TextFit.h"

#include "division/drafts/Drafts.h"

#include "support/Years.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace classdiv {
namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

TEST(PaperHeader, EveryPageOfCopyKSaysKAndCountsItsOwnPages)
{
    const QDateTime printed(QDate(2027, 3, 1), QTime(9, 5));
    const struct {
        int copies, pages, printedCopies;
    } cases[] = {{1, 1, 1}, {3, 4, 3}, {2, 13, 2}, {0, 2, 1}, {kMaxCopies + 5, 1, kMaxCopies}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.copies << " copies of " << c.pages);
        const std::vector<PageHeader> headers = pageHeaders({u8("案2"), printed, c.copies}, c.pages);
        ASSERT_EQ(headers.size(), size_t(c.printedCopies * c.pages));
        for (size_t i = 0; i < headers.size(); ++i) {
            const int k = int(i) / c.pages + 1, p = int(i) % c.pages + 1;
            EXPECT_EQ(headers[i].copyNumber, k);
            EXPECT_EQ(headers[i].copy, QStringLiteral("%1部のうち第%2部").arg(c.printedCopies).arg(k));
            EXPECT_EQ(headers[i].page, QStringLiteral("%1 / %2 ページ").arg(p).arg(c.pages));
            EXPECT_EQ(headers[i].draft, u8("案：案2"));
            EXPECT_EQ(headers[i].printed, u8("印刷 2027年3月1日 09:05"));
        }
    }
    EXPECT_EQ(pageHeaders({u8("  "), printed, 1}, 1).front().draft, u8("案：（名前なし）"));
}

TEST(PaperHeader, TheDraftNamedIsTheLatestKeptOneOfTheClassesOnScreen)
{
    const testing::DivisionYear made({{u8("A"), 12, {{1, 6}, {2, 6}}}});
    Year year = made.year();
    DraftBook drafts(year, QString()); // a year of no roster file keeps its drafts in memory only
    const QDateTime now(QDate(2027, 3, 1), QTime(9, 5));
    EXPECT_EQ(draftNameOnScreen(drafts, year), u8("作業中")); // nothing pressed
    ASSERT_TRUE(year.pressNumber(5).drawn);
    EXPECT_EQ(draftNameOnScreen(drafts, year), u8("作業中")); // pressed, not kept
    ASSERT_FALSE(drafts.keep(year, u8("案A"), now));
    ASSERT_FALSE(drafts.keep(year, u8("案B"), now));
    EXPECT_EQ(draftNameOnScreen(drafts, year), u8("案B")); // the same classes kept twice
    ASSERT_TRUE(year.pressNumber(6).drawn);
    ASSERT_NE(year.classes(), drafts.drafts().front().classes);
    EXPECT_EQ(draftNameOnScreen(drafts, year), u8("作業中"));
    ASSERT_FALSE(drafts.keep(year, u8("案C"), now));
    EXPECT_EQ(draftNameOnScreen(drafts, year), u8("案C"));
}

TEST(TextFit, HalfWidthIsHalfAnEmAndTextsAreCutOrWrappedByIt)
{
    EXPECT_EQ(textEms(u8("AB12")), 2.0);
    EXPECT_EQ(textEms(u8("山田　花子")), 5.0);
    EXPECT_EQ(textEms(u8("ﾔﾏﾀﾞ")), 2.0);
    EXPECT_EQ(textEms(u8(" ~｡ﾟ")), 2.0);   // the ends of the half-width ranges
    EXPECT_EQ(textEms(u8("\x7f｠")), 2.0); // and the characters just past them
    EXPECT_EQ(textEms(u8("𠮷")), 1.0); // one character, though two UTF-16 units
    EXPECT_EQ(elidedToEms(u8("あいうえお"), 5), u8("あいうえお"));
    EXPECT_EQ(elidedToEms(u8("あいうえおか"), 5), u8("あいうえ…"));
    EXPECT_EQ(wrappedToEms(u8("あいうえおかき"), 3), (QStringList{u8("あいう"), u8("えおか"), u8("き")}));
    EXPECT_EQ(wrappedToEms(u8("ab\nc"), 3), (QStringList{u8("ab"), u8("c")}));
    EXPECT_DOUBLE_EQ(fittingPoints(u8("あ"), 100, 14, 7), 14);
    EXPECT_DOUBLE_EQ(fittingPoints(QString(40, u'あ'), 14 * kMillimetresPerPoint * 20, 14, 7), 7);
}

// A roster of seven columns: 番号, 旧組, 氏名, グループ, 点数, 別クラス, 備考; the marks column is a rule.
struct Roster {
    Students students;
    SpreadRules rules;
    CurrentCsv csv;
    std::vector<int16_t> classes{0};
};

// A note longer than a card holds at the smallest size.
const char* longNote()
{
    static const std::string note = [] {
        std::string text;
        for (int i = 0; i < 7; ++i)
            text += "アレルギーがあるので給食の時間に気を付けること。";
        return text + "保護者と毎月面談";
    }();
    return note.c_str();
}

Roster roster(const std::vector<std::tuple<int, const char*, const char*, const char*, const char*, const char*, const char*>>& rows)
{
    Roster r;
    r.csv.columnCount = 7;
    r.csv.rows.push_back({u8("番号"), u8("旧組"), u8("氏名"), u8("グループ"), u8("点数"), u8("別クラス"), u8("備考")});
    std::vector<StudentRecord> records;
    r.rules.cells[RuleBox::Marks].push_back(QString());
    int id = 100;
    for (const auto& [newClass, old, name, group, score, mark, note] : rows) {
        const QString number = QString::number(++id);
        r.csv.rows.push_back({number, u8(old), u8(name), u8(group), u8(score), u8(mark), u8(note)});
        records.push_back({number, u8(name), u8(group), u8(score)});
        r.rules.cells[RuleBox::Marks].push_back(u8(mark));
        r.classes.push_back(int16_t(newClass));
    }
    r.students = testing::studentsOf(records, {u8("番号"), u8("氏名"), u8("グループ"), u8("点数")});
    return r;
}

const Roster kRoster = roster({
    {2, "1", "山田　花子", "女", "70", "", ""},
    {1, "10", "佐藤　一郎", "男", "55", "A", "ピアノ"},
    {1, "2", "鈴木　次郎", "男", "90", "", ""},
    {2, "2", "高橋　三郎", "男", "80", "A", ""},
    {1, "", "田中　愛", "女", "60", "", longNote()},
    {1, "1", "伊藤　優", "女", "75", "", ""},
});

TEST(PaperColumns, EveryColumnOfTheRosterKnownForWhatItHolds)
{
    const PaperColumns columns = paperColumns(kRoster.students, kRoster.rules, kRoster.csv);
    ASSERT_FALSE(columns.message);
    EXPECT_EQ(columns.headings(), (QStringList{u8("番号"), u8("旧組"), u8("氏名"), u8("グループ"), u8("点数"), u8("別クラス"), u8("備考")}));
    const PaperColumnKind kinds[] = {PaperColumnKind::Identifier, PaperColumnKind::Other, PaperColumnKind::Name,
                                     PaperColumnKind::Group,      PaperColumnKind::Score, PaperColumnKind::Rule,
                                     PaperColumnKind::Other};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(columns.columns[size_t(c)].kind, kinds[c]) << c;
    EXPECT_TRUE(columns.columns[4].score);
    EXPECT_EQ(defaultCardColumns(columns), (std::vector<int>{0, 2, 3, 5}));
    EXPECT_EQ(defaultSheetColumns(columns), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_TRUE(alwaysOnCard(columns, 0) && alwaysOnCard(columns, 2) && !alwaysOnCard(columns, 3));

    // A roster file that no longer reads: the year's own columns and the rules', with the message.
    CurrentCsv gone;
    gone.message = Message{u8("x"), QString()};
    const PaperColumns own = paperColumns(kRoster.students, kRoster.rules, gone);
    EXPECT_EQ(own.message, (Message{kOwnColumnsMessage, QString()}));
    EXPECT_EQ(own.headings(), (QStringList{u8("番号"), u8("氏名"), u8("グループ"), u8("点数"), u8("別クラス印")}));
    EXPECT_EQ(own.cell(4, 2), u8("A"));
    EXPECT_EQ(defaultCardColumns(own), (std::vector<int>{0, 1, 2, 4}));
}

TEST(StudentCards, OrderByNewClassGroupAndScoreOrByTheColourColumn)
{
    const PaperColumns columns = paperColumns(kRoster.students, kRoster.rules, kRoster.csv);
    const QStringList groups{u8("男"), u8("女")};
    CardChoice choice{defaultCardColumns(columns), 1, CardOrder::NewClass};
    EXPECT_EQ(cardRows(kRoster.students, kRoster.classes, groups, columns, choice), (std::vector<int>{3, 2, 6, 5, 4, 1}));
    choice.order = CardOrder::OldClass; // 1, 1, 2, 2, 10, then the blank; within a value by class, group, score
    EXPECT_EQ(cardRows(kRoster.students, kRoster.classes, groups, columns, choice), (std::vector<int>{6, 1, 3, 4, 2, 5}));
    choice.colour = -1; // no colour column: the old class is unknown, the first order stands
    EXPECT_EQ(cardRows(kRoster.students, kRoster.classes, groups, columns, choice), (std::vector<int>{3, 2, 6, 5, 4, 1}));
}

TEST(StudentCards, EachStudentOnceInPagesOfSixteenAClassAPage)
{
    std::vector<testing::Placed> placed;
    for (int r = 1; r <= 37; ++r)
        placed.push_back({r <= 20 ? 1 : 3, {QString::number(r), QStringLiteral("生徒%1").arg(r), "G", QString::number(r)}});
    const testing::PlacedYear year = testing::placedYear(placed);
    CurrentCsv none;
    none.message = Message{};
    const PaperColumns columns = paperColumns(year.students, {}, none);
    const CardSheets sheets = studentCards(year.students, year.classes, scoreBands(year.students), {"G"}, columns,
                                           {defaultCardColumns(columns), -1, CardOrder::NewClass});
    std::vector<std::pair<QString, size_t>> pages;
    std::multiset<int> rows;
    for (const CardPage& page : sheets.pages) {
        pages.push_back({page.title, page.cards.size()});
        for (const StudentCard& card : page.cards) {
            rows.insert(card.row);
            EXPECT_EQ(card.newClass, page.title);
            EXPECT_GE(card.band, 1);
            EXPECT_EQ(card.bandMark, QString(QChar(u'①' + card.band - 1)));
        }
    }
    EXPECT_EQ(pages, (std::vector<std::pair<QString, size_t>>{{u8("１組"), 16}, {u8("１組"), 4}, {u8("３組"), 16}, {u8("３組"), 1}}));
    EXPECT_EQ(rows.size(), 37u);
    EXPECT_EQ(std::set<int>(rows.begin(), rows.end()).size(), 37u);
    EXPECT_TRUE(sheets.notes.empty() && sheets.notePages.empty());
}

TEST(StudentCards, ChosenColumnsOnlyAndLongTextsListedWhole)
{
    const PaperColumns columns = paperColumns(kRoster.students, kRoster.rules, kRoster.csv);
    const CardSheets sheets = studentCards(kRoster.students, kRoster.classes, scoreBands(kRoster.students), {},
                                           columns, {{0, 2, 3, 5, 6}, 1, CardOrder::NewClass});
    std::map<int, StudentCard> cards;
    for (const CardPage& page : sheets.pages)
        for (const StudentCard& card : page.cards)
            cards[card.row] = card;
    ASSERT_EQ(cards.size(), 6u);
    for (const auto& [row, card] : cards)
        for (const QString& line : card.fields)
            EXPECT_FALSE(line.contains(u8("点数"))) << qPrintable(line); // the score is not chosen
    EXPECT_EQ(cards[2].fields, (QStringList{u8("別クラス：A　備考：ピアノ")}));
    EXPECT_EQ(cards[2].heading.text, u8("102　男"));
    EXPECT_EQ(cards[2].colourValue, u8("10"));
    EXPECT_EQ(cards[2].colour, 2); // 1, 2, 10
    EXPECT_EQ(cards[5].colour, -1); // a blank old class has no colour
    EXPECT_TRUE(cards[1].fields.isEmpty());

    // The long note: cut with 「…」 on the card, listed whole after the cards.
    ASSERT_EQ(sheets.notes.size(), 1u);
    EXPECT_EQ(sheets.notes[0].heading, u8("備考"));
    EXPECT_EQ(sheets.notes[0].text, kRoster.csv.rows[5][6]);
    EXPECT_TRUE(sheets.notes[0].who.contains(u8("田中　愛")));
    ASSERT_FALSE(cards[5].fields.isEmpty());
    EXPECT_EQ(cards[5].fieldPoints, 5.5);
    EXPECT_TRUE(cards[5].fields.back().endsWith(u8("…")));
    EXPECT_LE(textWidth(cards[5].fields.back(), cards[5].fieldPoints), CardGeometry::textWidth + 1e-9);
    ASSERT_EQ(sheets.notePages.size(), 1u);
    EXPECT_EQ(sheets.notePages[0].join(QString()).remove(u8("　")).count(u8("保護者と毎月面談")), 1);
}

TEST(StudentCards, NamesShrinkThenNarrowFieldsShrinkThenAreCut)
{
    // Fields: all fit at the largest size, then at a smaller one, then only cut.
    const double w = CardGeometry::textWidth, h = CardGeometry::fieldsHeight;
    const FieldLayout small = layOutFields({u8("リーダー：○"), u8("部活：野球")}, w, h);
    EXPECT_EQ(small.points, 7.5);
    EXPECT_EQ(small.lines.size(), 1);
    EXPECT_TRUE(small.cut.empty());
    const QString longer = QString(30, u'あ');
    const FieldLayout shrunk = layOutFields({longer, longer, longer, longer}, w, h); // a line each; 3 lines at 7.5 points
    EXPECT_EQ(shrunk.points, 6.5);
    EXPECT_TRUE(shrunk.cut.empty());
    EXPECT_EQ(shrunk.lines, (QStringList{longer, longer, longer, longer}));
    const FieldLayout wrapped = layOutFields({QString(50, u'あ')}, w, h); // runs on over a second line
    EXPECT_EQ(wrapped.points, 7.5);
    EXPECT_EQ(wrapped.lines.join(QString()), QString(50, u'あ'));
    EXPECT_TRUE(wrapped.cut.empty());
    const FieldLayout cut = layOutFields({QString(200, u'あ'), u8("ピアノ：○"), QString(60, u'い'), QString(60, u'う'), QString(60, u'え')}, w, h);
    EXPECT_EQ(cut.points, 5.5);
    EXPECT_EQ(cut.cut, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(cut.lines.back().endsWith(u8("…")));
    for (const QString& line : cut.lines)
        EXPECT_LE(textWidth(line, cut.points), w + 1e-9);

    // A long name is set smaller and narrower, whole.
    Roster one = roster({{1, "1", "寿限無寿限無五劫の擦り切れ海砂利水魚の水行末雲来末風来末食う寝る処に住む処やぶら小路の藪柑子", "男", "50", "", ""}});
    const PaperColumns columns = paperColumns(one.students, one.rules, one.csv);
    const StudentCard card = studentCards(one.students, one.classes, scoreBands(one.students), {}, columns, {})
                                 .pages.front().cards.front();
    EXPECT_EQ(card.name.text, one.students[1].name);
    EXPECT_EQ(card.name.points, 7);
    EXPECT_LT(card.name.stretch, 100);
    EXPECT_LE(textWidth(card.name.text, card.name.points) * card.name.stretch / 100, CardGeometry::textWidth + 1e-9);
}

TEST(MeetingSheets, OnlyTheChosenColumnsAndNoAveragesWithoutTheScore)
{
    const PaperColumns columns = paperColumns(kRoster.students, kRoster.rules, kRoster.csv);
    DistributionTable distribution;
    fillDistributionTable(kRoster.students, scoreBands(kRoster.students), kRoster.classes, distribution);
    for (const bool withScore : {true, false}) {
        const std::vector<int> chosen = withScore ? std::vector<int>{2, 4, 6} : std::vector<int>{2, 6};
        const auto sheets = meetingSheets(kRoster.students, kRoster.classes, distribution, columns, chosen, RosterOrder::File);
        ASSERT_EQ(sheets.size(), 2u);
        EXPECT_EQ(sheets[0].headings, withScore ? (QStringList{"No.", u8("氏名"), u8("点数"), u8("備考")})
                                                : (QStringList{"No.", u8("氏名"), u8("備考")}));
        EXPECT_EQ(sheets[0].rows[0], withScore ? (QStringList{"1", u8("佐藤　一郎"), "55", u8("ピアノ")})
                                               : (QStringList{"1", u8("佐藤　一郎"), u8("ピアノ")}));
        EXPECT_EQ(sheets[0].figures.contains(u8("平均")), withScore);
        EXPECT_TRUE(sheets[0].figures.startsWith(u8("4人")));
        double width = 0;
        for (double w : sheets[0].widths)
            width += w;
        EXPECT_LE(width, SheetGeometry::lineWidth + 1e-9);
        EXPECT_EQ(sheets[0].numeric.size(), size_t(sheets[0].headings.size()));
    }
}

} // namespace
} // namespace classdiv
