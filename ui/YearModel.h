#pragma once
// The year beside the windows: it holds the one Year of the run and tells
// every window that watches it when the draw or the rules change. Windows
// read the year and pass on the teacher's commands through here; none of
// them reaches into another for data.

#include "division/EvenAverages.h"
#include "division/ClassRoster.h"
#include "division/Year.h"

#include <QObject>

namespace classdiv {

class YearModel : public QObject {
    Q_OBJECT
public:
    explicit YearModel(const StudentTable& table, QObject* parent = nullptr);

    const Year& year() const { return m_year; }

    // The conditions entry changes no draw, so it says nothing.
    SelectGroupOutcome selectGroup(int listPosition) const { return m_year.selectGroup(listPosition); }
    SetClassCountOutcome setClassCount(int listPosition, const QString& text) { return m_year.setClassCount(listPosition, text); }
    ConfirmEntryOutcome confirmEntry(const ConfirmEntryInput& input) { return m_year.confirmEntry(input); }
    ReadConditionsOutcome readConditions() { return m_year.readConditions(); }

    // Each emits changed() when the draw changed.
    DrawOutcome press(RandomSource& random);
    EvenOutcome evenOut(RandomSource& random, bool pressFirst = false);
    SwapStatus swap(int rowA, int rowB);
    bool undoSwap();
    // New rules: changed() when there is a draw they apply to.
    void setRules(SpreadRules rules);

    // The result file of the current draw under the chosen name.
    std::optional<Message> saveResult(const QString& path) const;
    // The result workbook; its class sheets follow the class lists' order.
    std::optional<Message> saveResultWorkbook(const QString& path) const;
    void setRosterOrder(RosterOrder order) { m_rosterOrder = order; }

signals:
    // The students' classes or the rules changed: a press, an evening-out, a hand swap or its undo.
    void changed();

private:
    Year m_year;
    RosterOrder m_rosterOrder = RosterOrder::Score;
};

} // namespace classdiv
