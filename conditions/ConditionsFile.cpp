#include "conditions/ConditionsFile.h"

#include "common/Numbers.h"
#include "import/CsvFieldReader.h"

namespace classdiv {

namespace {

const QByteArray kLineEnd("\r\n");

void appendNumber(QByteArray& bytes, int value)
{
    bytes += QByteArray::number(value);
}

// One field of the file as a 16-bit whole number; nullopt ends the read
// (no field left, or a value that does not fit).
std::optional<int16_t> nextNumber(CsvFieldReader& reader)
{
    const std::optional<QString> field = reader.readField();
    if (!field)
        return std::nullopt;
    return boxNumber(*field);
}

} // namespace

QByteArray formatConditionsFile(const ConditionsWorkspace& ws)
{
    // Only digits, signs and commas: the same bytes in every code page, and
    // no byte order mark, so every version of the program reads it.
    QByteArray bytes;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& condition = ws.conditions[g];
        appendNumber(bytes, condition.classCount);
        bytes += kLineEnd;
        for (int k = 1; k <= kMaxPlanRows; ++k) {
            appendNumber(bytes, condition.rows[k].classNumber);
            bytes += ',';
            appendNumber(bytes, condition.rows[k].headCount);
            bytes += kLineEnd;
        }
    }
    return bytes;
}

ReadConditionsOutcome parseConditions(ConditionsWorkspace& ws, const QString& text)
{
    ReadConditionsOutcome outcome;
    // Values go into the workspace as they are read: a file that ends early
    // leaves the groups before the break read, as the window expects.
    CsvFieldReader reader(text);
    for (int g = 1; g <= ws.groupCount(); ++g) {
        GroupCondition& condition = ws.conditions[g];
        const std::optional<int16_t> classCount = nextNumber(reader);
        // A class count outside 0..10 would index past the ten plan rows
        // everywhere it is used: such a file is treated as unreadable.
        if (!classCount || *classCount < 0 || *classCount > kMaxPlanRows)
            return outcome;
        condition.classCount = *classCount;
        for (int k = 1; k <= kMaxPlanRows; ++k) {
            const std::optional<int16_t> classNumber = nextNumber(reader);
            if (!classNumber)
                return outcome;
            condition.rows[k].classNumber = *classNumber;
            const std::optional<int16_t> headCount = nextNumber(reader);
            if (!headCount)
                return outcome;
            condition.rows[k].headCount = *headCount;
        }
    }

    // Group 1 as the window shows it after a read: unlike a plain selection,
    // zeros are shown as 0.
    const GroupCondition& first = ws.conditions[1];
    PlanRowsView view;
    view.classCount = plainInteger(first.classCount);
    view.visibleRows = first.classCount;
    for (int k = 1; k <= first.classCount; ++k) {
        view.classNumbers[k] = plainInteger(first.rows[k].classNumber);
        view.headCounts[k] = plainInteger(first.rows[k].headCount);
    }
    outcome.status = ReadConditionsOutcome::Status::Read;
    outcome.view = view;
    return outcome;
}

} // namespace classdiv
