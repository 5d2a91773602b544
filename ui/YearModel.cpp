#include "ui/YearModel.h"

#include "export/ResultFile.h"
#include "export/ResultWorkbook.h"

namespace classdiv {

YearModel::YearModel(const StudentTable& table, QObject* parent) : QObject(parent), m_year(table) {}

DrawOutcome YearModel::press(RandomSource& random)
{
    const DrawOutcome outcome = m_year.press(random);
    if (outcome.drawn)
        emit changed();
    return outcome;
}

EvenOutcome YearModel::evenOut(RandomSource& random, bool pressFirst)
{
    EvenOutcome outcome = m_year.evenOut(random, pressFirst);
    if (outcome.drawn)
        emit changed();
    return outcome;
}

SwapStatus YearModel::swap(int rowA, int rowB)
{
    const SwapStatus status = m_year.swap(rowA, rowB);
    if (status == SwapStatus::Swapped)
        emit changed();
    return status;
}

bool YearModel::undoSwap()
{
    if (!m_year.undoSwap())
        return false;
    emit changed();
    return true;
}

void YearModel::setRules(SpreadRules rules)
{
    m_year.setRules(std::move(rules));
    // Views of the draw (the chart, the class lists) show how it meets the rules.
    if (m_year.hasDraw())
        emit changed();
}

std::optional<Message> YearModel::saveResult(const QString& path) const
{
    return classdiv::saveResult(m_year.students(), m_year.classes(), m_year.distribution(), path);
}

std::optional<Message> YearModel::saveResultWorkbook(const QString& path) const
{
    return classdiv::saveResultWorkbook(m_year.students(), m_year.classes(), m_year.distribution(), m_rosterOrder,
                                        path);
}

} // namespace classdiv
