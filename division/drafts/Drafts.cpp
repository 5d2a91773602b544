#include "division/drafts/Drafts.h"

#include "common/TextFile.h"
#include "division/draw/RandomSource.h"
#include "division/Year.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (year.students().csvPath.isEmpty() && m_path == draftsFilePath(QString()))
        m_path.clear(); // a year of no file keeps its drafts in memory only
    if (m_path.isEmpty())
        return;
    DraftsReadOutcome read = readDraftsFile(m_path);
    m_readMessage = draftsReadMessage(read, m_path);
    m_keepAside = read.status == DraftsReadOutcome::Status::Damaged ||
                  read.status == DraftsReadOutcome::Status::Unreadable;
    const bool foreign = (read.status == DraftsReadOutcome::Status::Read ||
                          read.status == DraftsReadOutcome::Status::Damaged) &&
                         !read.content.roster.empty() && read.content.roster != m_roster;
    if (foreign) {
        m_fileRoster = read.content.roster;
        m_keepAside = true;
    }
    m_drafts = std::move(read.content.drafts);
    m_foreign.assign(m_drafts.size(), foreign);
    m_working = std::move(read.content.working);
    m_workingForeign = foreign && m_working.has_value();
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
    if (index == static_cast<int>(m_drafts.size()) && m_working)
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
    return Draft{name, toSecond(now), year.drawNumber(), year.classes(), year.swaps().history()};
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
    m_headChanged = true;
}

std::optional<Message> DraftBook::open(int index, Year& year) const
{
    const bool isWorking = index == static_cast<int>(m_drafts.size());
    const bool foreign = isWorking ? m_workingForeign : m_foreign.at(static_cast<size_t>(index));
    if (foreign)
        return rosterMismatch(m_fileRoster, year.students());
    const Draft& draft = row(index);
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
    m_headChanged = true;
    return std::nullopt;
}

void DraftBook::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(m_drafts.size()))
        return;
    m_drafts.erase(m_drafts.begin() + index);
    m_foreign.erase(m_foreign.begin() + index);
    m_dirty = true;
    m_headChanged = true;
}

void DraftBook::takeScreen(const Year& year, const QDateTime& now)
{
    if (!m_screenChanged || !year.hasDraw())
        return;
    m_working = screenDraft(year, kWorkingName, now);
    m_workingForeign = false;
    m_screenChanged = false;
}

std::optional<Message> DraftBook::write(const Year& year, const QDateTime& now)
{
    const std::optional<PendingWrite> pending = prepareWrite(year, now);
    return pending ? finishWrite(performWrite(*pending)) : std::nullopt;
}

std::optional<DraftBook::PendingWrite> DraftBook::prepareWrite(const Year& year, const QDateTime& now)
{
    if (!m_dirty || m_path.isEmpty())
        return std::nullopt;
    takeScreen(year, now);
    // The kept drafts' lines are made again only when the drafts changed.
    if (m_headChanged) {
        std::vector<Draft> own;
        for (size_t i = 0; i < m_drafts.size(); ++i)
            if (!m_foreign[i])
                own.push_back(m_drafts[i]);
        m_head = formatDraftsHead(m_roster, own);
        m_ownDrafts = own.size();
        m_headChanged = false;
    }
    // Changes from here on need a write of their own.
    m_dirty = false;
    return PendingWrite{m_path, m_head + formatDraftsTail(m_workingForeign ? std::nullopt : m_working, m_ownDrafts),
                        m_keepAside};
}

bool DraftBook::performWrite(const PendingWrite& pending)
{
    if (pending.keepAside && QFileInfo::exists(pending.path)) {
        // The damaged or foreign file stays as it was, under a name of its own.
        QString aside = pending.path + QStringLiteral(".bak");
        for (int i = 2; QFileInfo::exists(aside); ++i)
            aside = pending.path + QStringLiteral(".bak%1").arg(i);
        if (!QFile::copy(pending.path, aside))
            return false;
    }
    return writeFileAtomically(pending.path, pending.bytes) == WriteStatus::Ok;
}

std::optional<Message> DraftBook::finishWrite(bool written)
{
    if (written) {
        m_keepAside = false;
        m_failed = false;
        return std::nullopt;
    }
    m_dirty = true;
    if (m_failed)
        return std::nullopt;
    m_failed = true;
    return Message{QStringLiteral("クラス分けの案を保存できません。\n%1\n"
                                  "フォルダーに書き込めるか、ディスクに空きがあるかを確かめて下さい。"
                                  "作業はこのまま続けられますが、終了すると画面の案は残りません。")
                       .arg(QDir::toNativeSeparators(m_path)),
                   titles::error};
}

} // namespace classdiv
