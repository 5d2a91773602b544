#include "conditions/ConditionsEntry.h"

#include "common/Numbers.h"
#include "conditions/ConditionsFile.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace classdiv {

namespace {

int checkedGroup(const ConditionsWorkspace& ws, int listPosition)
{
    const int group = ConditionsWorkspace::groupOfPosition(listPosition);
    if (group > ws.groupCount() || group >= static_cast<int>(ws.conditions.size()))
        throw std::out_of_range("list position beyond the group list");
    return group;
}

// Stored class counts are 0..10; the clamp only guards the row tables.
int rowsOf(const GroupCondition& condition)
{
    return std::clamp<int>(condition.classCount, 0, kMaxPlanRows);
}

} // namespace

SelectGroupOutcome selectGroup(const ConditionsWorkspace& ws, int listPosition)
{
    const GroupCondition& condition = ws.conditions[checkedGroup(ws, listPosition)];
    SelectGroupOutcome outcome;
    outcome.focus = ConditionsFocus::ClassCount;
    if (condition.classCount == 0)
        return outcome; // nothing entered yet: ten empty rows

    const int rows = rowsOf(condition);
    outcome.view.classCount = plainInteger(condition.classCount);
    outcome.view.visibleRows = rows;
    for (int k = 1; k <= rows; ++k) {
        const ClassPlanRow& row = condition.rows[k];
        // A head count of 0 means the row was never filled in properly.
        if (row.headCount == 0)
            continue;
        outcome.view.classNumbers[k] = plainInteger(row.classNumber);
        outcome.view.headCounts[k] = plainInteger(row.headCount);
    }
    return outcome;
}

SetClassCountOutcome setClassCount(ConditionsWorkspace& ws, int listPosition, const QString& classCountText)
{
    const int group = checkedGroup(ws, listPosition);
    SetClassCountOutcome outcome;
    const double n = textValue(classCountText);
    if (!(n >= 1 && n <= kMaxPlanRows)) {
        outcome.message = Message{kClassCountMessage, titles::inputMistake};
        outcome.clearClassCount = true;
        return outcome;
    }
    // 1 <= n <= 10, so the rounded value always fits.
    const int16_t count = *toInt16(n);
    ws.conditions[group].classCount = count;
    outcome.visibleRows = count;
    outcome.focus = ConditionsFocus::FirstClassNumber;
    return outcome;
}

ConfirmEntryOutcome confirmEntry(ConditionsWorkspace& ws, const ConfirmEntryInput& input)
{
    const int group = checkedGroup(ws, input.listPosition);
    ConfirmEntryOutcome outcome;
    ws.headTotal = 0;
    GroupCondition& condition = ws.conditions[group];
    const int rows = rowsOf(condition);

    // Read every row before storing any: a value that does not fit refuses
    // the whole entry instead of leaving it half stored.
    std::array<ClassPlanRow, kMaxPlanRows + 1> typed = condition.rows;
    long long total = 0;
    int zeros = 0;
    bool fits = true;
    for (int k = 1; k <= rows; ++k) {
        const auto classNumber = boxNumber(input.classNumbers[k]);
        const auto headCount = boxNumber(input.headCounts[k]);
        if (!classNumber || !headCount) {
            fits = false;
            break;
        }
        typed[k].classNumber = *classNumber;
        typed[k].headCount = *headCount;
        total += *headCount;
        zeros += (*classNumber == 0) + (*headCount == 0);
    }
    if (total < std::numeric_limits<int16_t>::min() || total > std::numeric_limits<int16_t>::max())
        fits = false;

    if (!fits) {
        outcome.message = Message{kEntryMessage, titles::inputMistake};
    } else {
        condition.rows = typed;
        ws.headTotal = static_cast<int16_t>(total);
        if (zeros != 0 || ws.headTotal != ws.groupSize[group])
            outcome.message = Message{kEntryMessage, titles::inputMistake};
    }
    return outcome;
}

} // namespace classdiv
