#pragma once
// The year beside the windows: it holds the one Year of the run and tells
// every window that watches it what changed: the draw, the rules, a hand
// swap, the drafts. Windows read the year and pass on the teacher's commands
// through here, the rule file's too; none of them reaches into another for
// data. The session (session/YearSession.h) holds it from the conditions
// window's load until the teacher leaves that window.

#include "common/FileLock.h"
#include "conditions/SpreadColumns.h"
#include "division/drafts/Drafts.h"
#include "division/EvenAverages.h"
#include "division/lists/AttendanceNumbers.h"
#include "export/PostedLists.h"
#include "files/YearFiles.h"
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
    // The files beside the roster: the year's conditions, rules and drafts are read and saved through them.
    const YearFiles& files() const { return m_files; }

    // The conditions entry changes no draw, so it says nothing.
    SelectGroupOutcome selectGroup(int listPosition) const { return m_year.selectGroup(listPosition); }
    SetClassCountOutcome setClassCount(int listPosition, const QString& text) { return m_year.setClassCount(listPosition, text); }
    // Every confirmation is saved, so the file always matches the window.
    ConfirmEntryOutcome confirmEntry(const ConfirmEntryInput& input);
    ReadConditionsOutcome readConditions() { return m_files.loadConditions(m_year); }
    // The head counts taken and saved; the message of a failed save.
    std::optional<Message> fitHeadCounts(const std::vector<FittingCounts>& fits);

    // Each emits drawChanged() when it made a new draw.
    DrawOutcome press(RandomSource& random);
    EvenOutcome evenOut(RandomSource& random, bool pressFirst = false);
    // 番号を指定して分ける: the press of that draw number again.
    DrawOutcome pressNumber(uint32_t drawNumber);
    // A hand swap and its undo: swapped() when students moved.
    SwapStatus swap(int rowA, int rowB);
    // Takes back a hand swap (swapped()), or a mend whole (drawChanged(): its classes may differ in number).
    bool undoSwap();
    // 最小の移動で直す applied: drawChanged().
    void applyMoves(std::vector<int16_t> classes);

    // クラス分けの決まり: what the dialog shows when it opens (the stored
    // choice, the CSV's columns), and its OK, which checks the boxes, reads the
    // columns, writes the rule file and takes the rules. rulesChanged() then.
    SpreadDialogView spreadView() const { return m_files.openRules(m_year.students()); }
    SpreadAcceptOutcome acceptSpreadColumns(const RuleTexts& texts);
    // New rules, rulesChanged().
    void setRules(SpreadRules rules);
    // The separation record's entries that apply to this roster, rulesChanged().
    void setRecordEntries(std::vector<ApartEntry> entries);

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
    static constexpr int kDraftsBusyRetryMs = 2000;
    // Reads the drafts file again now, taking in what other programs kept (the drafts window opening).
    void syncDrafts();

    // Another program that had the roster open when this one loaded it, said
    // once (the shell shows it through the dialog seam); nullopt when none.
    std::optional<Message> takeSharedNote();
    // This program's mark beside the roster, kept fresh while the year is open.
    static constexpr int kPresenceRefreshMs = 15000;

    // The result file of the current draw under the chosen name.
    std::optional<Message> saveResult(const QString& path) const;
    // The result workbook; its class sheets follow the class lists' order.
    std::optional<Message> saveResultWorkbook(const QString& path) const;
    void setRosterOrder(RosterOrder order) { m_rosterOrder = order; }

    // 新しいクラスの名簿: the columns a reading may come from. Once the posted
    // lists are saved, the result workbook numbers every class by the same
    // choice, for the classes as they stand when it is saved.
    PostedListsView postedListsView() const;
    void setNumbering(NumberingChoice choice) { m_numbering = std::move(choice); }
    const std::optional<NumberingChoice>& numbering() const { return m_numbering; }

signals:
    // A new draw: a press, an evening-out, a press by number, a draft put back on screen.
    void drawChanged();
    // The teacher's rules changed, whether or not there is a draw.
    void rulesChanged();
    // Students moved by hand between two classes, or the last such move
    // undone: the two classes whose students changed, and nothing else did.
    void swapped(int classA, int classB);
    // The drafts list changed (kept, renamed, deleted).
    void draftsChanged();
    // The drafts file could not be written (said once until a write succeeds
    // again), or a note of the write: a stopped program's lock taken over, a
    // draft renamed for a name another program used.
    void draftsWriteFailed(const Message& message);

private:
    // The classes on screen changed: 「作業中」 is written within kDraftsWriteDelayMs.
    void classesChanged();
    void scheduleWrite();
    void writeFinished(const DraftsWrite& pending, const DraftsWriteOutcome& outcome);
    void keepPresence();

    YearFiles m_files;
    Year m_year;
    RosterOrder m_rosterOrder = RosterOrder::Score;
    std::optional<NumberingChoice> m_numbering;
    std::unique_ptr<DraftBook> m_drafts;
    QTimer m_writeTimer;
    // The disk is written on a thread of its own: a slow disk never holds up a press.
    QThreadPool m_writer;
    bool m_writing = false;
    bool m_writeAgain = false; // a change came while a write was on its way
    FileLock m_presence;
    QTimer m_presenceTimer;
    std::optional<Message> m_sharedNote;
};

} // namespace classdiv
