// A CSV file of arbitrary bytes through the field reader, the roster's CSV
// reader (at the preview) and the column reader, as the import window runs them.

#include "FuzzFile.h"

#include "common/TextFile.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"

#include <memory>

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<DecodedText> decoded = decodeText(bytes)) {
        CsvFieldReader reader(decoded->text);
        while (!reader.atEnd()) {
            if (!reader.readField())
                __builtin_trap(); // a field promised by atEnd() must be there
        }
        if (reader.readField())
            __builtin_trap();
    }

    static const QString folder = fuzz::scratchFolder();
    fuzz::writeInput(folder + QStringLiteral("/nen1.csv"), data, size);
    ImportWindowState state;
    auto table = std::make_unique<StudentTable>();
    const PreviewOutcome previewed = preview({folder, folder, "nen1.csv", "nen1.csv"}, state, *table);
    // The roster read once: whole rows of the column count the preview proposes, or none.
    if (state.roster && !state.roster->rows.empty()) {
        const Roster& roster = *state.roster;
        if (int(roster.rows.size()) != roster.rowCount || roster.rowCount > kStudentRows)
            __builtin_trap();
        for (const QStringList& row : roster.rows)
            if (row.size() != roster.columnCount)
                __builtin_trap();
    }
    if (!previewed.columnCount)
        return 0;
    if (table->lineCount < 1 || table->lineCount > kStudentRows || state.previewText.count("\r\n") < table->lineCount)
        __builtin_trap();
    // The proposed column count, and columns chosen by the last byte.
    const uint8_t c = data[size - 1];
    const ReadColumnsInput boxes{*previewed.columnCount, QString::number(c % 4), QString::number(c / 4 % 4 + 1),
                                 QString::number(c / 16 % 4 + 1), QString::number(c / 64 + 1)};
    const ReadColumnsOutcome read = readColumns(boxes, state, *table);
    if (read.loadedText && (read.message || state.columnCount < 1 || state.fieldCount % state.columnCount != 0))
        __builtin_trap(); // a whole read takes whole rows only
    return 0;
}
