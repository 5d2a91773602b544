#include "division/drafts/Drafts.h"

#include "division/drafts/DraftsMessages.h"
#include "division/drafts/RosterChanges.h"

#include "common/FileMessages.h"
#include "division/draw/RandomSource.h"
#include "division/Year.h"

#include <QDir>

#include <QStringList>

#include <algorithm>
#include <stdexcept>

namespace classdiv {

namespace {

const QString kWorkingName = QStringLiteral("作業中");

QDateTime toSecond(const QDateTime& time)
{
    QDateTime whole = time;
    whole.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
    return whole;
}

} // namespace

std::optional<uint32_t> drawNumberFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 9)
        return std::nullopt;
    uint32_t number = 0;
    for (const QChar c : trimmed) {
        const int digit = c >= u'0' && c <= u'9' ? c.unicode() - '0'
                          : c >= QChar(0xFF10) && c <= QChar(0xFF19) ? c.unicode() - 0xFF10
                                                                     : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(digit);
    }
    if (number < 1 || number > kLargestDrawNumber)
        return std::nullopt;
    return number;
}

DraftBook::DraftBook(const Year& year, QString path, DraftsReadOutcome read)
    : m_path(std::move(path)), m_roster(rosterOf(year.students()))
{
    const LockHolder me = thisProgram();
    m_computer = me.computer;
    m_user = me.user;
    if (m_path.isEmpty())
        return;
    m_readMessage = draftsReadMessage(read, m_path);
    const std::vector<RosterRow>& kept = read.content.roster;
    // An earlier version's file is read by row while its students are the same.
    const bool changed = !kept.empty() && !sameRoster(kept, m_roster);
    if (!changed) {
        m_base = read.content.drafts;
        m_drafts = std::move(read.content.drafts);
        takeWorking(read.content.working);
        return;
    }
    // The roster changed since: every draft is carried over to it. The carried
    // drafts are new to the file as it is (of the roster kept), and are written
    // to it in the roster now at the next write; the file before is set aside.
    const RosterMatch match = matchRosters(kept, m_roster);
    if (!match.rowsByRow.empty())
        m_readMessage = Message{(m_readMessage ? m_readMessage->text + u'\n' : QString()) + rowsByRowText(match.rowsByRow),
                                m_readMessage ? m_readMessage->title : QString()};
    if (!match.changes.empty())
        m_match = match; // rows only put in another order: nothing to show
    for (const Draft& draft : read.content.drafts) {
        m_kept.push_back(draft);
        m_drafts.push_back(carriedDraft(draft, match));
    }
    std::vector<Draft> working;
    for (const Draft& w : read.content.working)
        working.push_back(carriedDraft(w, match));
    takeWorking(working);
}

void DraftBook::takeWorking(const std::vector<Draft>& working)
{
    m_others.clear();
    for (const Draft& w : working) {
        // A version 1 file's 「作業中」 was this program's own.
        if ((w.computer == m_computer && w.user == m_user) || (w.computer.isEmpty() && w.user.isEmpty())) {
            m_working = w;
            m_working->name = workingName(m_computer, m_user, true);
        } else {
            m_others.push_back(w);
        }
    }
}

std::vector<CarriedCounts> DraftBook::carriedCounts(const Year& year) const
{
    std::vector<CarriedCounts> counts;
    if (m_match)
        for (const Draft& draft : m_kept)
            counts.push_back(classdiv::carriedCounts(draft, *m_match, year.workspace()));
    return counts;
}

void DraftBook::setOwner(QString computer, QString user)
{
    m_computer = std::move(computer);
    m_user = std::move(user);
}

std::optional<Message> DraftBook::takeReadMessage()
{
    std::optional<Message> message = std::move(m_readMessage);
    m_readMessage.reset();
    return message;
}

const Draft& DraftBook::row(int index) const
{
    if (index >= 0 && index < static_cast<int>(m_drafts.size()))
        return m_drafts[static_cast<size_t>(index)];
    const int other = index - static_cast<int>(m_drafts.size());
    if (other >= 0 && other < static_cast<int>(m_others.size()))
        return m_others[static_cast<size_t>(other)];
    if (other == static_cast<int>(m_others.size()) && m_working)
        return *m_working;
    throw std::out_of_range("DraftBook::row");
}

QString DraftBook::nextFreeName() const
{
    for (int i = 1;; ++i) {
        const QString name = QStringLiteral("案%1").arg(i);
        if (indexOf(name) < 0)
            return name;
    }
}

int DraftBook::indexOf(const QString& name) const
{
    for (size_t i = 0; i < m_drafts.size(); ++i)
        if (m_drafts[i].name == name)
            return static_cast<int>(i);
    return -1;
}

Draft DraftBook::screenDraft(const Year& year, const QString& name, const QDateTime& now)
{
    Draft draft;
    draft.name = name;
    draft.kept = toSecond(now);
    draft.drawNumber = year.drawNumber();
    draft.classes = year.classes();
    draft.swaps = year.swaps().history();
    return draft;
}

std::optional<Message> DraftBook::keep(const Year& year, const QString& name, const QDateTime& now)
{
    const QString trimmed = name.trimmed();
    if (!year.hasDraw())
        return Message{QStringLiteral("まだクラス分けをしていません。「分布表表示」を押してから、案を残して下さい。"),
                       QString()};
    if (trimmed.isEmpty() || trimmed == kWorkingName)
        return Message{QStringLiteral("案の名前を入れて下さい（「作業中」は使えません）。"), titles::reenter};
    keepDraft(screenDraft(year, trimmed, now));
    return std::nullopt;
}

void DraftBook::keepDraft(Draft draft)
{
    const int at = indexOf(draft.name);
    if (at >= 0) {
        m_drafts[static_cast<size_t>(at)] = std::move(draft);
    } else {
        m_drafts.push_back(std::move(draft));
    }
    m_dirty = true;
}

std::optional<Message> DraftBook::open(int index, Year& year) const
{
    const Draft& draft = row(index);
    const bool carried = std::find(draft.classes.begin() + (draft.classes.empty() ? 0 : 1), draft.classes.end(),
                                   kUnplacedClass) != draft.classes.end();
    // Before the conditions are read back every class would look unplanned: the refusal says so instead.
    const ConditionsWorkspace& ws = year.workspace();
    bool conditionsEntered = true;
    for (int g = 1; g <= ws.groupCount() && g < int(ws.conditions.size()); ++g)
        conditionsEntered = conditionsEntered && ws.conditions[size_t(g)].classCount >= 1;
    if ((m_match || carried) && conditionsEntered) {
        // On a changed roster (now, or when the draft was carried over to it)
        // the kept classes go to every student still there whose group still
        // plans them; the others wait unplaced.
        std::vector<int16_t> classes = draft.classes;
        unplaceUnplanned(year.workspace(), classes);
        year.restoreDraw(std::move(classes), draft.swaps, draft.drawNumber);
        return std::nullopt;
    }
    if (std::optional<Message> unplanned = unplannedClasses(year, draft))
        return unplanned;
    year.restoreDraw(draft.classes, draft.swaps, draft.drawNumber);
    return std::nullopt;
}

std::optional<Message> DraftBook::rename(int index, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (index < 0 || index >= static_cast<int>(m_drafts.size()))
        return Message{QStringLiteral("「作業中」の名前は変えられません。名前を付けて残すには「残す」を使って下さい。"),
                       QString()};
    if (trimmed.isEmpty() || trimmed == kWorkingName)
        return Message{QStringLiteral("案の名前を入れて下さい（「作業中」は使えません）。"), titles::reenter};
    const int at = indexOf(trimmed);
    if (at >= 0 && at != index)
        return Message{QStringLiteral("「%1」という案はもうあります。別の名前を入れて下さい。").arg(trimmed),
                       titles::reenter};
    m_drafts[static_cast<size_t>(index)].name = trimmed;
    m_dirty = true;
    return std::nullopt;
}

void DraftBook::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(m_drafts.size()))
        return;
    m_drafts.erase(m_drafts.begin() + index);
    m_dirty = true;
}

void DraftBook::takeScreen(const Year& year, const QDateTime& now)
{
    if (!m_screenChanged || !year.hasDraw())
        return;
    m_working = screenDraft(year, kWorkingName, now);
    m_working->computer = m_computer;
    m_working->user = m_user;
    m_screenChanged = false;
}

std::optional<DraftsWrite> DraftBook::prepareWrite(const Year& year, const QDateTime& now)
{
    if (!m_dirty || m_path.isEmpty())
        return std::nullopt;
    takeScreen(year, now);
    // Changes from here on need a write of their own.
    m_dirty = false;
    DraftsWrite pending{m_path, m_roster, m_base, m_drafts, m_working, m_computer, m_user};
    return pending;
}

DraftBook::Finished DraftBook::finishWrite(const DraftsWrite& pending, const DraftsWriteOutcome& outcome)
{
    using Status = DraftsWriteOutcome::Status;
    Finished finished;
    const QString file = QDir::toNativeSeparators(m_path);
    if (outcome.status == Status::Written) {
        // What changed here while the file was written is laid over what the file holds now.
        std::vector<Draft> merged = mergeDrafts(pending.here, m_drafts, outcome.drafts).drafts;
        finished.listChanged = merged != m_drafts || outcome.others != m_others;
        m_base = outcome.drafts;
        m_drafts = std::move(merged);
        m_others = outcome.others;
        if (!m_working && outcome.working) {
            m_working = outcome.working;
            m_working->name = workingName(m_computer, m_user, true);
            finished.listChanged = true;
        }
        m_failed = false;
        QStringList notes;
        if (outcome.takenOver)
            notes << lockTakenOverNote(m_path, *outcome.takenOver).text;
        for (const auto& [from, to] : outcome.renamed)
            notes << QStringLiteral("ほかのプログラムが同じ名前の案「%1」を残していたので、この案を「%2」としました。").arg(from, to);
        if (!notes.isEmpty())
            finished.message = Message{notes.join(u'\n'), QString()};
        return finished;
    }
    m_dirty = true;
    if (m_failed)
        return finished;
    m_failed = true;
    switch (outcome.status) {
    case Status::Busy:
        finished.message = lockBusyMessage(m_path, outcome.holder);
        break;
    case Status::Unreadable:
        finished.message = Message{QStringLiteral("クラス分けの案のファイルが読めないので、書き込みません（ファイルはそのままです）。\n%1\n"
                                                  "案を保存するには、このファイルを別のフォルダに移して下さい。"
                                                  "作業はこのまま続けられますが、終了すると画面の案は残りません。")
                                       .arg(file),
                                   titles::error};
        break;
    default:
        finished.message = writeFailedMessage(m_path, fileNames::drafts,
                                              QStringLiteral("作業はこのまま続けられますが、終了すると画面の案は残りません。"));
    }
    return finished;
}

} // namespace classdiv
