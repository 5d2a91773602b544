// Drafts: kept, written, read back and opened on random years; draw numbers
// pressed again; result files read back; damaged and half-written drafts
// files. A changed roster: tests/division/test_roster_changes.cpp.

#include "support/TestFiles.h"
#include "support/DraftsVersions.h"
#include "support/Years.h"

#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"
#include "export/ResultFile.h"
#include "export/ResultRead.h"
#include "export/ResultWorkbook.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <functional>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::TempFolder;

const QDateTime kNoon(QDate(2027, 2, 15), QTime(12, 0, 0));

// A press of the year's own number, then `swaps` hand swaps between random students of one group.
bool pressAndSwap(Year& year, uint32_t number, int swaps, testing::YearNumbers& numbers)
{
    if (!year.pressNumber(number).drawn)
        return false;
    for (int tries = 0; year.swaps().count() < swaps && tries < 1000; ++tries)
        year.swap(1 + numbers.below(year.students().count()), 1 + numbers.below(year.students().count()));
    return true;
}

// The classes at each undo step back to the press.
std::vector<std::vector<int16_t>> undoSteps(Year year)
{
    std::vector<std::vector<int16_t>> steps{year.classes()};
    while (year.undoSwap())
        steps.push_back(year.classes());
    return steps;
}

TEST(Drafts, KeptWrittenReadBackAndOpenedGiveTheSameClassesUndoStepsAndResultFile)
{
    int years = 0;
    for (uint64_t seed = 1; seed <= 60 && years < 25; ++seed) {
        SCOPED_TRACE(seed);
        const DivisionYear made = testing::randomYear(seed);
        Year year = made.year();
        testing::YearNumbers numbers(seed);
        const uint32_t number = 1 + numbers.next() % kLargestDrawNumber;
        if (!pressAndSwap(year, number, static_cast<int>(seed % 4), numbers))
            continue; // a plan the table cannot hold (classes 11, 12)
        ++years;
        TempFolder folder;
        const QString path = folder.file("draftsAN.TXT");
        const auto kept = formatResultFile(year.students(), year.classes(), year.distribution());
        {
            DraftBook book = loadDraftBook(year, path);
            ASSERT_FALSE(book.keep(year, QStringLiteral("案A"), kNoon));
            book.markChanged();
            ASSERT_FALSE(saveDraftBook(book, year, kNoon));
        }
        const std::vector<std::vector<int16_t>> steps = undoSteps(year);

        Year later = made.year(); // another run: nothing pressed yet
        DraftBook book = loadDraftBook(later, path);
        const std::optional<Message> message = book.takeReadMessage();
        EXPECT_FALSE(message) << message->text.toStdString();
        ASSERT_EQ(book.rowCount(), 2); // 案A and 「作業中」
        EXPECT_EQ(book.row(0).name, QStringLiteral("案A"));
        EXPECT_EQ(book.row(0).kept, kNoon);
        EXPECT_EQ(book.row(0).drawNumber, number);
        EXPECT_EQ(book.row(1).classes, year.classes());
        ASSERT_FALSE(book.open(0, later));
        EXPECT_EQ(undoSteps(later), steps);
        EXPECT_EQ(formatResultFile(later.students(), later.classes(), later.distribution()).bytes, kept.bytes);

        // The number pressed again gives the press's classes, before any swap.
        Year again = made.year();
        ASSERT_TRUE(again.pressNumber(number).drawn);
        EXPECT_EQ(again.classes(), steps.back());
    }
    EXPECT_GE(years, 10);
}

TEST(Drafts, ADrawNumberGivesTheSameClassesOnEveryPlatform)
{
    // Written down once: a build whose numbers differ (another platform, a
    // library's distribution) would draw other classes from these numbers.
    DivisionYear made({{"A", 9, {{1, 3}, {2, 3}, {3, 3}}}, {"B", 6, {{2, 2}, {3, 4}}}});
    const std::vector<std::pair<uint32_t, std::vector<int16_t>>> cases = {
        {1, {0, 2, 3, 3, 2, 1, 3, 2, 3, 1, 2, 3, 3, 2, 3, 1}},
        {123456789, {0, 2, 3, 3, 2, 1, 3, 3, 3, 1, 2, 2, 3, 3, 1, 2}},
        {kLargestDrawNumber, {0, 1, 3, 3, 2, 2, 3, 1, 3, 2, 2, 3, 3, 3, 1, 2}},
    };
    for (const auto& [number, classes] : cases) {
        Year year = made.year();
        ASSERT_TRUE(year.pressNumber(number).drawn);
        EXPECT_EQ(year.classes(), classes) << number;
        EXPECT_EQ(year.drawNumber(), number);
    }
    // A fresh number is three numbers' thousandths, 1 .. kLargestDrawNumber: never 0, which names no draw.
    const std::vector<std::pair<std::vector<float>, uint32_t>> fresh = {
        {{0.0f, 0.5f, 0.99999994f}, 501'000},
        {{0.0f, 0.0f, 0.0f}, 1},
        {{0.99999994f, 0.99999994f, 0.99999994f}, 1},
        {{0.99999994f, 0.99999994f, 0.9985f}, kLargestDrawNumber},
    };
    for (const auto& [numbers, expected] : fresh) {
        testing::ScriptedRandom random(numbers);
        EXPECT_EQ(freshDrawNumber(random), expected);
    }
    // A typed number: digits of either width with blanks around; 0 names no draw.
    const std::vector<std::pair<QString, std::optional<uint32_t>>> typed = {
        {QStringLiteral(" 42　"), 42u}, {QStringLiteral("１２３"), 123u}, {QStringLiteral("999999999"), kLargestDrawNumber},
        {QStringLiteral("0"), std::nullopt}, {QStringLiteral("000"), std::nullopt}, {QStringLiteral("1000000000"), std::nullopt},
        {QStringLiteral("4 2"), std::nullopt}, {QStringLiteral("-1"), std::nullopt}, {QString(), std::nullopt},
    };
    for (const auto& [text, number] : typed)
        EXPECT_EQ(drawNumberFromText(text), number) << qPrintable(text);
}

TEST(Drafts, AResultFileReadBackGivesItsClassesAndEveryRowThatDoesNotMatchIsNamed)
{
    const DivisionYear made({{"A", 30, {{1, 10}, {2, 10}, {3, 10}}}, {"B", 10, {{3, 5}, {4, 5}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(77).drawn);
    TempFolder folder;
    const QString path = folder.file("kekka.csv");
    ASSERT_FALSE(saveResult(year.students(), year.classes(), year.distribution(), path));
    const ResultRows rows = readResultCsvRows(path);
    ASSERT_FALSE(rows.failure);

    const ResultDraftOutcome read = draftFromResultRows(year, rows.rows, QStringLiteral("kekka"));
    ASSERT_TRUE(read.draft);
    EXPECT_EQ(read.draft->classes, year.classes());

    // The result workbook's sheet 全員 holds the same rows, but its identifiers as the roster writes them
    // (1-1), where the CSV writes their numeric value (1).
    const QString book = folder.file("kekka.xlsx");
    ASSERT_FALSE(saveResultWorkbook(year.students(), year.classes(), year.distribution(), RosterOrder::Score, book));
    const ResultRows bookRows = readResultRows(book);
    ASSERT_FALSE(bookRows.failure) << bookRows.failure->text.toStdString();
    ASSERT_EQ(bookRows.rows.size(), 41u);
    EXPECT_EQ(bookRows.rows[1][1], QStringLiteral("1-1"));
    EXPECT_EQ(rows.rows[1][1], QStringLiteral("1"));
    const ResultDraftOutcome fromBook = draftFromResultRows(year, bookRows.rows, QStringLiteral("kekka"));
    ASSERT_TRUE(fromBook.draft);
    EXPECT_EQ(fromBook.draft->classes, year.classes());
    EXPECT_TRUE(readResultRows(folder.file("none.xlsx")).failure);

    struct Case {
        const char* what;
        std::function<void(std::vector<QStringList>&)> edit;
        QStringList named; // lines of the message that must be there
    };
    const std::vector<Case> cases = {
        {"a class of another group", [](auto& r) { r[1][0] = QStringLiteral("4"); },
         {QStringLiteral("2行目 1-1 生徒1: クラス「4」はグループ「A」のクラスではありません")}},
        {"no class", [](auto& r) { r[2][0] = QString(); }, {QStringLiteral("3行目 2-1 生徒2")}},
        {"every row", [](auto& r) { for (size_t i = 1; i <= 40; ++i) r[i][0] = QStringLiteral("9"); },
         {QStringLiteral("21行目"), QStringLiteral("ほか20人")}},
    };
    // A row that is no longer a student's of the roster (the CSV's identifiers
    // repeat, so the name is part of the key): that student stays unplaced.
    const std::vector<Case> unplacing = {
        {"another name", [](auto& r) { r[3][2] = QStringLiteral("別人"); }, {QStringLiteral("3")}},
        {"rows sorted and a name changed", [](auto& r) { std::swap(r[5], r[6]), r[5][2] = QStringLiteral("別人"); },
         {QStringLiteral("6")}},
        {"cut short", [](auto& r) { r.resize(40); }, {QStringLiteral("40")}},
    };
    for (const Case& c : unplacing) {
        SCOPED_TRACE(c.what);
        std::vector<QStringList> edited = rows.rows;
        c.edit(edited);
        const ResultDraftOutcome outcome = draftFromResultRows(year, edited, QStringLiteral("kekka"));
        ASSERT_TRUE(outcome.draft);
        std::vector<int16_t> expected = year.classes();
        expected[size_t(c.named[0].toInt())] = kUnplacedClass;
        EXPECT_EQ(outcome.draft->classes, expected);
        ASSERT_TRUE(outcome.note);
        EXPECT_TRUE(outcome.note->text.contains(QStringLiteral("生徒1人（名簿に加わった生徒）は「未配置」"))) << outcome.note->text.toStdString();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<QStringList> edited = rows.rows;
        c.edit(edited);
        const ResultDraftOutcome outcome = draftFromResultRows(year, edited, QStringLiteral("kekka"));
        EXPECT_FALSE(outcome.draft);
        ASSERT_TRUE(outcome.refusal);
        for (const QString& line : c.named)
            EXPECT_TRUE(outcome.refusal->text.contains(line)) << outcome.refusal->text.toStdString();
        EXPECT_FALSE(outcome.refusal->text.contains(QStringLiteral("22行目")));
    }
}

TEST(Drafts, TheScoreColumnsFigureIsOfTheDraftsOwnClassesAndShownOnlyWhenSuchColumnsAreSet)
{
    // Main scores alike in rows 1 .. 6 and 7 .. 12, so the time's spread is the largest.
    const DivisionYear made({{"A", 12, {{1, 6}, {2, 6}}}}, false, {{50, 60, 70, 80, 90, 100, 100, 90, 80, 70, 60, 50}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(3).drawn);
    EXPECT_FALSE(draftFigures(year, Draft{.name = QStringLiteral("案1"), .classes = year.classes()}).scoreSpread);

    // A 50 m time, two students absent; the first class holds rows 1 .. 6 of the draft.
    SpreadRules rules;
    ScoreColumn time{QStringLiteral("50m走"), {std::nullopt}};
    const double seconds[] = {7.0, 7.2, 7.4, 7.6, 7.8, 8.0, 8.2, 8.4, 8.6, 8.8, 9.0, 9.2};
    for (int r = 1; r <= 12; ++r)
        time.values.push_back(r == 2 || r == 11 ? std::nullopt : std::optional<double>(seconds[r - 1]));
    rules.numbers[RuleBox::Scores].push_back(time);
    year.setRules(rules);

    const Draft split{.name = QStringLiteral("前後"), .classes = {0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2}};
    // Counted: class 1 averages 7.0, 7.4 .. 8.0 → 7.56; class 2 averages 8.2 .. 9.2 without 9.0 → 8.64.
    double mean = 0, var = 0;
    int n = 0;
    for (int r = 1; r <= 12; ++r)
        if (time.values[r]) {
            mean += *time.values[r];
            ++n;
        }
    mean /= n;
    for (int r = 1; r <= 12; ++r)
        if (time.values[r])
            var += (*time.values[r] - mean) * (*time.values[r] - mean) / n;
    const DraftFigures figures = draftFigures(year, split);
    ASSERT_TRUE(figures.scoreSpread);
    EXPECT_NEAR(*figures.scoreSpread, (8.64 - 7.56) / std::sqrt(var), 1e-9);
    ASSERT_TRUE(year.pressNumber(4).drawn); // the screen moves on; the draft's figure does not
    EXPECT_NEAR(*draftFigures(year, split).scoreSpread, *figures.scoreSpread, 1e-12);
    const QStringList row = draftListRow(split, figures);
    EXPECT_EQ(row[draftListHeadings().indexOf(QStringLiteral("点数の列の開き"))],
              QString::number(*figures.scoreSpread, 'f', 3));
}

TEST(Drafts, TwoDraftsComparedClassByClassWithEveryStudentMovedUpToTheLastRow)
{
    const DivisionYear made({{"A", 6, {{1, 3}, {2, 3}}}}, false, {{90, 80, 70, 60, 50, 40}});
    Year year = made.year();
    SpreadRules rules;
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("ピアノ"), {QString(), QStringLiteral("○"), {}, {}, {}, {}, QStringLiteral("○")}});
    year.setRules(rules);
    const Draft a{.name = QStringLiteral("案A"), .classes = {0, 1, 1, 1, 2, 2, 2}};
    const Draft b{.name = QStringLiteral("案B"), .classes = {0, 1, 1, 2, 2, 2, 1}}; // rows 3 and 6 change places

    const DraftComparison c = compareDrafts(year, a, b);
    EXPECT_EQ(c.names, (std::array<QString, 2>{QStringLiteral("案A"), QStringLiteral("案B")}));
    ASSERT_EQ(c.classes.size(), 2u);
    EXPECT_EQ(c.classes[0].classNumber, 1);
    EXPECT_EQ(c.classes[0].headCount, (std::array<int, 2>{3, 3}));
    EXPECT_FLOAT_EQ(c.classes[0].average[0], 80);
    EXPECT_FLOAT_EQ(c.classes[0].average[1], 70);
    EXPECT_FLOAT_EQ(c.classes[1].average[0], 50);
    EXPECT_FLOAT_EQ(c.classes[1].average[1], 60);
    EXPECT_FLOAT_EQ(c.yearAverage, 65);
    ASSERT_EQ(c.flagValues.size(), 1);
    EXPECT_EQ(c.classes[0].flags[0], std::vector<int>{1}); // row 1 in 案A's class 1, row 6 in its class 2
    EXPECT_EQ(c.classes[1].flags[0], std::vector<int>{1});
    EXPECT_EQ(c.classes[0].flags[1], std::vector<int>{2}); // both in 案B's class 1
    EXPECT_EQ(c.classes[1].flags[1], std::vector<int>{0});
    ASSERT_EQ(c.moved.size(), 2u);
    EXPECT_EQ(c.moved[0].row, 3);
    EXPECT_EQ(c.moved[0].line, 4);
    EXPECT_EQ(c.moved[0].classes, (std::array<int, 2>{1, 2}));
    EXPECT_EQ(c.moved[1].row, 6);
    EXPECT_EQ(c.moved[1].name, QStringLiteral("生徒6"));
    EXPECT_EQ(c.moved[1].classes, (std::array<int, 2>{2, 1}));
    // As the window and the PDF show it: every cell 案A／案B, the flag's counts last.
    const TextTable figures = classFiguresTable(c);
    ASSERT_EQ(figures.rows.size(), 2u);
    EXPECT_EQ(figures.headings.size(), 4 + kBandCount + 1);
    for (const QStringList& row : figures.rows)
        EXPECT_EQ(row.size(), figures.headings.size());
    EXPECT_EQ(figures.rows[0].back(), QStringLiteral("1／2"));
    EXPECT_EQ(figures.rows[1].back(), QStringLiteral("1／0"));

    // Deleting: a row that is not there changes nothing.
    ASSERT_TRUE(year.pressNumber(9).drawn);
    TempFolder folder;
    DraftBook book = loadDraftBook(year, folder.file("AN.TXT"));
    ASSERT_FALSE(book.keep(year, QStringLiteral("案1"), kNoon));
    ASSERT_FALSE(book.keep(year, QStringLiteral("案2"), kNoon));
    for (const int outside : {-1, 2, 3})
        book.remove(outside);
    ASSERT_EQ(book.drafts().size(), 2u);
    book.remove(0);
    ASSERT_EQ(book.drafts().size(), 1u);
    EXPECT_EQ(book.drafts()[0].name, QStringLiteral("案2"));
}

TEST(Drafts, ADamagedFileNamesItsLineKeepsWhatReadsAndIsCopiedAsideBeforeTheNextWrite)
{
    const DivisionYear made({{"A", 8, {{1, 4}, {2, 4}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(3).drawn);
    DraftsContent content{rosterOf(year.students()), {}, {}};
    for (const char* name : {"案1", "案2", "案3"})
        content.drafts.push_back(DraftBook::screenDraft(year, QString::fromUtf8(name), kNoon));
    content.working = {DraftBook::screenDraft(year, QStringLiteral("作業中"), kNoon)};
    const QByteArray whole = formatDraftsFile(content);
    ASSERT_EQ(parseDraftsFile(whole).status, DraftsReadOutcome::Status::Read);
    EXPECT_EQ(parseDraftsFile(whole).content, content);
    // Lines: 1 version, 2 roster, 3 header, 4..11 rows, 12..14 drafts, 15 working, 16 end.
    const QList<QByteArray> lines = whole.split('\n');
    const auto replaced = [&](int line, const QByteArray& text) {
        QList<QByteArray> copy = lines;
        copy[line - 1] = text;
        return copy.join('\n');
    };

    struct Case {
        const char* what;
        QByteArray bytes;
        int line;
        int drafts; // still usable
    };
    const std::vector<Case> cases = {
        {"another file", "name,class\r\n", 1, 0},
        {"cut inside the roster", whole.left(whole.indexOf("row\t6")), 8, 0},
        {"cut inside a draft", whole.left(whole.indexOf("draft\t\xe6\xa1\x88" "2") + 12), 13, 1},
        {"cut before the end", whole.left(whole.indexOf("end\t")), 16, 3},
        {"a bad byte", replaced(13, "draft\t\xff\xfe\r"), 13, 2},
        {"a class that is no number", replaced(14, QByteArray(lines[13]).replace(",1,", ",x,")), 14, 2},
        {"a wrong line", replaced(12, "hello\r"), 12, 2},
        {"a swap outside the roster", replaced(12, lines[11].left(lines[11].size() - 1) + "1-9\r"), 12, 2},
        {"a roster row", replaced(5, "row\t5\t1-3\r"), 5, 0},
        {"a key of no kind", replaced(5, QByteArray(lines[4]).replace("\ti\t", "\tx\t")), 5, 0},
        {"no header", replaced(3, "roster\t8\r"), 3, 0},
    };
    TempFolder folder;
    const QString path = folder.file("AN.TXT");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DraftsReadOutcome read = parseDraftsFile(c.bytes);
        EXPECT_EQ(read.status, DraftsReadOutcome::Status::Damaged);
        EXPECT_EQ(read.line, c.line);
        EXPECT_EQ(static_cast<int>(read.content.drafts.size()), c.drafts);

        ASSERT_TRUE(testing::writeBytes(path, c.bytes));
        QFile::remove(path + ".bak");
        DraftBook book = loadDraftBook(year, path);
        const std::optional<Message> message = book.takeReadMessage();
        ASSERT_TRUE(message);
        EXPECT_TRUE(message->text.contains(QStringLiteral("%1行目").arg(c.line))) << message->text.toStdString();
        EXPECT_EQ(testing::readBytes(path), c.bytes);
        book.markChanged();
        ASSERT_FALSE(saveDraftBook(book, year, kNoon));
        EXPECT_EQ(testing::readBytes(path + ".bak"), c.bytes);
        EXPECT_EQ(parseDraftsFile(testing::readBytes(path)).status, DraftsReadOutcome::Status::Read);
    }
}

TEST(Drafts, OddFilesAreReadOrRefusedWithTheTruthAndTheTeachersFileIsNeverLost)
{
    const DivisionYear made({{"A", 8, {{1, 4}, {2, 4}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(3).drawn);
    DraftsContent content{rosterOf(year.students()), {}, {}};
    for (const char* name : {"案1", "案2"})
        content.drafts.push_back(DraftBook::screenDraft(year, QString::fromUtf8(name), kNoon));
    content.working = {DraftBook::screenDraft(year, QStringLiteral("作業中"), kNoon)};
    const QByteArray whole = formatDraftsFile(content);
    const QByteArray version1 = testing::earlierDraftsVersion(whole, 1);
    QByteArray twice = whole;
    twice.replace("draft\t\xe6\xa1\x88" "2", "draft\t\xe6\xa1\x88" "1");
    QByteArray manySwaps = whole;
    QByteArray swaps = "1-2";
    for (int i = 1; i <= kMaxDraftSwaps; ++i)
        swaps += ",1-2";
    manySwaps.replace(manySwaps.indexOf("\r\nworking"), 0, swaps); // the last draft's swaps, one too many
    QByteArray rosterKey = whole, rosterFields = whole;
    rosterKey.replace("\r\nroster\t", "\r\nrosters\t");
    rosterFields.replace("\r\nroster\t8\r\n", "\r\nroster\t8\t8\r\n");
    QByteArray letterInNumber = whole; // the first draft's draw number, fourth of its fields
    qsizetype tab = letterInNumber.indexOf("\r\ndraft\t");
    for (int field = 0; field < 4; ++field)
        tab = letterInNumber.indexOf('\t', tab + 1);
    letterInNumber.insert(tab, 'a');

    using S = DraftsReadOutcome::Status;
    struct Case {
        const char* what;
        QByteArray bytes;
        S status;
        int drafts;
        bool working;
        QString said;      // in the message, when there is one
        bool writtenOver; // the next write replaces the file (after copying it aside when damaged)
    };
    const std::vector<Case> cases = {
        {"a byte order mark", "\xEF\xBB\xBF" + whole, S::Read, 2, true, QString(), true},
        {"version 1, its 作業中 this program's", version1, S::Read, 2, true, QString(), true},
        {"a name twice", twice, S::Read, 2, true, QStringLiteral("「案1」→「案1（2）」"), true},
        {"too many swaps in one draft", manySwaps, S::Damaged, 1, true, QStringLiteral("読めた2件の案は使えます"), true},
        {"nothing readable", "CLASSDIV-DRAFTS 2\r\nroster\tx\r\n", S::Damaged, 0, false,
         QStringLiteral("読めた案はありません"), true},
        {"the roster's count under another key", rosterKey, S::Damaged, 0, false, QStringLiteral("読めた案はありません"), true},
        {"the roster's count with a field more", rosterFields, S::Damaged, 0, false, QStringLiteral("読めた案はありません"),
         true},
        {"a letter in a draft's number", letterInNumber, S::Damaged, 1, true, QStringLiteral("読めた2件の案は使えます"), true},
        {"larger than any drafts file", QByteArray(kMaxDraftsBytes + 1, 'x'), S::TooLarge, 0, false,
         QStringLiteral("このファイルは変えずにそのまま残します"), false},
    };
    TempFolder folder;
    const QString path = folder.file("AN.TXT");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testing::writeBytes(path, c.bytes));
        const auto began = std::chrono::steady_clock::now();
        const DraftsReadOutcome read = readDraftsFile(path);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(static_cast<int>(read.content.drafts.size()), c.drafts);
        DraftBook book = loadDraftBook(year, path);
        EXPECT_EQ(book.working().has_value(), c.working);
        const std::optional<Message> message = book.takeReadMessage();
        EXPECT_EQ(message.has_value(), !c.said.isEmpty());
        if (message)
            EXPECT_TRUE(message->text.contains(c.said)) << message->text.toStdString();
        book.markChanged();
        const std::optional<Message> failure = saveDraftBook(book, year, kNoon);
        EXPECT_EQ(failure.has_value(), !c.writtenOver);
        EXPECT_EQ(testing::readBytes(path) == c.bytes, !c.writtenOver);
        if (c.status == S::Damaged)
            EXPECT_EQ(testing::readBytes(path + ".bak"), c.bytes); // the one copy aside, the last damaged file's
        if (c.writtenOver)
            EXPECT_EQ(readDraftsFile(path).status, S::Read);
    }
    EXPECT_EQ(QDir(folder.path()).entryList({"*.bak*"}, QDir::Files), QStringList{"AN.TXT.bak"});
}

TEST(Drafts, ADraftWhoseClassesAreNotPlannedForTheirGroupsIsRefusedNamingTheStudents)
{
    const DivisionYear made({{"A", 6, {{1, 3}, {2, 3}}}, {"B", 4, {{2, 2}, {3, 2}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(4).drawn);
    const std::vector<int16_t> pressed = year.classes();
    TempFolder folder;
    DraftBook book = loadDraftBook(year, folder.file("AN.TXT"));
    ASSERT_FALSE(book.keep(year, QStringLiteral("手書き"), kNoon));
    Draft edited = book.drafts()[0];
    const int rowOfB = made.ws.groupStudents[2][1];
    edited.classes[rowOfB] = 1;                    // class 1 is not among group B's
    edited.classes[made.ws.groupStudents[1][1]] = -7; // nor any class at all
    edited.name = QStringLiteral("外れ");
    book.keepDraft(edited);
    const std::optional<Message> refusal = book.open(book.indexOf(QStringLiteral("外れ")), year);
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->text.contains(QStringLiteral("クラス「1」はグループ「B」のクラスではありません"))) << refusal->text.toStdString();
    EXPECT_TRUE(refusal->text.contains(QStringLiteral("クラス「-7」はグループ「A」")));
    EXPECT_EQ(year.classes(), pressed);
    EXPECT_FALSE(book.open(book.indexOf(QStringLiteral("手書き")), year));
}

TEST(Drafts, AFolderThatCannotBeWrittenIsNamedOnceAndTheDraftsStay)
{
    const DivisionYear made({{"A", 6, {{1, 3}, {2, 3}}}});
    Year year = made.year();
    ASSERT_TRUE(year.pressNumber(8).drawn);
    TempFolder folder;
    const QString path = folder.file("gone/nen1.csvAN.TXT"); // a folder that is not there
    DraftBook book = loadDraftBook(year, path);
    ASSERT_FALSE(book.keep(year, QStringLiteral("案1"), kNoon));
    const std::optional<Message> first = saveDraftBook(book, year, kNoon);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->text.contains(QDir::toNativeSeparators(path)));
    book.markChanged();
    EXPECT_FALSE(saveDraftBook(book, year, kNoon)); // said once
    EXPECT_TRUE(book.dirty());
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    EXPECT_FALSE(saveDraftBook(book, year, kNoon));
    EXPECT_EQ(readDraftsFile(path).content.drafts.size(), 1u);
    EXPECT_FALSE(book.dirty());
}

TEST(Drafts, ANameInUseGetsTheFirstFreeNumber)
{
    const struct {
        const char* what;
        QStringList kept;
        QString wanted;
        QString given;
    } cases[] = {
        {"no drafts", {}, "kekka", "kekka"},
        {"the name free", {"案1", "kekka（2）"}, "kekka", "kekka"},
        {"the name kept", {"kekka"}, "kekka", "kekka（2）"},
        {"numbers kept too", {"kekka", "kekka（2）", "kekka（3）"}, "kekka", "kekka（4）"},
        {"a gap taken first", {"kekka（3）", "kekka"}, "kekka", "kekka（2）"},
        {"letters' case counts", {"Kekka"}, "kekka", "kekka"},
        {"a numbered name numbered again", {"kekka（2）"}, "kekka（2）", "kekka（2）（2）"},
        {"half-width brackets are another name", {"kekka", "kekka(2)"}, "kekka", "kekka（2）"},
    };
    for (const auto& c : cases) {
        std::vector<Draft> drafts;
        for (const QString& name : c.kept)
            drafts.push_back(Draft{name, {}, 0, {}, {}, {}, {}});
        EXPECT_EQ(freeDraftName(drafts, c.wanted).toStdString(), c.given.toStdString()) << c.what;
    }
}

// The child of the crash test: writes one of two drafts files over and over until it is killed.
TEST(DraftsCrash, ChildWritesUntilKilled)
{
    const QString path = qEnvironmentVariable("CLASSDIV_DRAFTS_CHILD");
    if (path.isEmpty())
        GTEST_SKIP() << "run by the crash test only";
    const QByteArray first = testing::readBytes(path + ".1");
    const QByteArray second = testing::readBytes(path + ".2");
    writeFileAtomically(path, second);
    std::fprintf(stderr, "written\n"); // the parent starts its clock here
    std::fflush(stderr);
    for (long i = 0;; ++i)
        writeFileAtomically(path, i % 2 ? second : first);
}

TEST(DraftsCrash, AProcessKilledWhileWritingLeavesThePreviousFileWhole)
{
    // Two files of 500 students and 20 drafts each, large enough to be cut in the middle of a write.
    const DivisionYear made({{"A", 300, {{1, 60}, {2, 60}, {3, 60}, {4, 60}, {5, 60}}},
                             {"B", 200, {{6, 50}, {7, 50}, {8, 50}, {9, 50}}}});
    Year year = made.year();
    std::array<QByteArray, 2> files;
    for (int f = 0; f < 2; ++f) {
        DraftsContent content{rosterOf(year.students()), {}, {}};
        for (int d = 0; d < 20; ++d) {
            ASSERT_TRUE(year.pressNumber(static_cast<uint32_t>(100 * f + d + 1)).drawn);
            content.drafts.push_back(DraftBook::screenDraft(year, QStringLiteral("案%1").arg(d), kNoon));
        }
        files[f] = formatDraftsFile(content);
    }
    TempFolder folder;
    const QString path = folder.file("nen1.csvAN.TXT");
    ASSERT_TRUE(testing::writeBytes(path + ".1", files[0]) && testing::writeBytes(path + ".2", files[1]));

    // The program's own path as the system has it (argv[0] may be relative, or a Unix path under Wine).
    int argc = 1;
    std::string arg0 = ::testing::internal::GetArgvs().front();
    char* argv[] = {arg0.data(), nullptr};
    const QString self = QCoreApplication(argc, argv).applicationFilePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CLASSDIV_DRAFTS_CHILD", path);
    std::array<int, 2> seen{}; // kills that left the first file, the second
    for (int point = 0; point < 30; ++point) {
        SCOPED_TRACE(point);
        ASSERT_TRUE(testing::writeBytes(path, files[0]));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setReadChannel(QProcess::StandardError);
        child.start(self, {"--gtest_filter=DraftsCrash.ChildWritesUntilKilled"});
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(child.waitForReadyRead(30000)); // its first write is done
        // Points spread over many writes: 0 to 58 ms.
        child.waitForFinished(point * 2);
        ASSERT_EQ(child.state(), QProcess::Running);
        child.kill();
        child.waitForFinished();
        const QByteArray left = testing::readBytes(path);
        EXPECT_TRUE(left == files[0] || left == files[1]) << left.size() << " bytes";
        EXPECT_EQ(parseDraftsFile(left).status, DraftsReadOutcome::Status::Read);
        ++seen[left == files[1]];
    }
    // Killed at different places of the loop, not always between the same two writes.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

} // namespace
} // namespace classdiv
