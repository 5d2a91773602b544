// Evening out the averages of one draw: the time, and the spread of the
// averages of linked classes before and after, on the example year, on a
// year whose six groups cross six classes, on two years shaped like real
// schools (215 students in six art electives by sex over six classes; 456 in
// ten linked classes with half-point scores), and on 500 students in 8 groups
// over 6 classes (also with keep-apart marks and a mixing column).
//
//   build/bench/bench_even_averages --benchmark_counters_tabular=true
//
// spread_* are of the averages score total / head count, whose best
// scripts/exact_spread.py finds; with fractional scores, shown_* are of the
// averages as the distribution table shows them (it rounds every running
// class total).
//
// With CLASSDIV_WRITE_YEARS=<folder> it first writes the crossed, school and
// 500 years there as CSV files with their conditions, for
// scripts/exact_spread.py to find the best spread they allow.

#include "support/BenchmarkYears.h"
#include "support/Years.h"

#include "conditions/ConditionsFile.h"
#include "division/EvenAverages.h"
#include "files/YearFiles.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

using namespace classdiv;
using namespace classdiv::testing;

// The crossed year with scores spread wider inside each group: its best
// needs the band counts of several classes of a group to turn at once.
constexpr double kWiderSpread = 5;

// The spread of the averages as the distribution table shows them: its
// class totals round every running sum of fractional scores. Within each set
// of classes linked by a group, the largest of these.
double shownSpread(const Year& year)
{
    const ConditionsWorkspace& ws = year.workspace();
    std::map<int, int> parent;
    const auto root = [&](int c) {
        parent.emplace(c, c);
        while (parent[c] != c)
            c = parent[c];
        return c;
    };
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& c = ws.conditions[g];
        for (int k = 2; k <= c.classCount; ++k)
            parent[root(c.rows[k].classNumber)] = root(c.rows[1].classNumber);
    }
    const DistributionTable& table = year.distribution();
    std::map<int, std::pair<double, double>> range; // root -> (lowest, highest)
    for (int k = 1; k <= 10; ++k) {
        if (table.classHeadCount[k] == 0)
            continue;
        const double average = static_cast<double>(table.classScoreTotal[k]) / table.classHeadCount[k];
        const auto [at, added] = range.emplace(root(k), std::pair{average, average});
        at->second = {std::min(at->second.first, average), std::max(at->second.second, average)};
    }
    double spread = 0;
    for (const auto& [r, lowHigh] : range)
        spread = std::max(spread, lowHigh.second - lowHigh.first);
    return spread;
}

void writeYear(const QString& folder, const QString& name, const DivisionYear& year)
{
    QByteArray csv = "\xEF\xBB\xBF" + QStringLiteral("番号,氏名,グループ,点数\r\n").toUtf8();
    for (int e = 1; e <= year.students.count(); ++e) {
        const Student& r = year.students[e];
        csv += QStringLiteral("%1,%2,%3,%4\r\n").arg(r.id, r.name, r.group, r.scoreText).toUtf8();
    }
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    QFile conditions(YearFiles(path).conditionsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !conditions.open(QIODevice::WriteOnly)
        || conditions.write(formatConditionsFile(year.ws)) < 0)
        throw std::runtime_error("cannot write the years");
}

// Once, from the first benchmark: static initialisers of the library may
// not have run before those of this file.
void writeYearsOnce()
{
    static const bool written = [] {
        const QString folder = qEnvironmentVariable("CLASSDIV_WRITE_YEARS");
        if (folder.isEmpty())
            return false;
        QDir().mkpath(folder);
        writeYear(folder, QStringLiteral("crossed.csv"), crossedYear());
        writeYear(folder, QStringLiteral("crossed5.csv"), crossedYear(kWiderSpread));
        writeYear(folder, QStringLiteral("full500.csv"), fullYear());
        writeYear(folder, QStringLiteral("electives215.csv"), artElectivesYear());
        writeYear(folder, QStringLiteral("courses456.csv"), coursesYear());
        return true;
    }();
    (void)written;
}

void run(benchmark::State& s, Year year, const SpreadRules& rules)
{
    writeYearsOnce();
    ClockRandomSource random;
    year.setRules(rules);
    if (year.press(random).message)
        throw std::logic_error("the year is refused");
    const Year pressed = year;
    const double before = averageSpread(pressed);
    const double mixBefore = mixingDeviation(pressed.rules(), pressed.classes());
    double after = 0, worst = 0, shownAfter = 0, shownWorst = 0;
    DeviationCells mixAfter;
    for (auto _ : s) {
        s.PauseTiming();
        Year use = pressed; // every use starts from the same draw
        s.ResumeTiming();
        const EvenOutcome outcome = use.evenOut(random);
        benchmark::DoNotOptimize(outcome);
        s.PauseTiming();
        const double spread = averageSpread(use);
        after += spread;
        worst = std::max(worst, spread);
        const double shown = shownSpread(use);
        shownAfter += shown;
        shownWorst = std::max(shownWorst, shown);
        mixAfter.keepWorst(deviationCells(use.rules(), use.rules().column(RuleBox::Mix), use.classes()));
        s.ResumeTiming();
    }
    s.counters["spread_before"] = before;
    s.counters["spread_after"] = after / static_cast<double>(s.iterations());
    s.counters["spread_worst"] = worst;
    if (!pressed.students().wholeScores) {
        s.counters["shown_after"] = shownAfter / static_cast<double>(s.iterations());
        s.counters["shown_worst"] = shownWorst;
    }
    if (!rules.cells[RuleBox::Mix].empty()) {
        s.counters["mix_before"] = mixBefore;
        s.counters["mix_worst"] = mixAfter.deviation;
        s.counters["mix_cells"] = mixAfter.cells; // at mix_worst, in the worst use
    }
}

void BM_ExampleYear(benchmark::State& s)
{
    ExampleYear example;
    run(s, *example.year, {});
}
BENCHMARK(BM_ExampleYear)->Unit(benchmark::kMillisecond);

void BM_ExampleYearMixingOldClass(benchmark::State& s)
{
    ExampleYear example;
    SpreadRules mixing;
    mixing.cells[RuleBox::Mix] = example.oldClass;
    run(s, *example.year, mixing);
}
BENCHMARK(BM_ExampleYearMixingOldClass)->Unit(benchmark::kMillisecond);

void BM_CrossedYear(benchmark::State& s)
{
    run(s, crossedYear().year(), {});
}
BENCHMARK(BM_CrossedYear)->Unit(benchmark::kMillisecond);

void BM_CrossedYearWider(benchmark::State& s)
{
    run(s, crossedYear(kWiderSpread).year(), {});
}
BENCHMARK(BM_CrossedYearWider)->Unit(benchmark::kMillisecond);

void BM_ArtElectives215(benchmark::State& s)
{
    run(s, artElectivesYear().year(), {});
}
BENCHMARK(BM_ArtElectives215)->Unit(benchmark::kMillisecond);

void BM_Courses456(benchmark::State& s)
{
    run(s, coursesYear().year(), {});
}
BENCHMARK(BM_Courses456)->Unit(benchmark::kMillisecond);

void BM_FullYear500(benchmark::State& s)
{
    run(s, fullYear().year(), {});
}
BENCHMARK(BM_FullYear500)->Unit(benchmark::kMillisecond);

// 30 pairs and 5 triples to keep apart, and 12 old classes to mix.
void BM_FullYear500WithRules(benchmark::State& s)
{
    const DivisionYear year = fullYear();
    const int n = year.students.count();
    SpreadRules rules;
    rules.cells[RuleBox::Marks].assign(n + 1, QString());
    rules.cells[RuleBox::Mix].assign(n + 1, QString());
    YearNumbers numbers(500);
    for (int e = 1; e <= n; ++e)
        rules.cells[RuleBox::Mix][e] = QString::number(1 + numbers.below(12));
    for (int m = 0; m < 35; ++m) {
        for (int i = 0; i < (m < 30 ? 2 : 3); ++i)
            rules.cells[RuleBox::Marks][1 + numbers.below(n)] = QStringLiteral("印%1").arg(m);
    }
    run(s, year.year(), rules);
}
BENCHMARK(BM_FullYear500WithRules)->Unit(benchmark::kMillisecond);

} // namespace
