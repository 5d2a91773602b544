// What the lists, the drafts and the chart say of a flag column: its largest
// |count - fair share|, and the closest split named once where the totals
// leave no split of every class within half a student of its share.

#include "support/Years.h"

#include "division/drafts/DraftFigures.h"
#include "division/lists/FlagSplits.h"
#include "division/Year.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::DivisionYear;

TEST(FlagSplits, TheClosestSplitIsNamedOnlyWhereTheTotalsForceIt)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> plan;
        QString sexes;                // a letter a row: m or f
        std::vector<int16_t> classes; // [row], 0 unused
        double largest;
        QString closest;
    };
    const Case cases[] = {
        // Classes of 3 and 6, five boys and four girls: 2/1 and 3/3 lie within a third of their shares.
        {"even", {{1, 3}, {2, 6}}, "mmmmmffff", {0, 1, 1, 2, 2, 2, 1, 2, 2, 2}, 1.0 / 3, {}},
        // 1/2 and 4/2 are within floor .. ceiling, but the totals allow closer: no words for it.
        {"uneven by hand", {{1, 3}, {2, 6}}, "mmmmmffff", {0, 1, 2, 2, 2, 2, 1, 1, 2, 2}, 2.0 / 3, {}},
        // Three classes of 3, four boys: one class must hold two; here the second.
        {"forced", {{1, 3}, {2, 3}, {3, 3}}, "mfmfmffmf", {0, 1, 1, 2, 2, 3, 3, 1, 2, 3},
         2.0 / 3, QStringLiteral("男女の数は ２組 2/1 がいちばん近い分け方です")},
        // The same year with three boys in one class is a break, named elsewhere.
        {"outside", {{1, 3}, {2, 3}, {3, 3}}, "mfmfmffmf", {0, 1, 2, 1, 2, 1, 3, 2, 3, 3}, 5.0 / 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int size = 0;
        for (const auto& [number, head] : c.plan)
            size += head;
        std::vector<double> scores(static_cast<size_t>(size), 50.0);
        const DivisionYear made({{"A", size, c.plan}}, false, {scores});
        Year year = made.year();
        SpreadRules rules;
        FlagColumn sex{QStringLiteral("性別"), {QString()}};
        for (const QChar letter : c.sexes)
            sex.values.push_back(letter == u'm' ? QStringLiteral("男") : QStringLiteral("女"));
        rules.columns[RuleBox::Flags].push_back(sex);
        year.setRules(rules);
        const std::vector<FlagSplit> splits = flagSplits(year.rules(), c.classes);
        ASSERT_EQ(splits.size(), 1u);
        EXPECT_NEAR(splits[0].largest, c.largest, 1e-9);
        EXPECT_EQ(splits[0].closest, c.closest);
        const QStringList row = draftListRow(Draft{.name = QStringLiteral("案"), .classes = c.classes},
                                             draftFigures(year, Draft{.name = QStringLiteral("案"), .classes = c.classes}));
        EXPECT_EQ(row[draftListHeadings().indexOf(QStringLiteral("割り振りのずれ"))], QString::number(c.largest, 'f', 2));
    }

    // Two groups sharing the second class: the totals are not judged there, so
    // a class a third of a student further off than its share is no closest split.
    const DivisionYear shared({{"A", 6, {{1, 2}, {2, 4}}}, {"B", 6, {{2, 3}, {3, 3}}}}, false,
                              {std::vector<double>(6, 50.0), std::vector<double>(6, 50.0)});
    Year year = shared.year();
    SpreadRules rules;
    FlagColumn sex{QStringLiteral("性別"), {QString()}};
    for (const QChar letter : QStringLiteral("mmmmmmmfffff"))
        sex.values.push_back(letter == u'm' ? QStringLiteral("男") : QStringLiteral("女"));
    rules.columns[RuleBox::Flags].push_back(sex);
    year.setRules(rules);
    const std::vector<FlagSplit> splits = flagSplits(year.rules(), {0, 1, 2, 1, 2, 2, 3, 2, 2, 2, 3, 2, 3});
    ASSERT_EQ(splits.size(), 1u);
    EXPECT_NEAR(splits[0].largest, 2.0 / 3, 1e-9);
    EXPECT_EQ(splits[0].closest, QString());
}

} // namespace
} // namespace classdiv
