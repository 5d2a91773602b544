#include "session/YearModel.h"

#include <QFileInfo>

#include "division/lists/ScoreAverages.h"

#include "export/ResultFile.h"
#include "export/ResultWorkbook.h"
#include "files/SharedDrafts.h"

namespace classdiv {

YearModel::YearModel(const StudentTable& table, QObject* parent)
    : QObject(parent), m_files(table.csvPath), m_year(table),
      m_drafts(std::make_unique<DraftBook>(m_files.loadDrafts(m_year))), m_presence(presencePathFor(table.csvPath))
{
    // The columns chosen in an earlier run; the dialog tells why when they cannot be used.
    m_files.loadRules(m_year);
    // Every press draws from a number the drafts can show and Ctrl+N can repeat.
    m_year.drawFromNumbers(true);
    m_writer.setMaxThreadCount(1);
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(kDraftsWriteDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &YearModel::writeDrafts);
    connect(this, &YearModel::drawChanged, this, &YearModel::classesChanged);
    connect(this, &YearModel::swapped, this, &YearModel::classesChanged);

    // Another program on the same roster is named, and this one works on beside it.
    if (!table.csvPath.isEmpty()) {
        const LockOutcome present = m_presence.acquire(std::chrono::milliseconds(0));
        if (present.status == LockOutcome::Status::Busy && present.holder)
            m_sharedNote = inUseMessage(table.csvPath, *present.holder);
        m_presenceTimer.setInterval(kPresenceRefreshMs);
        connect(&m_presenceTimer, &QTimer::timeout, this, &YearModel::keepPresence);
        m_presenceTimer.start();
    }
}

ConfirmEntryOutcome YearModel::confirmEntry(const ConfirmEntryInput& input)
{
    ConfirmEntryOutcome outcome = m_year.confirmEntry(input);
    outcome.writeFailure = m_files.saveConditions(m_year).message;
    return outcome;
}

std::optional<Message> YearModel::fitHeadCounts(const std::vector<FittingCounts>& fits)
{
    m_year.fitHeadCounts(fits);
    return m_files.saveConditions(m_year).message;
}

void YearModel::classesChanged()
{
    m_drafts->markChanged();
    scheduleWrite();
}

YearModel::~YearModel()
{
    m_writer.waitForDone();
    YearFiles::saveDrafts(*m_drafts, m_year, QDateTime::currentDateTime());
    m_presence.release();
}

std::optional<Message> YearModel::takeSharedNote()
{
    std::optional<Message> note = std::move(m_sharedNote);
    m_sharedNote.reset();
    return note;
}

void YearModel::keepPresence()
{
    // Held: a fresh time. Not held: taken when the other program has gone.
    if (m_presence.held())
        m_presence.refresh();
    else
        m_presence.acquire(std::chrono::milliseconds(0));
}

void YearModel::scheduleWrite()
{
    // Not restarted by later changes: a run of presses is still written every kDraftsWriteDelayMs.
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

void YearModel::writeDrafts()
{
    m_writeTimer.stop();
    if (m_writing) {
        m_writeAgain = true;
        return;
    }
    std::optional<DraftsWrite> pending = m_drafts->prepareWrite(m_year, QDateTime::currentDateTime());
    if (!pending)
        return;
    m_writing = true;
    m_writer.start([this, pending = std::move(*pending)] {
        DraftsWriteOutcome outcome = writeDraftsShared(pending);
        QMetaObject::invokeMethod(
            this, [this, pending, outcome = std::move(outcome)] { writeFinished(pending, outcome); },
            Qt::QueuedConnection);
    });
}

void YearModel::writeFinished(const DraftsWrite& pending, const DraftsWriteOutcome& outcome)
{
    m_writing = false;
    const DraftBook::Finished finished = m_drafts->finishWrite(pending, outcome);
    if (finished.listChanged)
        emit draftsChanged();
    if (finished.message)
        emit draftsWriteFailed(*finished.message);
    // A failed write waits for the next change instead of trying again and again;
    // a lock held by another program is tried again a little later.
    if (outcome.status == DraftsWriteOutcome::Status::Busy)
        QTimer::singleShot(kDraftsBusyRetryMs, this, &YearModel::writeDrafts);
    else if (m_writeAgain) {
        m_writeAgain = false;
        scheduleWrite();
    }
}

void YearModel::syncDrafts()
{
    // A write merges what other programs kept; with nothing new here it writes the same drafts.
    if (m_drafts->path().isEmpty() || !QFileInfo::exists(m_drafts->path()))
        return;
    m_drafts->markFileToRead();
    writeDrafts();
}

DrawOutcome YearModel::pressNumber(uint32_t drawNumber)
{
    const DrawOutcome outcome = m_year.pressNumber(drawNumber);
    if (outcome.drawn)
        emit drawChanged();
    return outcome;
}

std::optional<Message> YearModel::keepDraft(const QString& name)
{
    std::optional<Message> refusal = m_drafts->keep(m_year, name, QDateTime::currentDateTime());
    if (!refusal) {
        emit draftsChanged();
        scheduleWrite();
    }
    return refusal;
}

std::optional<Message> YearModel::openDraft(int index)
{
    std::optional<Message> refusal = m_drafts->open(index, m_year);
    if (!refusal)
        emit drawChanged();
    return refusal;
}

std::optional<Message> YearModel::renameDraft(int index, const QString& name)
{
    std::optional<Message> refusal = m_drafts->rename(index, name);
    if (!refusal) {
        emit draftsChanged();
        scheduleWrite();
    }
    return refusal;
}

void YearModel::deleteDraft(int index)
{
    m_drafts->remove(index);
    emit draftsChanged();
    scheduleWrite();
}

void YearModel::keepAndOpen(Draft draft)
{
    const QString name = draft.name;
    m_drafts->keepDraft(std::move(draft));
    (void)m_drafts->open(m_drafts->indexOf(name), m_year);
    emit draftsChanged();
    emit drawChanged();
}

DrawOutcome YearModel::press(RandomSource& random)
{
    const DrawOutcome outcome = m_year.press(random);
    if (outcome.drawn)
        emit drawChanged();
    return outcome;
}

EvenOutcome YearModel::evenOut(RandomSource& random, bool pressFirst)
{
    EvenOutcome outcome = m_year.evenOut(random, pressFirst);
    if (outcome.drawn)
        emit drawChanged();
    return outcome;
}

SwapStatus YearModel::swap(int rowA, int rowB)
{
    const SwapStatus status = m_year.swap(rowA, rowB);
    if (status == SwapStatus::Swapped)
        emit swapped(m_year.classOf(rowA), m_year.classOf(rowB));
    return status;
}

bool YearModel::undoSwap()
{
    const int mends = m_year.mendCount();
    const int swaps = m_year.swaps().count();
    const ClassSwaps::Pair last = swaps > 0 ? m_year.swaps().history().back() : ClassSwaps::Pair{};
    if (!m_year.undoSwap())
        return false;
    if (swaps == 0 && m_year.mendCount() < mends)
        emit drawChanged();
    else
        emit swapped(m_year.classOf(last.rowA), m_year.classOf(last.rowB));
    return true;
}

void YearModel::setRecordEntries(std::vector<ApartEntry> entries)
{
    m_year.setRecordEntries(std::move(entries));
    emit rulesChanged();
}

void YearModel::applyMoves(std::vector<int16_t> classes)
{
    m_year.applyMoves(std::move(classes));
    emit drawChanged();
}

void YearModel::setRules(SpreadRules rules)
{
    m_year.setRules(std::move(rules));
    // Views of the draw (the chart, the class lists) show how it meets the rules.
    emit rulesChanged();
}

SpreadAcceptOutcome YearModel::acceptSpreadColumns(const RuleTexts& texts)
{
    SpreadAcceptOutcome outcome = m_files.acceptRules(m_year.students(), texts);
    if (outcome.rules)
        setRules(*outcome.rules);
    return outcome;
}

std::optional<Message> YearModel::saveResult(const QString& path) const
{
    return classdiv::saveResult(m_year.students(), m_year.classes(), m_year.distribution(), path);
}

std::optional<Message> YearModel::saveResultWorkbook(const QString& path) const
{
    std::vector<ResultSheet> sheets = resultSheets(m_year.students(), m_year.classes(), m_year.distribution(),
                                                   m_rosterOrder, extraColumnAverages(m_year.rules(), m_year.classes()));
    if (m_numbering)
        addAttendanceNumbers(sheets, m_year.students(), m_year.classes(), m_rosterOrder,
                             attendanceNumbers(m_year.students(), m_year.classes(), *m_numbering));
    return writeResultWorkbook(sheets, path);
}

PostedListsView YearModel::postedListsView() const
{
    return classdiv::postedListsView(m_year.students(), readCurrentCsv(m_year.students()));
}

} // namespace classdiv
