// Reads one file through the import's preview, as the import window does, and
// prints what came of it with the time and the peak memory of this process,
// for the hostile-file test (tests/import/test_hostile.cpp), which runs it
// once a file so that each file's peak is its own.
//
//   workbook_probe [--year] FILE
//
// --year first loads the largest benchmark year (500 students) and presses
// it, so that the peak is the program's with a year open.
//
// Output, one item a line: outcome (ok or refused), cpu_ms, wall_ms,
// peak_kb (-1 where the system does not tell), then the message or the
// preview's text.

#include "division/Year.h"
#include "import/ImportActions.h"
#include "support/BenchmarkYears.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

using namespace classdiv;

namespace {

long long peakKilobytes()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return static_cast<long long>(counters.PeakWorkingSetSize / 1024);
    return -1;
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
#endif
}

double cpuMilliseconds()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    const auto ms = [](FILETIME t) { return double((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](timeval t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    const bool withYear = argc == 3 && std::string(argv[1]) == "--year";
    if (argc != 2 && !withYear) {
        std::fprintf(stderr, "usage: workbook_probe [--year] FILE\n");
        return 2;
    }
    std::unique_ptr<testing::DivisionYear> benchmark;
    std::unique_ptr<Year> year;
    if (withYear) {
        benchmark = std::make_unique<testing::DivisionYear>(testing::fullYear());
        year = std::make_unique<Year>(benchmark->students, benchmark->ws);
        year->pressNumber(1);
    }
    const QFileInfo file(QString::fromLocal8Bit(argv[argc - 1]));
    const double cpuBefore = cpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    ImportWindowState state;
    auto table = std::make_unique<StudentTable>();
    const PreviewOutcome outcome = preview(
        {file.absolutePath(), file.absolutePath(), file.fileName(), file.fileName()}, state, *table);
    const double cpu = cpuMilliseconds() - cpuBefore;
    const qint64 wallMs = wall.elapsed();
    std::printf("outcome %s\ncpu_ms %.0f\nwall_ms %lld\npeak_kb %lld\n", outcome.message ? "refused" : "ok", cpu,
                static_cast<long long>(wallMs), peakKilobytes());
    const QString text = outcome.message ? outcome.message->text : state.previewText.left(2000);
    std::printf("%s\n", text.toUtf8().constData());
    return 0;
}
