// The program's road without its windows, for scripts that check files from
// real spreadsheets: preview and read four columns of a CSV or of a
// workbook's first sheet, read back its conditions file, press once with a
// fixed seed, save the result: a name ending in .xlsx as the result workbook.
//
// usage: divide_csv ROSTER COLUMNS ID NAME GROUP SCORE SEED RESULT [RESULT...]
// Exit status 0 when the result was saved; otherwise the message the
// program would have shown goes to standard error.

#include "division/Year.h"
#include "export/ResultFile.h"
#include "export/ResultWorkbook.h"
#include "import/ImportActions.h"
#include "files/YearFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

using namespace classdiv;

namespace {

// The clock plays no part: the same seed gives the same classes.
class SeededRandomSource final : public RandomSource {
public:
    explicit SeededRandomSource(uint64_t seed) : m_bits(seed) {}
    float next() override { return static_cast<float>(m_bits.next() >> 40) * 0x1.0p-24f; }
    void reseed() override {}

private:
    Xoshiro256 m_bits;
};

int refuse(const QString& text)
{
    std::fprintf(stderr, "divide_csv: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 8)
        return refuse(QStringLiteral("usage: divide_csv ROSTER COLUMNS ID NAME GROUP SCORE SEED RESULT [RESULT...]"));

    const QFileInfo csv(args[0]);
    auto table = std::make_unique<StudentTable>();
    ImportWindowState import;
    const PreviewOutcome preview =
        classdiv::preview({csv.absolutePath(), csv.absolutePath(), csv.fileName(), csv.fileName()}, import, *table);
    if (preview.message)
        return refuse(preview.message->text);
    const ReadColumnsOutcome read = readColumns({args[1], args[2], args[3], args[4], args[5]}, import, *table);
    if (read.message || !read.loadedText)
        return refuse(read.message ? read.message->text : QStringLiteral("the columns were not read"));

    Year year(*table);
    if (year.loaded().refusal)
        return refuse(year.loaded().refusal->text);
    const YearFiles files(table->csvPath);
    files.loadRules(year);
    if (files.loadConditions(year).status != ReadConditionsOutcome::Status::Read)
        return refuse(QStringLiteral("the conditions file %1 was not read").arg(files.conditionsPath()));

    SeededRandomSource random(args[6].toULongLong());
    if (const DrawOutcome press = year.press(random); press.message)
        return refuse(press.message->text);
    for (const QString& result : args.mid(7)) {
        const std::optional<Message> failure =
            resultTarget(result, ResultFormat::Csv).format == ResultFormat::Workbook
                ? saveResultWorkbook(year.students(), year.classes(), year.distribution(), RosterOrder::Score, result)
                : saveResult(year.students(), year.classes(), year.distribution(), result);
        if (failure)
            return refuse(failure->text);
    }
    std::printf("divide_csv: %d students of %s divided, result in %s\n", year.students().count(),
                qPrintable(csv.fileName()), qPrintable(args.mid(7).join(u' ')));
    return 0;
}
