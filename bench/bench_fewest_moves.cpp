// 最小の移動で直す on two years whose roster or plans changed after a draft
// was kept (tests/support/ChangedYears.h): the 500 under every rule with 3
// students gone, 2 new and 1 in another group, and 281 in 9 classes become
// 280 in 8. Every use starts from the same carried-over draft with another seed.
//
//   build/bench/bench_fewest_moves --benchmark_counters_tabular=true
//
// Counters: moves_min / moves_max over the uses (the exact fewest is what
// scripts/exact_moves.py prints), placed (new students given a class),
// spread_best / spread_mean / spread_worst of the averages, scratch (evening out from
// scratch on the first mend, for comparison), broken (rules broken after
// any use: apart, together, fixed, bands, flags).
//
// With CLASSDIV_WRITE_YEARS=<folder> it writes each year as changed500.csv and
// fewer280.csv with its conditions: columns 番号, 氏名, グループ, 点数,
// 別クラス, 同じクラス, クラス指定, 案 (the kept class, 0 for a new student),
// 直した組 (the first use's mend), then the flags and 混ぜる, for
//   python3 scripts/exact_moves.py <folder>/changed500.csv --draft 8 --mended 9 --flags 10,11,12
//   python3 scripts/exact_moves.py <folder>/fewer280.csv --draft 8 --mended 9 --flags 10,11

#include "support/ChangedYears.h"

#include "division/EvenAverages.h"
#include "division/FewestMovesYear.h"
#include "division/lists/ClassSwaps.h"

#include <benchmark/benchmark.h>

#include <QDir>

#include <algorithm>
#include <stdexcept>

namespace {

using namespace classdiv;
using namespace classdiv::testing;

void write(const ChangedYear& changed, const std::vector<int16_t>& mended, const QString& name)
{
    const QString folder = qEnvironmentVariable("CLASSDIV_WRITE_YEARS");
    if (!folder.isEmpty())
        writeMovesYear(QDir(folder).filePath(name), changed.students, changed.ws, changed.rules, changed.draft, mended);
}

void measure(benchmark::State& s, const ChangedYear& changed, const QString& name)
{
    const Year year = changed.year();
    uint64_t seed = 1;
    int fewest = 1 << 30, most = 0, placed = 0;
    size_t broken = 0;
    double best = 1e9, worst = 0, scratch = -1, sum = 0;
    for (auto _ : s) {
        const FewestMovesOutcome out = findFewestMoves(year, {}, seed++);
        s.PauseTiming();
        if (out.refusal)
            throw std::runtime_error(out.refusal->text.toStdString());
        if (scratch < 0) {
            scratch = scratchSpread(year, out.classes, 7);
            write(changed, out.classes, name);
        }
        fewest = std::min(fewest, out.moves);
        most = std::max(most, out.moves);
        placed = static_cast<int>(out.students.size()) - out.moves;
        best = std::min(best, out.spread);
        worst = std::max(worst, out.spread);
        sum += out.spread;
        const RuleBreaks breaks = findRuleBreaks(year.students(), out.classes, year.bands(), year.rules());
        broken = std::max(broken, breaks.marks.size() + breaks.together.size() + breaks.fixed.size() + breaks.bands.size() +
                                      breaks.flags.size());
        s.ResumeTiming();
    }
    s.counters["moves_min"] = fewest;
    s.counters["moves_max"] = most;
    s.counters["placed"] = placed;
    s.counters["spread_best"] = best;
    s.counters["spread_worst"] = worst;
    s.counters["spread_mean"] = sum / static_cast<double>(s.iterations());
    s.counters["scratch"] = scratch;
    s.counters["broken"] = static_cast<double>(broken);
}

void BM_Changed500AllRules(benchmark::State& s)
{
    static const ChangedYear changed = changedRulesYear();
    measure(s, changed, QStringLiteral("changed500.csv"));
}
BENCHMARK(BM_Changed500AllRules)->Unit(benchmark::kMillisecond)->Iterations(72);

void BM_Fewer280Classes(benchmark::State& s)
{
    static const ChangedYear changed = fewerClassesYear();
    measure(s, changed, QStringLiteral("fewer280.csv"));
}
BENCHMARK(BM_Fewer280Classes)->Unit(benchmark::kMillisecond)->Iterations(72);

} // namespace
