#include "conditions/ScoreCells.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

TEST(ScoreCells, TheFirstCharacterDecidesAtTheEdgesOfEachKindOfNumber)
{
    const struct {
        QString cell;
        std::optional<double> value;
    } cases[] = {
        {u"0"_s, 0.0},    {u"9"_s, 9.0},    {u"+5"_s, 5.0},   {u"\t5"_s, 5.0},  {u"\n 5"_s, 5.0}, {u"/"_s, {}},
        {u":"_s, {}},     {u"&HF"_s, 15.0}, {u"&hA"_s, 10.0}, {u"&H9"_s, 9.0},  {u"&HG"_s, {}},   {u"&H@"_s, {}},
        {u"&O7"_s, 7.0},  {u"&o0"_s, 0.0},  {u"&O8"_s, {}},   {u"&X1"_s, {}},   {u"&1"_s, {}},    {u"-.5"_s, -0.5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scoreCellValue(c.cell), c.value) << qPrintable(c.cell);

    // Row 0 names the column; the students' rows follow.
    const ScoreColumn column = scoreColumnFrom({u"英語"_s, u"5"_s, u""_s, u"&HF"_s, u"欠"_s});
    EXPECT_EQ(column.name, u"英語"_s);
    EXPECT_EQ(column.values, (std::vector<std::optional<double>>{{}, 5.0, {}, 15.0, {}}));
    EXPECT_EQ(studentsWithNumber(column), 2);
    EXPECT_EQ(studentsWithNumber(scoreColumnFrom({})), 0);
}

} // namespace
} // namespace classdiv
