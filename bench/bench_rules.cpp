// Evening out under all of the teacher's rules at once: 500 students in 8
// groups over 6 classes with 30 pairs kept apart, 20 pairs kept together,
// 15 fixed classes and three flag columns of 10, 25 and 40 students. Also
// the same year without rules, for the time the rules cost.
//
//   build/bench/bench_rules --benchmark_counters_tabular=true
//
// Counters: spread_before/after/worst as in bench_even_averages; broken, the
// most rules broken after one use (apart, together, fixed; always 0 when
// the rules can be met); flags_off and bands_off, the most cells of a flag
// value or a score band outside floor .. ceiling of their fair share.
//
// Also the example year with its rule file, and a year of 318 in one group, six classes of 40 and two of 39, whose
// 160 boys and 158 girls the flag column 性別 spreads, beside leaders,
// students who need support and pairs kept apart; flag_dev1..3 are the
// largest |count - fair share| of each flag column in the worst use, and
// flag_best1..3 in the best; on years that mix a column, mix_dev is mixing's
// largest |count - fair share| in the worst use and mix_cells its cells at it.
//
// Also the 500 with an old class of 12 mixed besides (rules500mixed.csv).
//
// With CLASSDIV_WRITE_YEARS=<folder> it writes the years as rules500.csv and sexes318.csv with
// its conditions: columns 番号, 氏名, グループ, 点数, 別クラス, 同じクラス,
// クラス指定, the flags and, where the year mixes a column, 混ぜる last, for
// scripts/exact_spread.py --rules.

#include "support/BenchmarkYears.h"
#include "support/Years.h"

#include "conditions/ConditionsFile.h"
#include "conditions/SpreadColumns.h"
#include "division/lists/ClassSwaps.h"
#include "division/EvenAverages.h"
#include "files/YearFiles.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>

namespace {

using namespace classdiv;
using namespace classdiv::testing;

void writeOnce(const RulesYear& year, const QString& name)
{
    const QString folder = qEnvironmentVariable("CLASSDIV_WRITE_YEARS");
    if (folder.isEmpty() || QFile::exists(QDir(folder).filePath(name)))
        return;
    QDir().mkpath(folder);
    const Students& students = year.division.students;
    const SpreadRules& rules = year.rules;
    QString csv = QStringLiteral("番号,氏名,グループ,点数,別クラス,同じクラス,クラス指定");
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        csv += u',' + flag.name;
    if (!rules.cells[RuleBox::Mix].empty())
        csv += QStringLiteral(",混ぜる");
    csv += QStringLiteral("\r\n");
    for (int r = 1; r <= students.count(); ++r) {
        const Student& s = students[r];
        QStringList cells{s.id, s.name, s.group, s.scoreText, rules.cells[RuleBox::Marks][r], rules.cells[RuleBox::Together][r], rules.cells[RuleBox::Fixed][r]};
        for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
            cells << flag.values[r];
        if (!rules.cells[RuleBox::Mix].empty())
            cells << rules.cells[RuleBox::Mix][r];
        csv += cells.join(u',') + QStringLiteral("\r\n");
    }
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    QFile conditions(YearFiles(path).conditionsPath());
    const QByteArray bytes = "\xEF\xBB\xBF" + csv.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !conditions.open(QIODevice::WriteOnly) ||
        conditions.write(formatConditionsFile(year.division.ws)) < 0)
        throw std::runtime_error("cannot write the year");
}

void measureUses(benchmark::State& s, Year year, const SpreadRules& rules, bool withRules)
{
    if (withRules)
        year.setRules(rules);
    ClockRandomSource random;
    if (year.press(random).message)
        throw std::logic_error("the year is refused");
    const Year pressed = year;
    double after = 0, worst = 0;
    size_t broken = 0, flagsOff = 0, bandsOff = 0;
    std::vector<double> flagWorst(rules.columns[RuleBox::Flags].size(), 0.0), flagBest(rules.columns[RuleBox::Flags].size(), 1e9);
    DeviationCells mixWorst;
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
        const RuleBreaks breaks = findRuleBreaks(use.students(), use.classes(), use.bands(), rules);
        broken = std::max(broken, breaks.marks.size() + breaks.together.size() + breaks.fixed.size());
        flagsOff = std::max(flagsOff, breaks.flags.size());
        bandsOff = std::max(bandsOff, breaks.bands.size());
        for (size_t k = 0; withRules && k < flagWorst.size(); ++k) {
            const double d = shareDeviation(use.rules(), use.rules().typed[RuleBox::Flags][k], use.classes());
            flagWorst[k] = std::max(flagWorst[k], d);
            flagBest[k] = std::min(flagBest[k], d);
        }
        if (withRules)
            mixWorst.keepWorst(deviationCells(use.rules(), use.rules().column(RuleBox::Mix), use.classes()));
        s.ResumeTiming();
    }
    s.counters["spread_before"] = averageSpread(pressed);
    s.counters["spread_after"] = after / static_cast<double>(s.iterations());
    s.counters["spread_worst"] = worst;
    s.counters["broken"] = static_cast<double>(broken);
    s.counters["flags_off"] = static_cast<double>(flagsOff);
    s.counters["bands_off"] = static_cast<double>(bandsOff);
    if (withRules && !rules.cells[RuleBox::Mix].empty()) {
        s.counters["mix_dev"] = mixWorst.deviation;
        s.counters["mix_cells"] = mixWorst.cells;
    }
    for (size_t k = 0; withRules && k < flagWorst.size(); ++k) {
        s.counters["flag_dev" + std::to_string(k + 1)] = flagWorst[k];
        s.counters["flag_best" + std::to_string(k + 1)] = flagBest[k];
    }
}

void evenOutUnder(benchmark::State& s, bool withRules, const RulesYear& built, const QString& name)
{
    writeOnce(built, name);
    measureUses(s, built.division.year(), built.rules, withRules);
}

void BM_Year500AllRules(benchmark::State& s)
{
    evenOutUnder(s, true, rulesYear(), QStringLiteral("rules500.csv"));
}
BENCHMARK(BM_Year500AllRules)->Unit(benchmark::kMillisecond)->Iterations(24);

void BM_Year500NoRules(benchmark::State& s)
{
    evenOutUnder(s, false, rulesYear(), QStringLiteral("rules500.csv"));
}
BENCHMARK(BM_Year500NoRules)->Unit(benchmark::kMillisecond);

void BM_Year318Sexes(benchmark::State& s)
{
    evenOutUnder(s, true, sexesYear(), QStringLiteral("sexes318.csv"));
}
BENCHMARK(BM_Year318Sexes)->Unit(benchmark::kMillisecond)->Iterations(24);

void BM_Year456EveryRule(benchmark::State& s)
{
    evenOutUnder(s, true, coursesRulesYear(), QStringLiteral("courses456rules.csv"));
}
BENCHMARK(BM_Year456EveryRule)->Unit(benchmark::kMillisecond)->Iterations(24);

// The 500 under every rule with an old class of 12 mixed as well: the time
// mixing's least deviation costs beneath the flags.
void BM_Year500EveryRuleMixed(benchmark::State& s)
{
    RulesYear built = rulesYear();
    YearNumbers numbers(5012);
    std::vector<QString>& mix = built.rules.cells[RuleBox::Mix];
    mix.assign(static_cast<size_t>(built.division.students.count()) + 1, QString());
    for (size_t r = 1; r < mix.size(); ++r)
        mix[r] = QString::number(1 + numbers.below(12));
    evenOutUnder(s, true, built, QStringLiteral("rules500mixed.csv"));
}
BENCHMARK(BM_Year500EveryRuleMixed)->Unit(benchmark::kMillisecond)->Iterations(24);

// The example year with the rules of its nen1.csvBUNKATSU.TXT (together,
// fixed, the flags リーダー, ピアノ and 性別, mixing the old class).
void BM_ExampleYearRules(benchmark::State& s)
{
    ExampleYear example;
    const SpreadRules rules = storedSpreadRules(example.year->students(), YearFiles(example.year->students().csvPath).readRules());
    measureUses(s, *example.year, rules, true);
}
BENCHMARK(BM_ExampleYearRules)->Unit(benchmark::kMillisecond)->Iterations(24);

} // namespace
