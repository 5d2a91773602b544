// Evening out with score columns beside the main one.
//
//   build/bench/bench_score_columns --benchmark_counters_tabular=true
//
// Years: halves300, about 300 students in two halves of four classes (each
// half's groups over its own four classes) joined by a small group over one
// class of each half, its main score a 3-subject total (0..300), beside a
// 50 m time in tenths of a second with a few blanks, 数学 and 英語; rules500,
// the 500 students under every rule of bench_rules with the same three
// columns; crossed240, the crossed year of bench_even_averages with a time
// and a subject; the example year with its rule file (its 50m走 and 数学). The number after the year's name is how many extra columns
// are evened.
//
// Counters: largest_before/after/worst, the largest normalised spread (class
// average spread over linked classes / the column's standard deviation) of
// the press, the mean and the worst after each use; main_with, the main
// score's own spread after evening with the extra columns; main_alone, the
// same year evened on its main score alone (the price of the extra columns
// is main_with - main_alone); broken, rules apart/together/fixed left unmet.
//
// With CLASSDIV_WRITE_YEARS=<folder> it writes each year as <name>.csv with
// its conditions: columns 番号, 氏名, グループ, 点数, 50m走, 数学, 英語 and, for
// rules500, 別クラス, 同じクラス, クラス指定 and the flags, for
// scripts/exact_spread.py --scores.

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

#include <set>
#include <stdexcept>

namespace {

using namespace classdiv;
using namespace classdiv::testing;

struct ScoredYear {
    DivisionYear division;
    SpreadRules rules; // the rules, and all three score columns
};

double roughlyNormal(YearNumbers& numbers, double mean, double sd)
{
    double sum = 0;
    for (int k = 0; k < 4; ++k)
        sum += (numbers.next() % 10000) / 10000.0;
    return mean + (sum - 2.0) * sd * 1.73;
}

// A 50 m time (one blank in about 40), and two subjects that follow the main
// score a little, as a subject of the total does.
void addScoreColumns(ScoredYear& year, double mainMean, double mainPerSubject, uint64_t seed)
{
    YearNumbers numbers(seed);
    const Students& students = year.division.students;
    const int n = students.count();
    ScoreColumn time{QStringLiteral("50m走"), std::vector<std::optional<double>>(n + 1)};
    ScoreColumn maths{QStringLiteral("数学"), std::vector<std::optional<double>>(n + 1)};
    ScoreColumn english{QStringLiteral("英語"), std::vector<std::optional<double>>(n + 1)};
    for (int r = 1; r <= n; ++r) {
        if (numbers.below(40) != 0)
            time.values[r] = std::round(roughlyNormal(numbers, 8.6, 0.7) * 10) / 10;
        const double lead = (students[r].score - mainMean) * mainPerSubject;
        maths.values[r] = std::clamp(std::round(roughlyNormal(numbers, 60 + lead, 14)), 0.0, 100.0);
        english.values[r] = std::clamp(std::round(roughlyNormal(numbers, 60 + lead, 14)), 0.0, 100.0);
    }
    year.rules.numbers[RuleBox::Scores] = {time, maths, english};
}

ScoredYear halvesYear()
{
    YearNumbers numbers(3003);
    // Half A: classes 1-4, half B: 5-8; C over classes 4 and 5. Names in the order the group
    // table sorts them, which the conditions file follows.
    const struct {
        const char* name;
        int first, heads[4];
        double mean;
    } plans[] = {
        {"A1", 1, {13, 13, 12, 12}, 190}, {"A2", 1, {12, 12, 13, 12}, 170}, {"A3", 1, {11, 11, 11, 11}, 150},
        {"B1", 5, {12, 13, 13, 13}, 185}, {"B2", 5, {13, 12, 12, 12}, 165}, {"B3", 5, {12, 12, 12, 12}, 160},
    };
    std::vector<GroupOfYear> groups;
    std::vector<std::vector<double>> scores;
    for (const auto& p : plans) {
        std::vector<std::pair<int, int>> plan;
        int size = 0;
        for (int k = 0; k < 4; ++k) {
            plan.emplace_back(p.first + k, p.heads[k]);
            size += p.heads[k];
        }
        groups.push_back({QString::fromUtf8(p.name), size, plan});
        std::vector<double> total;
        for (int i = 0; i < size; ++i)
            total.push_back(std::clamp(std::round(roughlyNormal(numbers, p.mean, 40)), 0.0, 300.0));
        scores.push_back(total);
    }
    groups.push_back({QStringLiteral("C"), 8, {{4, 4}, {5, 4}}});
    std::vector<double> bridge;
    for (int i = 0; i < 8; ++i)
        bridge.push_back(std::clamp(std::round(roughlyNormal(numbers, 200, 40)), 0.0, 300.0));
    scores.push_back(bridge);
    ScoredYear year{DivisionYear(groups, false, scores), {}};
    addScoreColumns(year, 170, 0.15, 3004);
    return year;
}

ScoredYear rulesScoredYear()
{
    RulesYear built = rulesYear();
    ScoredYear year{built.division, built.rules};
    addScoreColumns(year, 62, 0.5, 5005);
    return year;
}

ScoredYear crossedScoredYear()
{
    ScoredYear year{crossedYear(), {}};
    addScoreColumns(year, 65, 0.5, 2402);
    year.rules.numbers[RuleBox::Scores].pop_back();
    return year;
}

QString cellText(const std::optional<double>& v) { return v ? QString::number(*v) : QString(); }

void writeOnce(const ScoredYear& year, const QString& name)
{
    static std::set<QString> written;
    const QString folder = qEnvironmentVariable("CLASSDIV_WRITE_YEARS");
    if (folder.isEmpty() || !written.insert(name).second)
        return;
    QDir().mkpath(folder);
    const Students& students = year.division.students;
    const SpreadRules& rules = year.rules;
    const bool ruled = !rules.cells[RuleBox::Marks].empty();
    QStringList head{"番号", "氏名", "グループ", "点数"};
    for (const ScoreColumn& column : rules.numbers[RuleBox::Scores])
        head << column.name;
    if (ruled)
        head << "別クラス" << "同じクラス" << "クラス指定";
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        head << flag.name;
    QString csv = head.join(u',') + QStringLiteral("\r\n");
    for (int r = 1; r <= students.count(); ++r) {
        const Student& s = students[r];
        QStringList cells{s.id, s.name, s.group, s.scoreText};
        for (const ScoreColumn& column : rules.numbers[RuleBox::Scores])
            cells << cellText(column.values[r]);
        if (ruled)
            cells << rules.cells[RuleBox::Marks][r] << rules.cells[RuleBox::Together][r] << rules.cells[RuleBox::Fixed][r];
        for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
            cells << flag.values[r];
        csv += cells.join(u',') + QStringLiteral("\r\n");
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".csv"));
    QFile file(path);
    QFile conditions(YearFiles(path).conditionsPath());
    const QByteArray bytes = "\xEF\xBB\xBF" + csv.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !conditions.open(QIODevice::WriteOnly) ||
        conditions.write(formatConditionsFile(year.division.ws)) < 0)
        throw std::runtime_error("cannot write the year");
}

// The main score's spread when the same draw is evened on it alone, a few uses.
double mainSpreadAlone(const Year& pressed, SpreadRules rules, ClockRandomSource& random)
{
    rules.numbers[RuleBox::Scores].clear();
    double sum = 0;
    constexpr int kUses = 5;
    for (int i = 0; i < kUses; ++i) {
        Year use = pressed;
        use.setRules(rules);
        use.evenOut(random);
        sum += averageSpread(use);
    }
    return sum / kUses;
}

void evenOutWith(benchmark::State& s, Year year, const SpreadRules& rules)
{
    year.setRules(rules);
    ClockRandomSource random;
    if (year.press(random).message)
        throw std::logic_error("the year is refused");
    const Year pressed = year;
    double largest = 0, worst = 0, mainWith = 0;
    size_t broken = 0;
    for (auto _ : s) {
        s.PauseTiming();
        Year use = pressed; // every use starts from the same draw
        s.ResumeTiming();
        const EvenOutcome outcome = use.evenOut(random);
        benchmark::DoNotOptimize(outcome);
        s.PauseTiming();
        const ScoreColumnSpreads spreads = scoreColumnSpreads(use, use.classes());
        largest += spreads.largest;
        worst = std::max(worst, spreads.largest);
        mainWith += spreads.mainSpread;
        const RuleBreaks breaks = findRuleBreaks(use.students(), use.classes(), use.bands(), rules);
        broken = std::max(broken, breaks.marks.size() + breaks.together.size() + breaks.fixed.size());
        s.ResumeTiming();
    }
    const double uses = static_cast<double>(s.iterations());
    s.counters["largest_before"] = scoreColumnSpreads(pressed, pressed.classes()).largest;
    s.counters["largest_after"] = largest / uses;
    s.counters["largest_worst"] = worst;
    s.counters["main_with"] = mainWith / uses;
    s.counters["main_alone"] = mainSpreadAlone(pressed, rules, random);
    s.counters["broken"] = static_cast<double>(broken);
}

void evenOutWith(benchmark::State& s, const ScoredYear& built, const QString& name, int extraColumns)
{
    writeOnce(built, name);
    SpreadRules rules = built.rules;
    rules.numbers[RuleBox::Scores].resize(static_cast<size_t>(extraColumns));
    evenOutWith(s, built.division.year(), rules);
}

void BM_Halves300(benchmark::State& s)
{
    static const ScoredYear year = halvesYear();
    evenOutWith(s, year, QStringLiteral("halves300"), static_cast<int>(s.range(0)));
}
BENCHMARK(BM_Halves300)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_Rules500(benchmark::State& s)
{
    static const ScoredYear year = rulesScoredYear();
    evenOutWith(s, year, QStringLiteral("rules500scores"), static_cast<int>(s.range(0)));
}
BENCHMARK(BM_Rules500)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_Crossed240(benchmark::State& s)
{
    static const ScoredYear year = crossedScoredYear();
    evenOutWith(s, year, QStringLiteral("crossed240scores"), static_cast<int>(s.range(0)));
}
BENCHMARK(BM_Crossed240)->Arg(2)->Unit(benchmark::kMillisecond);

// The example year with every rule of its rule file: 50m走 and 数学 evened beside the score.
void BM_ExampleYear(benchmark::State& s)
{
    ExampleYear example;
    evenOutWith(s, *example.year, storedSpreadRules(example.year->students(), YearFiles(example.year->students().csvPath).readRules()));
}
BENCHMARK(BM_ExampleYear)->Unit(benchmark::kMillisecond);

} // namespace
