#pragma once
// The year beside the windows: it holds the one Year of the run and tells
// every window that watches it when the draw or the rules change. Windows
// read the year and pass on the teacher's commands through here; none of
// them reaches into another for data.

#include "division/drafts/Drafts.h"
#include "division/EvenAverages.h"
#include "division/lists/ClassRoster.h"
#include "division/Year.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace classdiv {

class YearModel : public QObject {
    Q_OBJECT
public:
    explicit YearModel(const StudentTable& table, QObject* parent = nullptr);
    ~YearModel() override; // writes what is unwritten

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
    // 番号を指定して分ける: the press of that draw number again.
    DrawOutcome pressNumber(uint32_t drawNumber);

    // 案: the drafts beside the CSV. Each change of the classes is written as
    // 「作業中」 within a second, by a timer: the change itself only marks it.
    DraftBook& drafts() { return *m_drafts; }
    const DraftBook& drafts() const { return *m_drafts; }
    std::optional<Message> keepDraft(const QString& name);
    std::optional<Message> openDraft(int index);
    std::optional<Message> renameDraft(int index, const QString& name);
    void deleteDraft(int index);
    // Keeps classes read from a result file and puts them on screen.
    void keepAndOpen(Draft draft);
    // Writes the drafts file now when anything is unwritten (the timer, the end of the program).
    void writeDrafts();
    // How long a change may wait to be written.
    static constexpr int kDraftsWriteDelayMs = 300;

    // The result file of the current draw under the chosen name.
    std::optional<Message> saveResult(const QString& path) const;
    // The result workbook; its class sheets follow the class lists' order.
    std::optional<Message> saveResultWorkbook(const QString& path) const;
    void setRosterOrder(RosterOrder order) { m_rosterOrder = order; }

signals:
    // The students' classes or the rules changed: a press, an evening-out, a hand swap or its undo.
    void changed();
    // The drafts list changed (kept, renamed, deleted).
    void draftsChanged();
    // The drafts file could not be written: said once until a write succeeds again.
    void draftsWriteFailed(const Message& message);

private:
    void scheduleWrite();
    void writeFinished(bool written);

    Year m_year;
    RosterOrder m_rosterOrder = RosterOrder::Score;
    std::unique_ptr<DraftBook> m_drafts;
    QTimer m_writeTimer;
    // The disk is written on a thread of its own: a slow disk never holds up a press.
    QThreadPool m_writer;
    bool m_writing = false;
    bool m_writeAgain = false; // a change came while a write was on its way
};

} // namespace classdiv
