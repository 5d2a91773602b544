// The numbers the chart window shows: box plot figures, band counts and
// labels, and the counts of the mixing column per class.

#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSummary.h"
#include "division/lists/ScoreAverages.h"

#include <gtest/gtest.h>

#include <memory>

namespace classdiv {
namespace {

TEST(ClassSummary, BoxFiguresInterpolateQuartilesLikeASpreadsheet)
{
    const struct {
        std::vector<double> scores;
        BoxFigures expected;
    } cases[] = {
        {{}, {0, 0, 0, 0, 0}},
        {{70}, {70, 70, 70, 70, 70}},
        {{40, 80}, {40, 50, 60, 70, 80}},
        {{1, 2, 3, 4}, {1, 1.75, 2.5, 3.25, 4}},
        {{10, 20, 30, 40, 50}, {10, 20, 30, 40, 50}},
        {{-5, 0, 0, 0, 84.5, 100}, {-5, 0, 0, 63.375, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boxFigures(c.scores), c.expected) << c.scores.size() << " scores";
}

struct Placed {
    int newClass;
    QString score, mix;
};

TEST(ClassSummary, ClassesWithStudentsTheirScoresBandsAndMixing)
{
    const std::vector<Placed> placed{
        {10, "77", "2"}, {2, "90", "10"}, {1, "84.5", "2"}, {2, "40", "1組"}, {11, "99", "2\u3000"},
        {1, "61", ""},   {0, "50", "2"},   {1, "70", "10"},  {2, "55", "7"}, // the last one's value its own
    };
    auto table = std::make_unique<StudentTable>();
    table->lineCount = static_cast<int16_t>(placed.size() + 1);
    std::vector<QString> mix(1);
    std::vector<int16_t> classes(1);
    for (size_t e = 1; e <= placed.size(); ++e) {
        table->records[e].score = placed[e - 1].score;
        classes.push_back(static_cast<int16_t>(placed[e - 1].newClass));
        mix.push_back(placed[e - 1].mix);
    }
    const Students students = typedStudents(*table);

    DistributionTable distribution;
    EXPECT_TRUE(summarizeYear(students, {}, distribution, mix).classes.empty()) << "before the first press";
    fillDistributionTable(students, scoreBands(students), classes, distribution);

    const YearSummary year = summarizeYear(students, classes, distribution, mix);
    // Class 11 has no row in the table but a box in the chart; the student of no class has neither.
    ASSERT_EQ(year.classes.size(), 4u);
    EXPECT_FLOAT_EQ(year.overallAverage, distribution.overallAverage);
    EXPECT_EQ(year.mixValues, (QStringList{"1組", "2", "7", "10", kEmptyMixValue}));
    const struct {
        int classNumber;
        QString label;
        std::vector<double> scores;
        std::vector<int> mixCounts;
    } expected[] = {
        {1, "１組", {61, 70, 84.5}, {0, 1, 0, 1, 1}},
        {2, "２組", {40, 55, 90}, {1, 0, 1, 1, 0}},
        {10, "10組", {77}, {0, 1, 0, 0, 0}},
        {11, "11組", {99}, {0, 1, 0, 0, 0}}, // "2" padded with a full-width space is "2"
    };
    DistributionTable beyond; // the table's rows end at 10: class 11 counted as the row 1 of its own
    std::vector<int16_t> eleventhAsFirst = classes;
    for (int16_t& c : eleventhAsFirst)
        c = c == 11 ? 1 : c == 1 ? 11 : c;
    fillDistributionTable(students, scoreBands(students), eleventhAsFirst, beyond);
    for (size_t i = 0; i < 4; ++i) {
        const ClassSummary& c = year.classes[i];
        EXPECT_EQ(c.classNumber, expected[i].classNumber);
        EXPECT_EQ(c.label, expected[i].label);
        EXPECT_EQ(c.scores, expected[i].scores);
        EXPECT_EQ(c.box, boxFigures(expected[i].scores));
        EXPECT_EQ(c.mixCounts, expected[i].mixCounts);
        for (int s = 1; s <= kBandCount; ++s)
            EXPECT_EQ(c.bandCounts[s], c.classNumber <= kTableClasses ? distribution.stratumCounts[c.classNumber][s]
                                                                       : beyond.stratumCounts[1][s])
                << "class " << c.classNumber << " band " << s;
    }
    EXPECT_TRUE(summarizeYear(students, classes, distribution, {}).mixValues.isEmpty()) << "no mixing column";

    // Band labels follow the table's boundary points, a negative one included.
    distribution.bands.boundaryPoints = {0, 85, 72, 60, 48, -5};
    EXPECT_EQ(summarizeYear(students, classes, distribution, {}).bandLabels,
              (std::array<QString, 7>{"", "85点以上", "72点以上85点未満", "60点以上72点未満", "48点以上60点未満",
                                      "-5点以上48点未満", "-5点未満"}));
}

// Each rule's column of the class lists stands under its own heading, with
// only the rules that are set, in their order.
TEST(ClassSummary, RosterColumnsShowEachRuleUnderItsHeading)
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = 3;
    for (int e = 1; e <= 2; ++e) {
        table->records[e].name = QStringLiteral("生徒%1").arg(e);
        table->records[e].score = QStringLiteral("50");
    }
    const Students students = typedStudents(*table);
    const std::vector<QString> cells{{}, QStringLiteral("a"), QStringLiteral("b")};
    const std::vector<QString> none;
    const struct {
        std::vector<QString> marks, mix, together, fixed;
        int flags;
        QStringList headings; // beyond name, group and score
    } cases[] = {
        {cells, cells, cells, cells, 2, {"別クラス印", "混合", "同じクラス", "クラス指定", "リーダー", "印"}},
        {none, none, cells, none, 1, {"同じクラス", "リーダー"}},
        {none, cells, none, cells, 0, {"混合", "クラス指定"}},
        {none, none, none, none, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headings.join(u',').toStdString());
        SpreadRules rules{{c.marks, c.mix, c.together, c.fixed}};
        for (int k = 0; k < c.flags; ++k)
            rules.columns[RuleBox::Flags].push_back({k == 0 ? QStringLiteral("リーダー") : QString(), cells});
        const RosterColumns columns = rosterColumns(students, rules);
        EXPECT_EQ(columns.headings.mid(3), c.headings);
        const QStringList row = rosterCells(students, rules, columns, 2);
        EXPECT_EQ(row.size(), columns.headings.size());
        std::vector<int> ruled{columns.markColumn, columns.mixColumn, columns.togetherColumn, columns.fixedColumn};
        ruled.insert(ruled.end(), columns.flagColumns.begin(), columns.flagColumns.end());
        const std::vector<const std::vector<QString>*> sources{&c.marks, &c.mix, &c.together, &c.fixed};
        for (size_t i = 0; i < ruled.size(); ++i) {
            const bool set = i >= 4 || !sources[i]->empty();
            ASSERT_EQ(ruled[i] >= 0, set) << i;
            if (set)
                EXPECT_EQ(row.value(ruled[i]), QStringLiteral("b")) << i;
        }
    }
}

TEST(ScoreAverages, AClassWithNobodyCountedInAColumnHasNoAverage)
{
    const std::optional<double> none;
    SpreadRules rules;
    // Rows 1 .. 6: class 2 has only a blank cell, row 6 has no class yet.
    rules.numbers[RuleBox::Scores].push_back({QStringLiteral("50m走"), {none, 8.0, 7.0, none, 9.0, 6.5, 5.0}});
    const std::vector<int16_t> classes{0, 1, 1, 2, 3, 3, 0};
    const std::vector<ColumnAverages> averages = extraColumnAverages(rules, classes);
    ASSERT_EQ(averages.size(), 1u);
    const std::vector<std::optional<double>> expected{none, 7.5, none, 7.75};
    EXPECT_EQ(averages[0].classAverage, expected);
    EXPECT_EQ(averages[0].yearAverage, std::optional<double>(7.625));
    EXPECT_TRUE(extraColumnAverages(rules, {}).empty()) << "no draw";
}

} // namespace
} // namespace classdiv
