#include "division/drafts/Drafts.h"

#include "division/drafts/DraftsMessages.h"

#include "common/TextFile.h"
#include "division/draw/RandomSource.h"
#include "division/Year.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

DraftBook::DraftBook(const Year& year) : DraftBook(year, draftsFilePath(year.students().csvPath)) {}

DraftBook::DraftBook(const Year& year, QString path)
    : m_path(std::move(path)), m_roster(rosterOf(year.students()))
{
    const LockHolder me = thisProgram();
    m_computer = me.computer;
    m_user = me.user;
    if (year.students().csvPath.isEmpty() && m_path == draftsFilePath(QString()))
        m_path.clear(); // a year of no file keeps its drafts in memory only
    if (m_path.isEmpty())
        return;
    DraftsReadOutcome read = readDraftsFile(m_path);
    m_readMessage = draftsReadMessage(read, m_path);
    const bool foreign = (read.status == DraftsReadOutcome::Status::Read ||
                          read.status == DraftsReadOutcome::Status::Damaged) &&
                         !read.content.roster.empty() && read.content.roster != m_roster;
    if (foreign)
        m_fileRoster = read.content.roster;
    else
        m_base = read.content.drafts;
    m_drafts = std::move(read.content.drafts);
    m_foreign.assign(m_drafts.size(), foreign);
    takeWorking(read.content.working, foreign);
}

void DraftBook::takeWorking(const std::vector<Draft>& working, bool foreign)
{
    m_others.clear();
    for (const Draft& w : working) {
        // A version 1 file's 「作業中」 was this program's own.
        if ((w.computer == m_computer && w.user == m_user) || (w.computer.isEmpty() && w.user.isEmpty())) {
            m_working = w;
            m_working->name = workingName(m_computer, m_user, true);
            m_workingForeign = foreign;
        } else if (!foreign) {
            m_others.push_back(w);
        }
    }
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
        m_foreign[static_cast<size_t>(at)] = false;
    } else {
        m_drafts.push_back(std::move(draft));
        m_foreign.push_back(false);
    }
    m_dirty = true;
}

std::optional<Message> DraftBook::open(int index, Year& year) const
{
    const bool isDraft = index >= 0 && index < static_cast<int>(m_drafts.size());
    const bool isOwnWorking = index == static_cast<int>(m_drafts.size() + m_others.size());
    const bool foreign = isDraft ? m_foreign[static_cast<size_t>(index)] : isOwnWorking && m_workingForeign;
    if (foreign)
        return rosterMismatch(m_fileRoster, year.students());
    const Draft& draft = row(index);
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
    m_foreign.erase(m_foreign.begin() + index);
    m_dirty = true;
}

void DraftBook::takeScreen(const Year& year, const QDateTime& now)
{
    if (!m_screenChanged || !year.hasDraw())
        return;
    m_working = screenDraft(year, kWorkingName, now);
    m_working->computer = m_computer;
    m_working->user = m_user;
    m_workingForeign = false;
    m_screenChanged = false;
}

std::optional<Message> DraftBook::write(const Year& year, const QDateTime& now)
{
    const std::optional<DraftsWrite> pending = prepareWrite(year, now);
    return pending ? finishWrite(*pending, performWrite(*pending)).message : std::nullopt;
}

std::optional<DraftsWrite> DraftBook::prepareWrite(const Year& year, const QDateTime& now)
{
    if (!m_dirty || m_path.isEmpty())
        return std::nullopt;
    takeScreen(year, now);
    // Changes from here on need a write of their own.
    m_dirty = false;
    DraftsWrite pending{m_path, m_roster, m_base, {}, m_workingForeign ? std::nullopt : m_working, m_computer, m_user};
    for (size_t i = 0; i < m_drafts.size(); ++i)
        if (!m_foreign[i])
            pending.here.push_back(m_drafts[i]);
    return pending;
}

DraftBook::Finished DraftBook::finishWrite(const DraftsWrite& pending, const DraftsWriteOutcome& outcome)
{
    using Status = DraftsWriteOutcome::Status;
    Finished finished;
    const QString file = QDir::toNativeSeparators(m_path);
    if (outcome.status == Status::Written) {
        // What changed here while the file was written is laid over what the file holds now.
        std::vector<Draft> own;
        for (size_t i = 0; i < m_drafts.size(); ++i)
            if (!m_foreign[i])
                own.push_back(m_drafts[i]);
        std::vector<Draft> merged = mergeDrafts(pending.here, own, outcome.drafts).drafts;
        finished.listChanged = merged != own || outcome.others != m_others;
        m_base = outcome.drafts;
        const size_t ownCount = merged.size();
        for (size_t i = 0; i < m_drafts.size(); ++i)
            if (m_foreign[i])
                merged.push_back(m_drafts[i]);
        m_foreign.assign(merged.size(), true);
        std::fill_n(m_foreign.begin(), ownCount, false);
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
        finished.message = Message{QStringLiteral("クラス分けの案を保存できません。\n%1\n"
                                                  "フォルダーに書き込めるか、ディスクに空きがあるかを確かめて下さい。"
                                                  "作業はこのまま続けられますが、終了すると画面の案は残りません。")
                                       .arg(file),
                                   titles::error};
    }
    return finished;
}

} // namespace classdiv
