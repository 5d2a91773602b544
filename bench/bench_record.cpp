// The separation record: a record of 5,000 entries read and held against a
// roster of 500 students (a quarter of the entries of students still at the
// school, the rest of students who left), as a roster load does; and an entry
// added while another program holds the record's lock for 200 ms.

#include "support/BenchmarkYears.h"
#include "support/Years.h"

#include "files/SharedRecord.h"
#include "division/rules/RecordMatch.h"
#include "division/lists/ClassSwaps.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

using namespace classdiv;

namespace {

testing::DivisionYear fiveHundred()
{
    std::vector<testing::GroupOfYear> groups;
    for (int g = 1; g <= 5; ++g) {
        testing::GroupOfYear group{QStringLiteral("G%1").arg(g), 100, {}};
        for (int k = 1; k <= 10; ++k)
            group.plan.emplace_back(k, 10);
        groups.push_back(group);
    }
    return testing::DivisionYear(groups);
}

SeparationRecord recordFor(const Students& students, int entries)
{
    testing::YearNumbers pick(7);
    SeparationRecord record;
    for (int e = 0; e < entries; ++e) {
        RecordEntry entry;
        entry.key = QStringLiteral("20250310120000000-%1").arg(e);
        for (int k = 0; k < 2; ++k) {
            if (e % 4 == 0) {
                const int row = 1 + pick.below(students.count());
                entry.students.push_back({students[row].id, students[row].name});
            } else {
                entry.students.push_back({QStringLiteral("卒%1").arg(pick.below(100000)), QStringLiteral("卒業生%1").arg(e)});
            }
        }
        entry.reason = QStringLiteral("トラブル");
        entry.schoolYear = 2020 + e % 5;
        entry.entered = QDate(2021 + e % 5, 3, 10);
        entry.enteredBy = QStringLiteral("田中");
        if (e % 10 == 9) {
            entry.ended = QDate(2026, 4, 1);
            entry.endReason = QStringLiteral("卒業");
        }
        record.entries.push_back(std::move(entry));
    }
    return record;
}

void LoadRecord5000Against500(benchmark::State& state)
{
    const testing::DivisionYear made = fiveHundred();
    Year year = made.year();
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("離す記録.txt"));
    writeRecordShared(path, RecordChange{recordFor(year.students(), 5000).entries, {}});
    size_t applied = 0;
    for (auto _ : state) {
        const RecordReadOutcome read = readSeparationRecord(path);
        RecordMatch match = matchRecord(read.record, year.students());
        applied = match.applied.size();
        year.setRecordEntries(std::move(match.applied));
        benchmark::DoNotOptimize(year.rules().recordEntries.data());
    }
    state.counters["applied"] = static_cast<double>(applied);
}
BENCHMARK(LoadRecord5000Against500)->Unit(benchmark::kMillisecond);

// Waits for the other program, then writes: about the 200 ms it holds the lock.
void AddWhileLockHeld200ms(benchmark::State& state)
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("離す記録.txt"));
    int written = 0, tries = 0;
    for (auto _ : state) {
        FileLock other(lockPathFor(path));
        if (other.acquire().status != LockOutcome::Status::Taken)
            state.SkipWithError("no lock");
        std::thread holder([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            other.release();
        });
        RecordEntry entry;
        entry.key = newEntryKey();
        entry.students = {{"1", "甲"}, {"2", "乙"}};
        entry.entered = QDate::currentDate();
        entry.schoolYear = schoolYearOf(entry.entered);
        written += writeRecordShared(path, RecordChange{{entry}, {}}).status == RecordWriteOutcome::Status::Written;
        ++tries;
        holder.join();
    }
    state.counters["written"] = written;
    state.counters["tries"] = tries;
}
BENCHMARK(AddWhileLockHeld200ms)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// 平均点をそろえる on the 500 students under every rule, beside 0 or 100 record
// entries (pairs and threes drawn at random, overlapping the marks and each
// other): the time of a use and the entries left together (none expected).
void EvenOut500EveryRuleWithEntries(benchmark::State& state)
{
    const testing::RulesYear built = testing::rulesYear();
    Year year = built.division.year();
    year.setRules(built.rules);
    testing::YearNumbers pick(11);
    std::vector<ApartEntry> entries;
    const int n = year.students().count();
    for (int e = 0; e < state.range(0); ++e) {
        std::vector<int> rows{1 + pick.below(n), 1 + pick.below(n)};
        if (e % 5 == 0)
            rows.push_back(1 + pick.below(n));
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        entries.push_back({rows, QStringLiteral("e%1").arg(e)});
    }
    year.setRecordEntries(entries);
    ClockRandomSource random;
    if (year.press(random).message)
        state.SkipWithError("the year is refused");
    const Year pressed = year;
    size_t together = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Year use = pressed;
        state.ResumeTiming();
        benchmark::DoNotOptimize(use.evenOut(random));
        state.PauseTiming();
        const RuleBreaks breaks = findRuleBreaks(use.students(), use.classes(), use.bands(), use.rules());
        together += std::count_if(breaks.marks.begin(), breaks.marks.end(), [](const MarkBreak& m) { return m.record; });
        state.ResumeTiming();
    }
    state.counters["entries_together"] = static_cast<double>(together);
}
BENCHMARK(EvenOut500EveryRuleWithEntries)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(12);

} // namespace
