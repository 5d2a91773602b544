// Every hostile or odd workbook of tests/data/hostile/make_hostile.py, read
// through the preview by a child process (workbook_probe), one file a run:
// refused with its message or read as the spreadsheet shows it, within the
// time and memory a teacher's PC can spare.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <map>

namespace {

constexpr double kMaxCpuMs = 2000;
constexpr long long kMaxPeakKb = 200 * 1024;
// A sanitizer's shadow memory and checks change both figures: its run checks the outcomes only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kBudgetsHold = false;
#else
constexpr bool kBudgetsHold = true;
#endif

struct ProbeRun {
    std::map<QString, QString> items; // outcome, cpu_ms, wall_ms, peak_kb
    QString text;                     // the message, or the preview's text
};

std::optional<ProbeRun> probe(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral(CLASSDIV_WORKBOOK_PROBE), {file});
    if (!process.waitForStarted(20000) || !process.waitForFinished(60000))
        return std::nullopt;
    ProbeRun run;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).remove(u'\r').split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i < 4) {
            run.items[lines[i].section(u' ', 0, 0)] = lines[i].section(u' ', 1);
        } else {
            run.text = lines.mid(i).join(u'\n');
            break;
        }
    }
    return run;
}

} // namespace

TEST(HostileWorkbooks, RefusedOrReadWithinTimeAndMemory)
{
    QFile expected(QStringLiteral(CLASSDIV_HOSTILE_DIR "/expected.txt"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << "the generator's files are missing";
    const QStringList lines = QString::fromUtf8(expected.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 25);
    for (const QString& line : lines) {
        const QStringList fields = line.split(u'\t');
        ASSERT_EQ(fields.size(), 3) << qPrintable(line);
        SCOPED_TRACE(qPrintable(fields[0]));
        const std::optional<ProbeRun> run = probe(QStringLiteral(CLASSDIV_HOSTILE_DIR "/") + fields[0]);
        if (!run && fields[0] == lines.front().section(u'\t', 0, 0))
            GTEST_SKIP() << "the probe does not run here";
        ASSERT_TRUE(run.has_value()) << "the probe did not finish";
        EXPECT_EQ(run->items.at(QStringLiteral("outcome")), fields[1]) << qPrintable(run->text);
        EXPECT_TRUE(run->text.contains(fields[2])) << qPrintable(run->text);
        if (!kBudgetsHold)
            continue;
        // CPU time: the wall clock of a machine shared with other builds says little.
        EXPECT_LE(run->items.at(QStringLiteral("cpu_ms")).toDouble(), kMaxCpuMs);
        const long long peak = run->items.at(QStringLiteral("peak_kb")).toLongLong();
        if (peak >= 0) // where the system tells it
            EXPECT_LT(peak, kMaxPeakKb);
    }
}
