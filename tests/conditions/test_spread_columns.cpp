#include "conditions/SpreadColumns.h"
#include "conditions/ScoreCells.h"

#include "import/ImportActions.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"
#include "files/YearFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;
using testing::readBytes;
using testing::writeBytes;

// The columns of each box in the boxes' order, the boxes after the last given unset.
SpreadChoice choiceOf(std::initializer_list<std::vector<int16_t>> boxes)
{
    SpreadChoice choice;
    std::copy(boxes.begin(), boxes.end(), choice.begin());
    return choice;
}

// Five columns; rows 1..4 of the students.
const QString kYear = u"番号,旧組,氏名,グループ,点数\r\n11,1,山田,音,70\r\n12,2,佐藤,音,60\r\n"
                      u"13,1,鈴木,美,50\r\n14,2,田中,\"美\",40\r\n"_s;

// The year imported through preview and ReadColumns (identifier, name, group, score).
struct Imported {
    testing::TempFolder folder;
    std::unique_ptr<StudentTable> table = std::make_unique<StudentTable>();
    QString csv() const { return folder.file(u"nen1.csv"_s); }
    YearFiles files() const { return YearFiles(csv()); }
    QByteArray stored() const { return readBytes(files().rulesPath()); }
    Students students() const { return typedStudents(*table); }
    explicit Imported(const QString& text = kYear, const ReadColumnsInput& boxes = {"5", "1", "3", "4", "5"})
    {
        ImportWindowState state;
        EXPECT_TRUE(writeBytes(csv(), testing::cp932(text)));
        EXPECT_FALSE(preview({folder.path(), folder.path(), u"nen1.csv"_s, u"nen1.csv"_s}, state, *table).message);
        EXPECT_FALSE(readColumns(boxes, state, *table).message);
    }
};

TEST(SpreadFile, ReadsOnlyWhatItWrites)
{
    const SpreadChoice all = choiceOf({{1}, {2}, {3}, {4}, {5, 32767, 6, 7}});
    for (const SpreadChoice& choice : {SpreadChoice{}, choiceOf({{8}, {2}}), choiceOf({{}, {32767}}), choiceOf({{10}}),
                                       choiceOf({{}, {}, {9}}), choiceOf({{}, {}, {}, {}, {11}}), all})
        EXPECT_EQ(parseSpreadFile(formatSpreadFile(choice)), choice) << formatSpreadFile(choice).toStdString();
    EXPECT_EQ(formatSpreadFile(choiceOf({{8}})), "8\r\n\r\n"); // as earlier versions wrote it, while the later rules are unused
    EXPECT_EQ(formatSpreadFile(choiceOf({{8}, {2}, {}, {10}, {11, 12}})), "8\r\n2\r\n\r\n10\r\n11,12\r\n");
    EXPECT_EQ(parseSpreadFile("\r\n12\r\n\r\n\r\n\r\n"), choiceOf({{}, {12}})); // the later rules all unused
    for (const char* damaged : {"", "8\r\n", "8\r\n2", "8\n2\n", "8\r\n2\r\n\r\n", "08\r\n\r\n", "-1\r\n\r\n",
                                " 8\r\n\r\n", "32768\r\n\r\n", "8a\r\n\r\n", "\xEF\xBB\xBF" "8\r\n\r\n", "\xEF\xBC\x98\r\n\r\n",
                                "1\r\n2\r\n3\r\n4\r\n", "1\r\n2\r\n3\r\n4\r\n5,,6\r\n", "1\r\n2\r\n3\r\n4\r\n5,6,7,8,9\r\n",
                                "1\r\n2\r\n3\r\n4\r\n5 ,6\r\n"})
        EXPECT_EQ(parseSpreadFile(QByteArray(damaged)), std::nullopt) << damaged;
}

// What OK stores, the dialog shows again and the window's next load applies.
TEST(SpreadColumns, AcceptReadsTheChosenColumnsAndStoresTheChoiceForTheDialogAndTheNextLoad)
{
    const std::vector<QString> none, names{{}, "山田", "佐藤", "鈴木", "田中"}, oldClasses{{}, "1", "2", "1", "2"},
                                     groups{{}, "音", "音", "美", "美"}, ids{{}, "11", "12", "13", "14"},
                                     scores{{}, "70", "60", "50", "40"};
    const QString bad = u"「%1」には、1から5までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。"_s;
    const QString badMarks = bad.arg(u"別のクラスにする印の列"_s), badMix = bad.arg(u"均等に混ぜる列"_s);
    const QString badFlags = u"「均等に散らす列」には、1から5までの列の番号を半角の数字で、コンマで区切って4つまで入力してください。\n"
                             u"使わないときは空欄にします。"_s;
    // The flag columns of the one case that sets them: 3 and 1.
    const auto withFlags = [&](SpreadRules read) {
        read.columns[RuleBox::Flags] = {{u"氏名"_s, names}, {u"番号"_s, ids}};
        return read;
    };
    const struct {
        RuleTexts boxes;
        QByteArray stored; // empty: refused, nothing written
        SpreadRules read;
        QString refusal = {};
        std::optional<RuleBox> focus = {};
    } cases[] = {
        {{"3", "2"}, "3\r\n2\r\n", {names, oldClasses}},
        {{"4", " "}, "4\r\n\r\n", {groups}},
        {{}, "\r\n\r\n", {}},
        {{"", "1"}, "\r\n1\r\n", {none, ids}},
        {{"", "5"}, "\r\n5\r\n", {none, scores}}, // the CSV's last column
        {{"", "", "4", "2", u"3、 1"_s}, "\r\n\r\n4\r\n2\r\n3,1\r\n", withFlags({none, none, groups, oldClasses})},
        {{"", "6"}, {}, {}, badMix, RuleBox::Mix},
        {{"0", ""}, {}, {}, badMarks, RuleBox::Marks},
        {{u"５"_s, ""}, {}, {}, badMarks, RuleBox::Marks},
        {{"", u"旧組"_s}, {}, {}, badMix, RuleBox::Mix},
        {{"", "", "", "", "1,2,3,4,5"}, {}, {}, badFlags, RuleBox::Flags},
        {{"", "", "", "", "1,9"}, {}, {}, badFlags, RuleBox::Flags},
        {{"2", "2"}, {}, {}, u"「別のクラスにする印の列」と「均等に混ぜる列」に同じ列は指定できません。別の列を入力してください。"_s, RuleBox::Mix},
        {{"", "", "4", "", "1,4"}, {}, {}, u"「同じクラスにする印の列」と「均等に散らす列」に同じ列は指定できません。別の列を入力してください。"_s, RuleBox::Flags},
        {{"", "", "", "", "3,3"}, {}, {}, u"「均等に散らす列」に同じ列（3列目）が2回入力されています。別の列を入力してください。"_s, RuleBox::Flags},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(QStringList(c.boxes.begin(), c.boxes.end()).join(u'|')));
        Imported year;
        const SpreadAcceptOutcome outcome = year.files().acceptRules(year.students(), c.boxes);
        EXPECT_EQ(year.stored(), c.stored);
        EXPECT_EQ(outcome.message ? outcome.message->text : QString(), c.refusal);
        EXPECT_EQ(outcome.focus, c.focus);
        EXPECT_EQ(outcome.rules, c.stored.isEmpty() ? std::nullopt : std::optional(c.read));
        EXPECT_EQ(storedSpreadRules(year.students(), year.files().readRules()), outcome.rules.value_or(SpreadRules{}));
        const SpreadDialogView view = year.files().openRules(year.students());
        const RuleTexts shown{c.boxes[RuleBox::Marks].trimmed(), c.boxes[RuleBox::Mix].trimmed(), c.boxes[RuleBox::Together],
                              c.boxes[RuleBox::Fixed], c.boxes[RuleBox::Flags].isEmpty() ? QString() : u"3,1"_s};
        EXPECT_EQ(view.texts, c.stored.isEmpty() ? RuleTexts{} : shown);
        EXPECT_EQ(view.columnsHint, u"1\u00A0番号　2\u00A0旧組　3\u00A0氏名　4\u00A0グループ　5\u00A0点数"_s);
    }
    // A damaged file, or one naming a column the CSV lacks: said when the dialog opens, never applied.
    for (const QByteArray ignored : {"3\r\n9\r\n", "3,2\r\n", "\r\n\r\n\r\n\r\n2,7\r\n"}) {
        Imported stale;
        ASSERT_TRUE(writeBytes(stale.files().rulesPath(), ignored));
        const SpreadDialogView view = stale.files().openRules(stale.students());
        EXPECT_TRUE(view.message && view.texts == RuleTexts{}) << ignored.toStdString();
        EXPECT_EQ(storedSpreadRules(stale.students(), stale.files().readRules()), SpreadRules{});
    }
    if (!testing::FullDisk::kAvailable)
        return;
    Imported year;
    ASSERT_TRUE(writeBytes(year.files().rulesPath(), "1\r\n2\r\n"));
    const testing::FullDisk full(3);
    EXPECT_EQ(year.files().acceptRules(year.students(), RuleTexts{"3", {}, {}, {}, {}}).message->title, titles::error);
    EXPECT_EQ(year.stored(), "1\r\n2\r\n") << "a failed write keeps the earlier choice";
}

// Every box of the table, alone and full: its columns on its own line of the
// file and nowhere else, read back into the box, shown again in it, and read
// from the CSV into the place its shape gives.
TEST(SpreadColumns, EveryBoxOfTheTableRoundTripsThroughTheFileAndTheDialog)
{
    const std::vector<int16_t> numeric{1, 2, 5, 3, 4}; // the numbers' columns first
    for (const RuleKindRow& row : ruleKinds()) {
        if (!row.box)
            continue;
        const RuleBox box = *row.box;
        SCOPED_TRACE(row.label.toStdString());
        const std::vector<int16_t> columns(numeric.begin(), numeric.begin() + row.shape.most);
        SpreadChoice choice;
        choice[box] = columns;
        const QList<QByteArray> lines = formatSpreadFile(choice).split('\n');
        ASSERT_GE(lines.size(), row.fileLine + 1);
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            EXPECT_EQ(lines[i], i + 1 == row.fileLine ? columnsText(columns).toLatin1() + '\r' : QByteArray("\r")) << i;
        EXPECT_EQ(parseSpreadFile(formatSpreadFile(choice)), choice);

        Imported year;
        RuleTexts texts;
        texts[box] = columnsText(columns).replace(u',', u"、"_s);
        const SpreadAcceptOutcome outcome = year.files().acceptRules(year.students(), texts);
        ASSERT_TRUE(outcome.rules) << (outcome.message ? outcome.message->text.toStdString() : "");
        EXPECT_EQ(outcome.choice, choice);
        EXPECT_EQ(year.stored(), formatSpreadFile(choice));
        const SpreadDialogView view = year.files().openRules(year.students());
        EXPECT_EQ(view.texts[box], columnsText(columns));
        const size_t read = row.shape.cells == CellsAs::Numbers ? outcome.rules->numbers[box].size()
                            : row.shape.most > 1               ? outcome.rules->columns[box].size()
                                                               : size_t(!outcome.rules->cells[box].empty());
        EXPECT_EQ(read, columns.size());
        EXPECT_TRUE(outcome.rules->any());

        // A column the CSV lacks is refused, with the focus on the box.
        texts[box] = u"9"_s;
        EXPECT_EQ(year.files().acceptRules(year.students(), texts).focus, box);
    }
}

// The roster is read once: the rule columns are taken from the rows the
// import read, whatever became of the file since.
TEST(SpreadColumns, TakeTheRowsTheImportReadWhateverBecameOfTheFileSince)
{
    const struct {
        const char* name;
        QByteArray now; // empty: removed
    } cases[] = {
        {"a column added at the end", testing::cp932(QString(kYear).replace(u"\r\n"_s, u",A\r\n"_s))},
        {"a student added", testing::cp932(kYear + u"15,1,森,書,30\r\n"_s)},
        {"rows sorted otherwise", testing::cp932(QString(kYear).replace(u"11,1,山田,音,70\r\n12,2,佐藤,音,60"_s,
                                                                        u"12,2,佐藤,音,60\r\n11,1,山田,音,70"_s))},
        {"saved as UTF-8", QByteArray("\xEF\xBB\xBF") + kYear.toUtf8()},
        {"removed", {}},
    };
    for (const auto& c : cases) {
        Imported year;
        const std::vector<QString> mixing = columnOf(readCurrentCsv(year.students()), 2);
        ASSERT_TRUE(c.now.isEmpty() ? QFile::remove(year.csv()) : writeBytes(year.csv(), c.now));
        const CurrentCsv csv = readCurrentCsv(year.students());
        EXPECT_EQ(csv.message, std::nullopt) << c.name;
        EXPECT_EQ(csv.rows.size(), 5u) << c.name;
        EXPECT_EQ(columnOf(csv, 2), mixing) << c.name;
        EXPECT_TRUE(year.files().acceptRules(year.students(), RuleTexts{"2", {}, {}, {}, {}}).rules.has_value()) << c.name;
    }
    // Fields that run on past the last line's row, unchanged since they were read: still the same students.
    Imported drifting(u"a,b\r\n1,2\r\n3,4\r\n5,6\r\n7,8,9,10\r\n"_s, {"2", "1", "2", "1", "2"});
    EXPECT_EQ(readCurrentCsv(drifting.students()).message, std::nullopt);
}

} // namespace
} // namespace classdiv

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

// The score columns evened beside the main one: a sixth line of the file,
// typed numbers with blanks left out, and a column of too few numbers refused.
TEST(ScoreColumnsFile, SixthLineRoundTripsAndEarlierFilesReadAsBefore)
{
    const SpreadChoice scores = choiceOf({{}, {}, {}, {}, {}, {10, 8}});
    const SpreadChoice every = choiceOf({{1}, {2}, {3}, {4}, {5, 6}, {32767, 7, 9}});
    EXPECT_EQ(formatSpreadFile(scores), "\r\n\r\n\r\n\r\n\r\n10,8\r\n");
    for (const SpreadChoice& choice : {scores, every})
        EXPECT_EQ(parseSpreadFile(formatSpreadFile(choice)), choice);
    EXPECT_EQ(parseSpreadFile("8\r\n2\r\n\r\n\r\n\r\n\r\n"), choiceOf({{8}, {2}})); // an empty sixth line sets nothing
    EXPECT_EQ(formatSpreadFile(choiceOf({{8}, {2}})), "8\r\n2\r\n") << "no score column: the file of before";
    for (const char* damaged : {"\r\n\r\n\r\n\r\n\r\n1,2,3,4\r\n", "\r\n\r\n\r\n\r\n\r\n1,,2\r\n", "\r\n\r\n\r\n\r\n\r\n1\r\n\r\n",
                                "\r\n\r\n\r\n\r\n\r\n07\r\n"})
        EXPECT_EQ(parseSpreadFile(QByteArray(damaged)), std::nullopt) << damaged;
}

TEST(ScoreColumns, CellsHoldANumberOnlyWhereTheMainScoreWouldReadOne)
{
    const struct {
        QString cell;
        std::optional<double> value;
    } cases[] = {
        {u"8.4"_s, 8.4},   {u" 7 .9 "_s, 7.9}, {u"-3"_s, -3.0},  {u".5"_s, 0.5},   {u"85点"_s, 85.0},
        {u"&H10"_s, 16.0}, {u"1E2"_s, 100.0},  {u""_s, {}},      {u"欠席"_s, {}},  {u"-"_s, {}},
        {u"－"_s, {}},     {u"８．５"_s, {}},   {u"&H"_s, {}},    {u"+."_s, {}},    {u"abc"_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scoreCellValue(c.cell), c.value) << qPrintable(c.cell);
}

TEST(ScoreColumns, DialogTakesColumnsWithNumbersAndRefusesOneWithFewerThanHalf)
{
    // Column 6: a 50 m time, one student absent; column 7: mostly blank; column 8: full-width digits;
    // column 9: numbers for exactly half the students, which is enough.
    const QString year = u"番号,旧組,氏名,グループ,点数,50m走,英語,数学,理科\r\n11,1,山田,音,70,8.1,,８０,\r\n"
                         u"12,2,佐藤,音,60,欠席,55,７０,61\r\n13,1,鈴木,美,50,7.5,,60,\r\n14,2,田中,美,40,9.0,,５０,43\r\n"_s;
    const auto boxes = [](const QString& scores) {
        RuleTexts texts;
        texts[RuleBox::Scores] = scores;
        return texts;
    };
    {
        Imported taken(year, {"9", "1", "3", "4", "5"});
        const SpreadAcceptOutcome outcome = taken.files().acceptRules(taken.students(), boxes(u"6,9"_s));
        ASSERT_TRUE(outcome.rules);
        ASSERT_EQ(outcome.rules->numbers[RuleBox::Scores].size(), 2u);
        const ScoreColumn& time = outcome.rules->numbers[RuleBox::Scores][0];
        EXPECT_EQ(time.name, u"50m走"_s);
        EXPECT_EQ(time.values, (std::vector<std::optional<double>>{{}, 8.1, {}, 7.5, 9.0}));
        EXPECT_EQ(outcome.rules->numbers[RuleBox::Scores][1].values, (std::vector<std::optional<double>>{{}, {}, 61, {}, 43}));
        EXPECT_EQ(taken.stored(), "\r\n\r\n\r\n\r\n\r\n6,9\r\n");
        EXPECT_EQ(storedSpreadRules(taken.students(), taken.files().readRules()), *outcome.rules);
        EXPECT_EQ(taken.files().openRules(taken.students()).texts[RuleBox::Scores], u"6,9"_s);
    }
    const struct {
        QString box;
        QString refusalStart;
    } refused[] = {
        {u"6,7"_s, u"「ほかにそろえる点数の列」の7列目「英語」は、数の入っている生徒が4人中1人で"_s},
        {u"8"_s, u"「ほかにそろえる点数の列」の8列目「数学」は、数の入っている生徒が4人中1人で"_s},
        {u"6,7,8,5"_s, u"「ほかにそろえる点数の列」には、1から9までの列の番号を半角の数字で、コンマで区切って3つまで"_s},
        {u"6,6"_s, u"「ほかにそろえる点数の列」に同じ列（6列目）が2回入力されています。"_s},
    };
    for (const auto& r : refused) {
        Imported kept(year, {"9", "1", "3", "4", "5"});
        const SpreadAcceptOutcome outcome = kept.files().acceptRules(kept.students(), boxes(r.box));
        ASSERT_TRUE(outcome.message) << qPrintable(r.box);
        EXPECT_TRUE(outcome.message->text.startsWith(r.refusalStart)) << qPrintable(outcome.message->text);
        EXPECT_EQ(outcome.focus, RuleBox::Scores);
        EXPECT_FALSE(QFile::exists(kept.files().rulesPath())) << "nothing written";
    }
}

// A chosen column the CSV does not have (a choice kept from a wider file) sets no rule; the last column does.
TEST(SpreadColumns, RulesTakeOnlyTheColumnsTheCsvHas)
{
    CurrentCsv csv;
    csv.columnCount = 3;
    csv.rows = {{u"番号"_s, u"部活"_s, u"英語"_s}, {u"1"_s, u"野球"_s, u"70"_s}, {u"2"_s, u""_s, u"65"_s}};
    const struct {
        std::vector<int16_t> flags, scores;
        std::vector<QString> flagNames, scoreNames;
    } cases[] = {
        {{2}, {3}, {u"部活"_s}, {u"英語"_s}},
        {{3, 4}, {2, 4}, {u"英語"_s}, {u"部活"_s}},
        {{40}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        const SpreadRules rules = spreadRulesFrom(csv, choiceOf({{}, {}, {}, {}, c.flags, c.scores}));
        std::vector<QString> flagNames, scoreNames;
        for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
            flagNames.push_back(flag.name);
        for (const ScoreColumn& score : rules.numbers[RuleBox::Scores])
            scoreNames.push_back(score.name);
        EXPECT_EQ(flagNames, c.flagNames);
        EXPECT_EQ(scoreNames, c.scoreNames);
    }
    const SpreadRules last = spreadRulesFrom(csv, choiceOf({{}, {}, {}, {}, {}, {3}}));
    ASSERT_EQ(last.numbers[RuleBox::Scores].size(), 1u);
    EXPECT_EQ(last.numbers[RuleBox::Scores][0].values, (std::vector<std::optional<double>>{std::nullopt, 70, 65}));
}

} // namespace
} // namespace classdiv
