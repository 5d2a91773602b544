// 案 for a year of 500 students in 5 groups over 10 classes: keeping a draft
// (the whole file written), opening one, the press with and without marking
// 「作業中」, the timer's write of 「作業中」 beside 0 and 50 kept drafts (and
// the part of it on the UI thread), the
// figures of 50 drafts (the list's rows) and comparing two drafts; a hostile
// drafts file read: 10 million swaps in one draft (40 MB), and the largest
// file the reader takes, every draft at the swaps' limit.

#include "support/Years.h"

#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

const QDateTime kNow(QDate(2027, 2, 15), QTime(16, 0));

struct Fixture {
    testing::DivisionYear made = fiveHundred();
    Year year = made.year();
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX")};
    DraftBook book = loadDraftBook(year, folder.filePath("big.csvAN.TXT"));

    explicit Fixture(int drafts)
    {
        for (int d = 0; d < drafts; ++d) {
            year.pressNumber(static_cast<uint32_t>(d + 1));
            book.keep(year, QStringLiteral("案%1").arg(d + 1), kNow);
        }
        year.pressNumber(1000);
        book.markChanged();
        saveDraftBook(book, year, kNow);
    }
};

void KeepDraft500(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.book.keep(f.year, QStringLiteral("案X"), kNow);
        saveDraftBook(f.book, f.year, kNow);
    }
}
BENCHMARK(KeepDraft500)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

void OpenDraft500(benchmark::State& state)
{
    Fixture f(2);
    int which = 0;
    for (auto _ : state)
        f.book.open(which ^= 1, f.year);
}
BENCHMARK(OpenDraft500)->Unit(benchmark::kMillisecond);

// The press of the UI thread, alone and with the drafts marked changed (all a press does for 「作業中」).
void Press500(benchmark::State& state)
{
    Fixture f(0);
    const bool mark = state.range(0) != 0;
    uint32_t number = 1;
    for (auto _ : state) {
        f.year.pressNumber(++number);
        if (mark)
            f.book.markChanged();
    }
}
BENCHMARK(Press500)->ArgName("marked")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The timer's write of 「作業中」 after a press, beside 0 or 50 kept drafts.
void WriteWorking500(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.book.markChanged();
        saveDraftBook(f.book, f.year, kNow);
    }
}
BENCHMARK(WriteWorking500)->ArgName("drafts")->Arg(0)->Arg(50)->Unit(benchmark::kMicrosecond);

// What of that write stays on the UI thread when the timer fires: the bytes made; the disk is another thread's.
void PrepareWorking500(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.book.markChanged();
        benchmark::DoNotOptimize(f.book.prepareWrite(f.year, kNow));
    }
}
BENCHMARK(PrepareWorking500)->ArgName("drafts")->Arg(0)->Arg(50)->Unit(benchmark::kMicrosecond);

// The rows of the drafts list: the figures of 50 drafts and 「作業中」.
void FiguresOf50Drafts500(benchmark::State& state)
{
    Fixture f(50);
    for (auto _ : state)
        for (int r = 0; r < f.book.rowCount(); ++r)
            benchmark::DoNotOptimize(draftListRow(f.book.row(r), draftFigures(f.year, f.book.row(r))));
}
BENCHMARK(FiguresOf50Drafts500)->Unit(benchmark::kMillisecond);

void CompareDrafts500(benchmark::State& state)
{
    Fixture f(2);
    for (auto _ : state) {
        const DraftComparison comparison = compareDrafts(f.year, f.book.row(0), f.book.row(1));
        benchmark::DoNotOptimize(classFiguresTable(comparison));
        benchmark::DoNotOptimize(movedStudentsTable(comparison));
    }
}
BENCHMARK(CompareDrafts500)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// A drafts file of 500 students whose drafts hold `swaps` hand swaps each.
QByteArray fileOfSwaps(int drafts, int swaps)
{
    const testing::DivisionYear made = fiveHundred();
    Year year = made.year();
    year.pressNumber(1);
    DraftsContent content{rosterOf(year.students()), {}, {}};
    for (int d = 0; d < drafts; ++d)
        content.drafts.push_back(DraftBook::screenDraft(year, QStringLiteral("案%1").arg(d), kNow));
    QByteArray bytes = formatDraftsFile(content);
    QByteArray pairs;
    pairs.reserve(static_cast<qsizetype>(swaps) * 4);
    for (int i = 0; i < swaps; ++i)
        pairs += i == 0 ? "1-2" : ",1-2";
    // Every draft line ends with its empty swaps field.
    bytes.replace("\t\r\ndraft", "\t" + pairs + "\r\ndraft");
    bytes.replace("\t\r\nend", "\t" + pairs + "\r\nend");
    return bytes;
}

void ReadDraftsFile(benchmark::State& state, const QByteArray& bytes)
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    const QString path = folder.filePath("hostile.csvAN.TXT");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        state.SkipWithError("cannot write the file");
    file.close();
    DraftsReadOutcome::Status status{};
    for (auto _ : state)
        status = readDraftsFile(path).status;
    state.counters["megabytes"] = static_cast<double>(bytes.size()) / (1024 * 1024);
    state.counters["status"] = static_cast<double>(status); // 0 missing, 1 read, 2 damaged, 3 unreadable, 4 too large
}

// 10 million swaps in one draft: refused unread by its size.
void ReadTenMillionSwaps(benchmark::State& state) { ReadDraftsFile(state, fileOfSwaps(1, 10'000'000)); }
BENCHMARK(ReadTenMillionSwaps)->Unit(benchmark::kMillisecond);

// Under the size limit, every draft one swap over its limit: each line refused after one count.
void ReadDraftsOverTheSwapsLimit(benchmark::State& state)
{
    ReadDraftsFile(state, fileOfSwaps(350, kMaxDraftSwaps + 1));
}
BENCHMARK(ReadDraftsOverTheSwapsLimit)->Unit(benchmark::kMillisecond);

// The most the reader takes: drafts at the swaps' limit up to the size limit, all read.
void ReadDraftsAtTheSwapsLimit(benchmark::State& state) { ReadDraftsFile(state, fileOfSwaps(350, kMaxDraftSwaps)); }
BENCHMARK(ReadDraftsAtTheSwapsLimit)->Unit(benchmark::kMillisecond);

} // namespace

