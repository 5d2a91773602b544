// The classes that a press and evening out give the benchmark years and the
// example year, from fixed draw numbers, with and without their rules and
// with extra score columns: pinned, so that a change to the structure of the
// code that alters a single student's class is caught. A change that is meant
// to alter the classes pins them anew; CLASSDIV_PRINT_FINGERPRINTS=1 prints
// the table as it stands.

#include "support/BenchmarkYears.h"
#include "support/Years.h"

#include "conditions/SpreadColumns.h"
#include "division/draw/RandomSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace classdiv;
using namespace classdiv::testing;

uint64_t classesFingerprint(const Year& year)
{
    uint64_t hash = 1469598103934665603ULL;
    for (size_t r = 1; r < year.classes().size(); ++r)
        hash = (hash ^ static_cast<uint64_t>(year.classes()[r] + 1)) * 1099511628211ULL;
    return hash;
}

// Two extra score columns that lean on the main score a little and on the row.
SpreadRules withScoreColumns(SpreadRules rules, const Students& students)
{
    const int n = students.count();
    ScoreColumn first{QStringLiteral("数学"), std::vector<std::optional<double>>(static_cast<size_t>(n) + 1)};
    ScoreColumn second{QStringLiteral("50m走"), std::vector<std::optional<double>>(static_cast<size_t>(n) + 1)};
    for (int r = 1; r <= n; ++r) {
        first.values[static_cast<size_t>(r)] = students[r].score * 0.5 + (r * 37 % 23);
        if (r % 11 != 0) // a few blank cells
            second.values[static_cast<size_t>(r)] = 7.0 + (r * 13 % 17) / 10.0;
    }
    rules.numbers[RuleBox::Scores] = {first, second};
    return rules;
}

struct Case {
    std::string name;
    std::function<Year()> year;
};

std::vector<Case> cases()
{
    auto plain = [](std::function<DivisionYear()> built) { return [built] { return built().year(); }; };
    auto ruled = [](std::function<RulesYear()> built, bool scores) {
        return [built, scores] {
            const RulesYear y = built();
            Year year = y.division.year();
            year.setRules(scores ? withScoreColumns(y.rules, y.division.students) : y.rules);
            return year;
        };
    };
    return {
        {"crossed", plain([] { return crossedYear(); })},
        {"art electives", plain(artElectivesYear)},
        {"courses", plain(coursesYear)},
        {"full", plain(fullYear)},
        {"rules500 without its rules", [] { return rulesYear().division.year(); }},
        {"rules500", ruled(rulesYear, false)},
        {"rules500 with score columns", ruled(rulesYear, true)},
        {"sexes318", ruled(sexesYear, false)},
        {"courses456 under every rule", ruled(coursesRulesYear, false)},
        {"example", [] {
             ExampleYear example;
             return *example.year;
         }},
        {"example with its rules", [] {
             ExampleYear example;
             YearFiles(example.year->students().csvPath).loadRules(*example.year);
             return *example.year;
         }},
    };
}

// name, draw number, classes after the press, after evening out
struct Pin {
    const char* name;
    uint32_t drawNumber;
    uint64_t pressed, evened;
};

const std::vector<Pin> kPins = {
#include "tests/division/YearFingerprints.inc"
};

TEST(YearFingerprints, PressAndEveningOutGiveThePinnedClasses)
{
    const bool print = !qEnvironmentVariableIsEmpty("CLASSDIV_PRINT_FINGERPRINTS");
    size_t checked = 0;
    for (const Case& c : cases()) {
        const Year built = c.year();
        for (uint32_t number : {1u, 2u}) {
            Year year = built;
            ASSERT_FALSE(year.pressNumber(number).message) << c.name;
            const uint64_t pressed = classesFingerprint(year);
            NumberedRandomSource random(number);
            year.evenOut(random);
            const uint64_t evened = classesFingerprint(year);
            if (print)
                std::printf("{\"%s\", %u, 0x%016llxULL, 0x%016llxULL},\n", c.name.c_str(), number,
                            static_cast<unsigned long long>(pressed), static_cast<unsigned long long>(evened));
            for (const Pin& pin : kPins)
                if (c.name == pin.name && pin.drawNumber == number) {
                    EXPECT_EQ(pressed, pin.pressed) << c.name << ", draw " << number;
                    EXPECT_EQ(evened, pin.evened) << c.name << ", draw " << number;
                    ++checked;
                }
        }
    }
    EXPECT_EQ(checked, kPins.size());
}

} // namespace
