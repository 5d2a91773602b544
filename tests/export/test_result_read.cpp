#include "export/ResultRead.h"

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

} // namespace
} // namespace classdiv
