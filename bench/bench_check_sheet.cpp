// 確認票 for 500 students in 6 classes under every rule (30 keep-apart
// marks, 20 together sets, 15 fixed classes, three flag columns, a mixing
// column) and 40 entries of the school's record: the sheet's lines from the
// year's checks, the roster file's fingerprint, and its pages into the PDF
// in memory, or onto the screen as the window shows them (goal 300 ms). Run
// on the offscreen platform unless QT_QPA_PLATFORM is set.

#include "support/BenchmarkYears.h"

#include "bench/PaintingMain.h"
#include "division/Year.h"
#include "export/CheckSheet.h"
#include "ui/CheckSheetPaper.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace classdiv {
namespace {

struct SheetYear {
    testing::RulesYear made = testing::rulesYear();
    Year year = made.division.year();
    QTemporaryDir folder;
    QString roster;

    SheetYear()
    {
        const int n = made.division.students.count();
        made.rules.cells[RuleBox::Mix].assign(size_t(n) + 1, QString());
        for (int r = 1; r <= n; ++r)
            made.rules.cells[RuleBox::Mix][size_t(r)] = QString::number(1 + (r * 7) % 12); // the old class
        year.setRules(made.rules);
        testing::YearNumbers numbers(36);
        std::vector<ApartEntry> record;
        for (int e = 0; e < 40; ++e) {
            const int a = 1 + numbers.below(n), b = 1 + numbers.below(n);
            record.push_back({{a, b}, QStringLiteral("%1・%2 トラブル").arg(year.students()[a].name, year.students()[b].name)});
        }
        year.setRecordEntries(std::move(record));
        year.pressNumber(2026);
        // A roster file of the size of a real one: 500 lines of 14 columns.
        roster = folder.filePath(QStringLiteral("nen1.csv"));
        QFile file(roster);
        file.open(QIODevice::WriteOnly);
        for (int r = 0; r <= n; ++r)
            file.write(QByteArray("20240101,1,山田　太郎,やまだ たろう,男,音女,85,A,,,○,,7.8,64\r\n"));
    }
    CheckSheet sheet() const
    {
        return checkSheet(year, {roster, rosterFingerprint(roster), QStringLiteral("作業中"), QDateTime::currentDateTime()});
    }
};

void CheckSheetPdf500(benchmark::State& state)
{
    const SheetYear y;
    qint64 bytes = 0;
    int broken = 0;
    int pages = 0;
    for (auto _ : state) {
        const CheckSheet sheet = y.sheet();
        bytes = checkSheetPdf(sheet).size();
        broken = sheet.broken;
        pages = checkSheetPageCount(sheet);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["kB"] = double(bytes) / 1024;
    state.counters["broken"] = broken;
    state.counters["pages"] = pages;
}
BENCHMARK(CheckSheetPdf500)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sheet's lines alone: the checks of every rule.
void CheckSheetLines500(benchmark::State& state)
{
    const SheetYear y;
    for (auto _ : state)
        benchmark::DoNotOptimize(y.sheet().lines.size());
}
BENCHMARK(CheckSheetLines500)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the window draws: the lines and every page as a picture at 90 dpi.
void CheckSheetScreen500(benchmark::State& state)
{
    const SheetYear y;
    for (auto _ : state) {
        const CheckSheet sheet = y.sheet();
        for (int p = 0; p < checkSheetPageCount(sheet); ++p)
            benchmark::DoNotOptimize(checkSheetPageImage(sheet, p, 90).width());
    }
}
BENCHMARK(CheckSheetScreen500)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace classdiv

int main(int argc, char* argv[]) { return runPaintingBenchmarks(argc, argv); }
