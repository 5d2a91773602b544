// Workbooks: a full year's roster read from an .xlsx up to the preview's
// rows (goal: 50 ms), and the result workbook of 500 students in 12 classes
// written (goal: 100 ms).

#include "export/ResultWorkbook.h"
#include "import/ImportActions.h"

#include "support/Years.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

using namespace classdiv;

namespace {

const QString kGroups[] = {QStringLiteral("音男"), QStringLiteral("音女"), QStringLiteral("美男"),
                           QStringLiteral("美女"), QStringLiteral("書男"), QStringLiteral("書女")};

// 500 students of twelve columns, numbers as numbers, as Excel would hold them.
ResultSheet fullYearSheet()
{
    ResultSheet sheet{QStringLiteral("名簿"), {}, {}, -1, {}};
    SheetRow heading;
    for (const char* item : {"番号", "旧組", "氏名", "性別", "選択", "グループ", "点数", "別クラス", "同じクラス",
                             "クラス指定", "リーダー", "ピアノ"})
        heading.push_back(SheetCell::of(QString::fromUtf8(item)));
    sheet.rows.push_back(heading);
    for (int i = 0; i < kMaxStudents; ++i) {
        const QString& group = kGroups[i % 6];
        sheet.rows.push_back({SheetCell::of(20101.0 + i), SheetCell::of(double(i / 40 + 1)),
                              SheetCell::of(QStringLiteral("山田　太郎%1").arg(i)), SheetCell::of(group.right(1)),
                              SheetCell::of(group.left(1)), SheetCell::of(group), SheetCell::of(double(i * 37 % 101)),
                              SheetCell::of(i % 50 == 0 ? QStringLiteral("A") : QString()), SheetCell::of(QString()),
                              SheetCell::of(QString()), SheetCell::of(i % 30 == 0 ? QStringLiteral("○") : QString()),
                              SheetCell::of(i % 45 == 0 ? QStringLiteral("○") : QString())});
    }
    return sheet;
}

void previewFullYearWorkbook(benchmark::State& state)
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    if (writeResultWorkbook({fullYearSheet()}, dir.filePath(QStringLiteral("nen1.xlsx")))) {
        state.SkipWithError("cannot write the workbook");
        return;
    }
    const PreviewInput input{dir.path(), dir.path(), QStringLiteral("nen1.xlsx"), QStringLiteral("nen1.xlsx")};
    for (auto _ : state) {
        ImportWindowState window;
        StudentTable table;
        PreviewOutcome outcome = preview(input, window, table);
        if (outcome.message || outcome.columnCount != QStringLiteral("12") || table.lineCount != 501) {
            state.SkipWithError("the preview did not read 501 rows of 12 columns");
            return;
        }
        benchmark::DoNotOptimize(outcome);
    }
}

void writeResultWorkbookOf500(benchmark::State& state)
{
    std::vector<testing::Placed> placed;
    for (int i = 0; i < kMaxStudents; ++i)
        placed.push_back({i % 12 + 1,
                          {QString::number(20101 + i), QStringLiteral("山田　太郎%1").arg(i), kGroups[i % 6],
                           QString::number(i * 37 % 101)}});
    const testing::PlacedYear year = testing::placedYear(
        placed, {QStringLiteral("番号"), QStringLiteral("氏名"), QStringLiteral("グループ"), QStringLiteral("点数")});
    DistributionTable distribution;
    for (int k = 1; k <= 10; ++k)
        distribution.classLabels[k] = classLabel(k);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("kekka.xlsx"));
    for (auto _ : state) {
        if (saveResultWorkbook(year.students, year.classes, distribution, RosterOrder::Score, path)) {
            state.SkipWithError("the workbook was not written");
            return;
        }
    }
}

} // namespace

BENCHMARK(previewFullYearWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(writeResultWorkbookOf500)->Unit(benchmark::kMillisecond);
