// 出席番号: the 五十音 order of readings with its hard cases, and the numbers
// of random years, mixed and by sex.

#include "division/lists/AttendanceNumbers.h"
#include "division/lists/KanaOrder.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

namespace classdiv {
namespace {

using testing::studentsOf;

TEST(KanaOrder, ReadingsSortAsADictionaryOrdersThem)
{
    // Each reading strictly before the next.
    const std::vector<std::vector<QString>> chains{
        {"いの たろう", "いのうえ はなこ", "いのうえたろう"}, // the family name first: a blank before any kana
        {"はは", "はば", "ばは", "ぱぱ", "ひ"},                 // unvoiced, voiced, semi-voiced; only then the next kana
        {"きやく", "きゃく", "きゆう"},                         // full before small
        {"かつて", "かって", "かづて"},
        {"けいと", "けえき", "ケーキ", "けがわ"},               // ー as the vowel before it, after the vowel written out
        {"ゆうき", "ユーキ", "ゆうぎ", "ゆうこ"},
        {"うあ", "ヴァイオリン", "ういか", "ヴィカ", "うえ"},   // ヴ as う, voiced
        {"ふした", "ふしだ", "ふじた", "ふちた", "ふぢた"},     // じ as し, ぢ as ち
        {"ささき", "さゝき", "さざき", "さしき"},               // ゝ repeats the kana before it
        {"いる", "ゐる", "うる"},                               // ゐ as い
        {"んだ", "Abe", "山田"},                                // a reading in other characters after every kana
    };
    for (const std::vector<QString>& chain : chains)
        for (size_t i = 0; i + 1 < chain.size(); ++i) {
            EXPECT_LT(compareReadings(chain[i], chain[i + 1]), 0) << chain[i].toStdString() << " / " << chain[i + 1].toStdString();
            EXPECT_GT(compareReadings(chain[i + 1], chain[i]), 0) << chain[i + 1].toStdString() << " / " << chain[i].toStdString();
        }

    // Readings that are the same to a dictionary: the identifier decides between them.
    const std::vector<std::pair<QString, QString>> alike{
        {"かとう", "カトウ"},       {"ｶﾄｳ", "かとう"},          {"ｶﾞｸ", "がく"},
        {"ｷｬｸ", "キャク"},          {"きゃく", "キャク"},        {"ヴ", "ゔ"},
        {"ﾕｰｷ", "ユーキ"},          {"ヂ", "ぢ"},                {"やまだ　たろう", " やまだ  たろう "},
        {"ＡＢＥ", "abe"},          {"ヰ", "ゐ"},
    };
    for (const auto& [a, b] : alike)
        EXPECT_EQ(compareReadings(a, b), 0) << a.toStdString() << " / " << b.toStdString();

    EXPECT_TRUE(isBlankReading("") && isBlankReading(" \u3000\t"));
    EXPECT_FALSE(isBlankReading("山田"));
    EXPECT_TRUE(isKanaReading("ｷｬｸ ユーキ　ゔぁ"));
    EXPECT_FALSE(isKanaReading("山田 たろう"));
}

TEST(KanaOrder, IdentifiersByValueThenText)
{
    const std::vector<QString> ascending{"2", "０３", "10", "0010a", "A-1", "A-2", "B"};
    for (size_t i = 0; i + 1 < ascending.size(); ++i)
        EXPECT_LT(compareIdentifiers(ascending[i], ascending[i + 1]), 0) << ascending[i].toStdString();
    EXPECT_EQ(compareIdentifiers("12", "１２"), 0);
}

TEST(AttendanceNumbers, SexCells)
{
    for (const char* boy : {"男", "男子", " 男性 ", "M", "ｍ", "1", "１"})
        EXPECT_EQ(sexOf(QString::fromUtf8(boy)), Sex::Boy) << boy;
    for (const char* girl : {"女", "女子", "F", "female", "2"})
        EXPECT_EQ(sexOf(QString::fromUtf8(girl)), Sex::Girl) << girl;
    for (const char* unknown : {"", "男女", "3", "?"})
        EXPECT_EQ(sexOf(QString::fromUtf8(unknown)), Sex::Unknown) << unknown;
}

// A reading of two to five syllables, written in hiragana, katakana or half-width katakana at random.
QString randomReading(std::mt19937& rng)
{
    static const QString syllables = QStringLiteral("あいうえおかがきぎくけこさざしじすせそただちぢつってとなにのはばぱひびぴふまみもやゃゆよらりわをんー");
    QString reading;
    const int length = 2 + int(rng() % 4);
    for (int i = 0; i < length; ++i)
        reading += syllables[int(rng() % syllables.size())];
    if (rng() % 3 == 1) // as katakana
        for (QChar& c : reading)
            if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
                c = QChar(c.unicode() + 0x60);
    return reading;
}

struct RandomYear {
    Students students;
    std::vector<int16_t> classes{0};
    NumberingChoice choice;
};

RandomYear randomYear(unsigned seed, NumberOrder order)
{
    std::mt19937 rng(seed);
    const int count = 20 + int(rng() % 200);
    const int classCount = 1 + int(rng() % 6);
    std::vector<StudentRecord> records;
    RandomYear year;
    year.choice.order = order;
    year.choice.readingName = QStringLiteral("ふりがな");
    year.choice.readings.push_back({});
    year.choice.sexes.push_back({});
    for (int i = 0; i < count; ++i) {
        // Identifiers unique but not in row order; readings repeat often.
        records.push_back({QString::number(1000 + (i * 7919) % 4000), QStringLiteral("生徒%1").arg(i), "g", "50"});
        year.classes.push_back(int16_t(rng() % 8 == 0 ? 0 : 1 + int(rng() % classCount)));
        year.choice.readings.push_back(rng() % 15 == 0 ? QString() : rng() % 4 == 0 ? QStringLiteral("さとう") : randomReading(rng));
        year.choice.sexes.push_back(rng() % 20 == 0 ? QStringLiteral("-") : rng() % 2 ? QStringLiteral("男") : QStringLiteral("女"));
    }
    year.students = studentsOf(records);
    return year;
}

TEST(AttendanceNumbers, RandomYearsNumberEachClassInReadingOrder)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        for (const NumberOrder order : {NumberOrder::Mixed, NumberOrder::BoysFirst, NumberOrder::GirlsFirst}) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " order " << int(order));
            const RandomYear year = randomYear(seed, order);
            const AttendanceNumbers numbers = attendanceNumbers(year.students, year.classes, year.choice);
            const auto blank = [&](int row) { return isBlankReading(year.choice.readings[size_t(row)]); };
            const auto block = [&](int row) {
                if (blank(row))
                    return 3;
                if (order == NumberOrder::Mixed)
                    return 0;
                const Sex sex = sexOf(year.choice.sexes[size_t(row)]);
                return sex == Sex::Unknown ? 2 : (sex == Sex::Boy) == (order == NumberOrder::BoysFirst) ? 0 : 1;
            };
            std::vector<int> blanks, unknown;
            for (int k = 1; k <= 6; ++k) {
                const std::vector<int> rows = rowsByNumber(year.classes, numbers, k);
                for (size_t i = 0; i < rows.size(); ++i) {
                    ASSERT_EQ(numbers.numbers[size_t(rows[i])], int(i) + 1) << "1 .. n, each once";
                    if (blank(rows[i]))
                        blanks.push_back(rows[i]);
                    else if (block(rows[i]) == 2)
                        unknown.push_back(rows[i]);
                    if (i == 0)
                        continue;
                    const int a = rows[i - 1], b = rows[i];
                    ASSERT_LE(block(a), block(b)) << "the first sex, the second, unknown, then blank readings";
                    if (block(a) != block(b))
                        continue;
                    const int c = compareReadings(year.choice.readings[size_t(a)], year.choice.readings[size_t(b)]);
                    ASSERT_LE(c, 0) << year.choice.readings[size_t(a)].toStdString() << " before "
                                    << year.choice.readings[size_t(b)].toStdString();
                    if (c == 0) {
                        ASSERT_LT(compareIdentifiers(year.students[a].id, year.students[b].id), 0);
                    }
                }
            }
            for (int row = 1; row <= year.students.count(); ++row)
                ASSERT_EQ(numbers.numbers[size_t(row)] == 0, year.classes[size_t(row)] == 0) << "row " << row;
            EXPECT_EQ(numbers.blankReadings, blanks);
            EXPECT_EQ(numbers.unknownSex, unknown);

            // Rows in another order and readings in the other kana give every student the same number.
            std::vector<int> shuffled(size_t(year.students.count()));
            std::iota(shuffled.begin(), shuffled.end(), 1);
            std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
            std::vector<StudentRecord> records;
            std::vector<int16_t> classes{0};
            NumberingChoice changed = year.choice;
            changed.readings = {{}};
            changed.sexes = {{}};
            for (const int row : shuffled) {
                const Student& s = year.students[row];
                records.push_back({s.id, s.name, s.group, s.scoreText});
                classes.push_back(year.classes[size_t(row)]);
                QString reading = year.choice.readings[size_t(row)];
                for (QChar& c : reading)
                    if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6)
                        c = QChar(c.unicode() - 0x60);
                changed.readings.push_back(reading);
                changed.sexes.push_back(year.choice.sexes[size_t(row)]);
            }
            const AttendanceNumbers again = attendanceNumbers(studentsOf(records), classes, changed);
            for (size_t i = 0; i < shuffled.size(); ++i)
                ASSERT_EQ(again.numbers[i + 1], numbers.numbers[size_t(shuffled[i])]) << "student " << shuffled[i];
        }
    }
}

TEST(AttendanceNumbers, BlankReadingsAndOtherSexesAreNamedInTheNotice)
{
    const Students students = studentsOf({{"3", "山田　一郎", "g", "1"}, {"1", "川田　花子", "g", "1"},
                                          {"2", "森　次郎", "g", "1"}, {"4", "林　三子", "g", "1"}});
    const std::vector<int16_t> classes{0, 1, 1, 1, 2};
    NumberingChoice choice{QStringLiteral("ふりがな"), {{}, "やまだ いちろう", "", "もり じろう", "林"},
                           NumberOrder::GirlsFirst, {{}, "男", "女", "", "女"}};
    const AttendanceNumbers numbers = attendanceNumbers(students, classes, choice);
    // Class 1: no girl with a reading; 森 of no sex after 山田; 川田 with no reading last, though a girl.
    EXPECT_EQ(numbers.numbers, (std::vector<int>{0, 1, 3, 2, 1}));
    EXPECT_EQ(numbers.blankReadings, std::vector<int>{2});
    EXPECT_EQ(numbers.unknownSex, std::vector<int>{3});
    EXPECT_EQ(numbers.notKana, std::vector<int>{4});
    const std::optional<Message> notice = numberingNotice(students, classes, choice, numbers);
    ASSERT_TRUE(notice);
    for (const char* expected : {"「ふりがな」が空欄", "3行目　1　川田　花子　（１組 3番）", "4行目　2　森　次郎　（１組 2番）",
                                 "5行目　4　林　三子　（２組 1番）"})
        EXPECT_TRUE(notice->text.contains(QString::fromUtf8(expected))) << expected << "\n" << notice->text.toStdString();
    choice.readings = {{}, "やまだ", "かわだ", "もり", "はやし"};
    choice.order = NumberOrder::Mixed;
    EXPECT_EQ(numberingNotice(students, classes, choice, attendanceNumbers(students, classes, choice)), std::nullopt);
}

} // namespace
} // namespace classdiv
