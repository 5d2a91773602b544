// The preview reads the chosen file twice (lines, then fields) each time the
// button is pressed; it has to feel instant for a full year of 500 students.

#include "common/TextFile.h"
#include "import/ImportActions.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace classdiv;

namespace {

// 500 students of seven columns, as the example year is laid out.
QByteArray fullYear()
{
    QString text = QStringLiteral("番号,旧組,氏名,性別,選択,グループ,点数\r\n");
    const QString groups[] = {QStringLiteral("音男"), QStringLiteral("音女"), QStringLiteral("美男"),
                              QStringLiteral("美女"), QStringLiteral("書男"), QStringLiteral("書女")};
    for (int i = 0; i < kMaxStudents; ++i) {
        const QString& group = groups[i % 6];
        text += QStringLiteral("%1,%2,山田　太郎%3,%4,%5,%6,%7\r\n")
                    .arg(20101 + i)
                    .arg(i / 40 + 1)
                    .arg(i)
                    .arg(group.at(1))
                    .arg(group.at(0))
                    .arg(group)
                    .arg((i * 37) % 101);
    }
    auto bytes = encodeText(text, TextEncoding::Cp932);
    if (!bytes)
        std::abort();
    return *bytes;
}

void previewFullYear(benchmark::State& state)
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    QFile file(dir.filePath(QStringLiteral("nen1.csv")));
    const QByteArray bytes = fullYear();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the student file");
        return;
    }
    file.close();

    const PreviewInput input{dir.path(), dir.path(), QStringLiteral("nen1.csv"), QStringLiteral("nen1.csv")};
    for (auto _ : state) {
        ImportWindowState window;
        StudentTable table;
        PreviewOutcome outcome = preview(input, window, table);
        if (outcome.message || outcome.columnCount != QStringLiteral("7")) {
            state.SkipWithError("the preview did not count 7 columns");
            return;
        }
        benchmark::DoNotOptimize(outcome);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

} // namespace

BENCHMARK(previewFullYear)->Unit(benchmark::kMillisecond);
