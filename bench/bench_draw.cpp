// One press of the distribution button on a full year: 500 students in 8
// groups over 6 classes (check, draw, balance, write-back, statistics).
// The second benchmark clears the working tables at the sizes a fixed-table
// program would have before every press, to show what sizing them by use saves.

#include "division/Year.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

using namespace classdiv;

// 500 students, group g = (e - 1) % 8 + 1, scores already ranked within each group.
std::unique_ptr<Year> fullYear()
{
    constexpr int kGroups = 8;
    ConditionsWorkspace ws;
    ws.lastGroupIndex = kGroups - 1;
    ws.groupName.assign(kGroups + 1, QString());
    ws.groupSize.assign(kGroups + 1, 0);
    ws.groupStudents.assign(kGroups + 1, std::vector<int16_t>(1, 0));
    ws.conditions.assign(kGroups + 1, GroupCondition{});
    auto table = std::make_unique<StudentTable>();
    for (int e = 1; e <= 500; ++e) {
        const int g = (e - 1) % kGroups + 1;
        table->records[e] = {QString::number(e), QStringLiteral("生徒%1").arg(e), QStringLiteral("G%1").arg(g),
                             QString::number(100 - (e - 1) / kGroups)};
        ws.groupStudents[g].push_back(static_cast<int16_t>(e));
        ++ws.groupSize[g];
    }
    table->lineCount = 501;
    for (int g = 1; g <= kGroups; ++g) {
        ws.groupName[g] = QStringLiteral("G%1").arg(g);
        GroupCondition& c = ws.conditions[g];
        c.classCount = 6;
        // 63 -> 11 11 11 10 10 10, 62 -> 11 11 10 10 10 10: blocks of six
        // with a partial last block, so the balancing has work to do.
        const int size = ws.groupSize[g];
        for (int k = 1; k <= 6; ++k) {
            c.rows[k].classNumber = static_cast<int16_t>(k);
            c.rows[k].headCount = static_cast<int16_t>(size / 6 + (k <= size % 6 ? 1 : 0));
        }
    }
    return std::make_unique<Year>(typedStudents(*table), std::move(ws));
}

// The shapes of the fixed tables: positions x blocks x groups, ranks x groups, rows x groups.
struct FixedTables {
    int16_t blockDraws[301][101][101];
    int16_t rankSlot[301][101];
    int16_t rankClass[301][101];
    int16_t classSurplus[301][11];
};

double g_sizedNanoseconds = 0;

// CPU time of this thread: the ratio should not depend on what else the machine runs.
double cpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void BM_Press(benchmark::State& state)
{
    const std::unique_ptr<Year> year = fullYear();
    ClockRandomSource random;
    if (year->press(random).message)
        throw std::logic_error("the benchmark year is refused");
    const double start = cpuNanoseconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(year->press(random));
    g_sizedNanoseconds = (cpuNanoseconds() - start) / static_cast<double>(state.iterations());
    state.counters["presses/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Press);

void BM_PressClearingFixedTables(benchmark::State& state)
{
    const std::unique_ptr<Year> year = fullYear();
    ClockRandomSource random;
    auto tables = std::make_unique<FixedTables>();
    const double start = cpuNanoseconds();
    for (auto _ : state) {
        std::memset(tables.get(), 0, sizeof(FixedTables));
        benchmark::ClobberMemory();
        benchmark::DoNotOptimize(year->press(random));
    }
    const double plainNanoseconds = (cpuNanoseconds() - start) / static_cast<double>(state.iterations());
    state.counters["presses/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if (g_sizedNanoseconds > 0)
        state.counters["times_slower"] = plainNanoseconds / g_sizedNanoseconds;
}
BENCHMARK(BM_PressClearingFixedTables);

} // namespace
