// The confidential papers of 500 students: the cards' PDF (choosing the
// cards, their texts and sizes, painting and making the PDF in memory), and
// the meeting sheets' PDF. Run on the offscreen platform unless
// QT_QPA_PLATFORM is set.

#include "support/BenchmarkYears.h"

#include "export/PaperColumns.h"
#include "export/RosterSheets.h"
#include "export/StudentCards.h"
#include "ui/CardsPdf.h"
#include "ui/Layout.h"
#include "bench/PaintingMain.h"
#include "ui/RosterPdf.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace classdiv {
namespace {

struct PapersYear {
    testing::RulesYear year = testing::rulesYear();
    std::vector<int16_t> classes;
    PaperColumns columns;

    PapersYear()
    {
        const int n = year.division.students.count();
        classes.assign(size_t(n) + 1, 0);
        year.rules.cells[RuleBox::Mix].assign(size_t(n) + 1, QString());
        for (int r = 1; r <= n; ++r) {
            classes[size_t(r)] = int16_t(1 + r % 12);
            year.rules.cells[RuleBox::Mix][size_t(r)] = QString::number(1 + (r * 7) % 12); // the old class
        }
        CurrentCsv none;
        none.message = Message{};
        columns = paperColumns(year.division.students, year.rules, none);
    }
};

void CardsPdf500(benchmark::State& state)
{
    const PapersYear p;
    const Students& students = p.year.division.students;
    const CardChoice choice{defaultCardColumns(p.columns), p.columns.mix, CardOrder::NewClass};
    const PaperCopies copies{QStringLiteral("案1"), QDateTime::currentDateTime(), 1};
    qint64 bytes = 0;
    for (auto _ : state) {
        const CardSheets sheets = studentCards(students, p.classes, scoreBands(students), {}, p.columns, choice);
        bytes = cardsPdf(sheets, copies).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["kB"] = double(bytes) / 1024;
}
BENCHMARK(CardsPdf500)->Unit(benchmark::kMillisecond)->UseRealTime();

void MeetingSheetsPdf500(benchmark::State& state)
{
    const PapersYear p;
    const Students& students = p.year.division.students;
    DistributionTable distribution;
    fillDistributionTable(students, scoreBands(students), p.classes, distribution);
    const PaperCopies copies{QStringLiteral("案1"), QDateTime::currentDateTime(), 1};
    for (auto _ : state) {
        const auto sheets = meetingSheets(students, p.classes, distribution, p.columns, defaultSheetColumns(p.columns),
                                          RosterOrder::Score);
        benchmark::DoNotOptimize(rosterPdf(sheets, copies).size());
    }
}
BENCHMARK(MeetingSheetsPdf500)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace classdiv

int main(int argc, char* argv[]) { return runPaintingBenchmarks(argc, argv); }
