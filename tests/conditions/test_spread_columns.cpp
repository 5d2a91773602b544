#include "conditions/SpreadColumns.h"

#include "import/ImportActions.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;
using testing::readBytes;
using testing::writeBytes;

// Five columns; rows 1..4 of the students.
const QString kYear = u"番号,旧組,氏名,グループ,点数\r\n11,1,山田,音,70\r\n12,2,佐藤,音,60\r\n"
                      u"13,1,鈴木,美,50\r\n14,2,田中,\"美\",40\r\n"_s;
const QString kBadColumn = u"「%1」には、1から5までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。"_s;

// The year imported through preview and ReadColumns (identifier, name, group, score).
struct Imported {
    testing::TempFolder folder;
    std::unique_ptr<StudentTable> table = std::make_unique<StudentTable>();
    QString csv() const { return folder.file(u"nen1.csv"_s); }
    QByteArray stored() const { return readBytes(spreadFilePath(csv())); }
    explicit Imported(const QString& text = kYear)
    {
        ImportWindowState state;
        EXPECT_TRUE(writeBytes(csv(), testing::cp932(text)));
        EXPECT_FALSE(preview({folder.path(), folder.path(), u"nen1.csv"_s, u"nen1.csv"_s}, state, *table).message);
        EXPECT_FALSE(readColumns({"5", "1", "3", "4", "5"}, state, *table).message);
    }
};

TEST(SpreadFile, ReadsOnlyWhatItWrites)
{
    for (const SpreadChoice choice : {SpreadChoice{}, SpreadChoice{8, 2}, SpreadChoice{0, 32767}, SpreadChoice{10, 0}})
        EXPECT_EQ(parseSpreadFile(formatSpreadFile(choice)), choice) << formatSpreadFile(choice).toStdString();
    EXPECT_EQ(formatSpreadFile({8, 0}), "8\r\n\r\n");
    for (const char* damaged : {"", "8\r\n", "8\r\n2", "8\n2\n", "8\r\n2\r\n\r\n", "08\r\n\r\n", "-1\r\n\r\n",
                                " 8\r\n\r\n", "32768\r\n\r\n", "8a\r\n\r\n", "\xEF\xBB\xBF" "8\r\n\r\n", "\xEF\xBC\x98\r\n\r\n"})
        EXPECT_EQ(parseSpreadFile(QByteArray(damaged)), std::nullopt) << damaged;
}

TEST(SpreadColumns, AcceptChecksTheBoxesReadsTheColumnsAndStoresTheChoice)
{
    const std::vector<QString> noRules;
    const struct {
        QString marks, mix;
        std::optional<Message> message;
        QByteArray stored; // empty: nothing written
        std::vector<QString> marksRead, mixRead;
    } cases[] = {
        {"3", "2", {}, "3\r\n2\r\n", {{}, "山田", "佐藤", "鈴木", "田中"}, {{}, "1", "2", "1", "2"}},
        {"", " 2 ", {}, "\r\n2\r\n", noRules, {{}, "1", "2", "1", "2"}},
        {"", "", {}, "\r\n\r\n", noRules, noRules},
        {"4", "", {}, "4\r\n\r\n", {{}, "音", "音", "美", "美"}, noRules},
        {"0", "", Message{kBadColumn.arg(kMarksColumnLabel), titles::reenter}, {}, {}, {}},
        {"", "6", Message{kBadColumn.arg(kMixColumnLabel), titles::reenter}, {}, {}, {}},
        {u"２"_s, "", Message{kBadColumn.arg(kMarksColumnLabel), titles::reenter}, {}, {}, {}},
        {"旧組", "", Message{kBadColumn.arg(kMarksColumnLabel), titles::reenter}, {}, {}, {}},
        {"40000", "", Message{kBadColumn.arg(kMarksColumnLabel), titles::reenter}, {}, {}, {}},
        {"2", "2", Message{u"「別のクラスにする印の列」と「均等に混ぜる列」に同じ列は指定できません。別の列を入力してください。"_s,
                           titles::reenter}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        Imported year;
        const SpreadAcceptOutcome outcome = acceptSpreadColumns(*year.table, c.marks, c.mix);
        EXPECT_EQ(outcome.message, c.message) << c.marks.toStdString() << "|" << c.mix.toStdString();
        EXPECT_EQ(year.stored(), c.stored) << c.marks.toStdString();
        EXPECT_EQ(outcome.rules, c.message ? std::nullopt : std::optional(SpreadRules{c.marksRead, c.mixRead}));
        if (outcome.rules) {
            EXPECT_EQ(loadSpreadRules(*year.table), *outcome.rules) << "the window's next load applies the same";
        }
    }
    Imported year;
    ASSERT_TRUE(writeBytes(spreadFilePath(year.csv()), "1\r\n2\r\n"));
    const testing::FullDisk full(3);
    EXPECT_EQ(acceptSpreadColumns(*year.table, "3", "").message->title, titles::error);
    EXPECT_EQ(year.stored(), "1\r\n2\r\n") << "a failed write keeps the earlier choice";
}

// The CSV edited after the import: only a new column at the end keeps the
// rows the students were read from.
TEST(SpreadColumns, RefusesACsvThatNoLongerHoldsTheStudentsItWasReadFrom)
{
    const QString changed = u"ＣＳＶファイルが、読み込んだときから変わっています（行数や生徒の並び、内容が違います）。\n"
                            u"列の設定は変わっていません。元のファイルに戻してから、もう一度設定してください。"_s;
    const struct {
        const char* name;
        QByteArray now;
        std::optional<QString> message; // nullopt: the columns are read
    } cases[] = {
        {"a column added at the end", testing::cp932(QString(kYear).replace(u"\r\n"_s, u",A\r\n"_s)), {}},
        {"a student added", testing::cp932(kYear + u"15,1,森,書,30\r\n"_s), changed},
        {"two rows swapped", testing::cp932(QString(kYear).replace(u"11,1,山田,音,70\r\n12,2,佐藤,音,60"_s,
                                                                   u"12,2,佐藤,音,60\r\n11,1,山田,音,70"_s)), changed},
        {"a score corrected", testing::cp932(QString(kYear).replace(u"60"_s, u"61"_s)), changed},
        {"saved as UTF-8", QByteArray("\xEF\xBB\xBF") + kYear.toUtf8(), changed},
        {"bytes that are no text", "\x81\x20,2\r\n", u"このファイルには文字として読めない部分があります。\n"
                                                     u"Shift-JIS（または UTF-8 BOM付き）のＣＳＶファイルを選んでください。"_s},
    };
    for (const auto& c : cases) {
        Imported year;
        ASSERT_TRUE(writeBytes(year.csv(), c.now));
        const CurrentCsv csv = readCurrentCsv(*year.table);
        EXPECT_EQ(csv.message ? std::optional(csv.message->text) : std::nullopt, c.message) << c.name;
        EXPECT_EQ(csv.rows.size(), c.message ? 0u : 5u) << c.name;
    }
    Imported gone;
    ASSERT_TRUE(QFile::remove(gone.csv()));
    EXPECT_EQ(acceptSpreadColumns(*gone.table, "2", "").message->title, titles::error);
    EXPECT_EQ(acceptSpreadColumns(*gone.table, "", "").rules, SpreadRules{}) << "clearing needs no CSV";
}

TEST(SpreadColumns, DialogShowsTheStoredChoiceAndSaysWhyOneIsIgnored)
{
    const struct {
        QByteArray stored; // empty: no file
        QString marks, mix;
        bool message;
    } cases[] = {
        {"", "", "", false}, {"3\r\n2\r\n", "3", "2", false}, {"\r\n5\r\n", "", "5", false},
        {"3\r\n9\r\n", "", "", true}, {"3,2\r\n", "", "", true},
    };
    for (const auto& c : cases) {
        Imported year;
        if (!c.stored.isEmpty()) {
            ASSERT_TRUE(writeBytes(spreadFilePath(year.csv()), c.stored));
        }
        const SpreadDialogView view = openSpreadColumns(*year.table);
        EXPECT_EQ(QStringList({view.marksText, view.mixText}), QStringList({c.marks, c.mix})) << c.stored.toStdString();
        EXPECT_EQ(view.message.has_value(), c.message) << c.stored.toStdString();
        EXPECT_EQ(view.columnsHint, u"1 番号　2 旧組　3 氏名　4 グループ　5 点数"_s);
        EXPECT_EQ(loadSpreadRules(*year.table).mixValues.size(), c.message || c.mix.isEmpty() ? 0u : 5u);
    }
}

} // namespace
} // namespace classdiv
