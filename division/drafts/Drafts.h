#pragma once
// 案: divisions kept under a name, to come back to on another day, and the
// division last on screen (「作業中」), kept in the drafts file beside the CSV
// (division/drafts/DraftsFile.h). The book is what the file held when the
// year was loaded, and what changed here since; it touches no disk. The
// file is read, and written, by files/SharedDrafts.h: each write takes the
// file's lock, reads it again and merges what other programs on the same
// roster did (division/drafts/DraftsMerge.h), then writes the whole file
// through a temporary file and a rename. The book makes each write's request
// and takes back its outcome.
//
// The figures of a draft and the comparison of two: division/drafts/DraftFigures.h.

#include "common/Message.h"
#include "division/draw/DistributionTable.h"
#include "division/drafts/DraftFigures.h"
#include "division/drafts/DraftsFile.h"
#include "division/drafts/DraftsMerge.h"
#include "division/drafts/RosterChanges.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

class Year;

class DraftBook {
public:
    // The drafts of the file at path as read (files/SharedDrafts.h reads it;
    // files/YearFiles.h names it beside the roster); nothing on screen
    // changes. The path names the file in messages and in each write's
    // request. An empty path keeps the drafts in memory only (a year of no file).
    explicit DraftBook(const Year& year, QString path = {}, DraftsReadOutcome read = {});

    const QString& path() const { return m_path; }
    // What reading the file found wrong, once: shown when the drafts window first opens.
    std::optional<Message> takeReadMessage();

    const std::vector<Draft>& drafts() const { return m_drafts; }
    // 「作業中」: the classes on screen at the last change, or the last run's until this run changes any.
    const std::optional<Draft>& working() const { return m_working; }
    // The roster changed since the drafts were kept: its changes, and what
    // they bring to each draft (the drafts' order); nullopt while it is the same.
    const std::optional<RosterMatch>& rosterChanges() const { return m_match; }
    std::vector<CarriedCounts> carriedCounts(const Year& year) const;
    // True once, the first time it is asked, when the roster changed: 「名簿の変更」 is shown then.
    bool takeChangesNotice()
    {
        const bool show = m_match.has_value() && !m_changesShown;
        m_changesShown = true;
        return show;
    }
    // The 「作業中」 of other programs on the same roster, as the file last had them.
    const std::vector<Draft>& othersWorking() const { return m_others; }
    // The drafts, the others' 「作業中」, then this program's when there is one: the rows of the list.
    int rowCount() const
    {
        return static_cast<int>(m_drafts.size() + m_others.size()) + (m_working ? 1 : 0);
    }
    const Draft& row(int index) const;

    // 案1, 案2, … the first not in use.
    QString nextFreeName() const;
    int indexOf(const QString& name) const; // -1 when no draft has it

    // Keeps the classes on screen; a name in use replaces that draft (the
    // window asks first). A refusal (no classes, an empty name) keeps nothing.
    std::optional<Message> keep(const Year& year, const QString& name, const QDateTime& now);
    // Keeps classes read from elsewhere (a result file) under a name.
    void keepDraft(Draft draft);
    // Puts the row's classes on screen. A draft whose classes are not planned
    // for their students' groups is refused, naming them, and nothing changes;
    // on a changed roster, or for a draft carried over to one, those students,
    // and the new ones, are left unplaced
    // instead. The draft itself stays as kept.
    std::optional<Message> open(int index, Year& year) const;
    std::optional<Message> rename(int index, const QString& name);
    void remove(int index);

    // The classes on screen changed: 「作業中」 is written at the next write.
    void markChanged() { m_screenChanged = true; m_dirty = true; }
    bool dirty() const { return m_dirty; }
    // The next write runs even with nothing new here: it takes in what other programs kept.
    void markFileToRead() { m_dirty = true; }
    // A write of the whole file in three steps, so the disk can be left to
    // another thread: the request made here (nullopt when nothing changed
    // since the last write, or the book has no file), written by
    // files/SharedDrafts.h, the outcome taken back here. The first failure
    // gives its message; later ones are silent until a write succeeds again.
    // A lock taken over from a stopped program, and a draft renamed for a
    // name another program used meanwhile, are said too.
    std::optional<DraftsWrite> prepareWrite(const Year& year, const QDateTime& now);
    struct Finished {
        std::optional<Message> message;
        bool listChanged = false; // drafts came from, or were renamed for, another program
    };
    Finished finishWrite(const DraftsWrite& pending, const DraftsWriteOutcome& outcome);
    // This program's name in the file (its computer and user; tests play several).
    void setOwner(QString computer, QString user);
    // 「作業中」 made from the screen when it changed since (the list shows it before it is written).
    void takeScreen(const Year& year, const QDateTime& now);
    // The snapshot of the screen that write() takes.
    static Draft screenDraft(const Year& year, const QString& name, const QDateTime& now);

private:
    void takeWorking(const std::vector<Draft>& working);

    QString m_path;
    std::vector<RosterRow> m_roster;        // the year's
    // The roster changed since the file was written: how its students match the year's.
    std::optional<RosterMatch> m_match;
    std::vector<Draft> m_kept; // the drafts as the file kept them, on its roster
    bool m_changesShown = false;
    std::vector<Draft> m_drafts;
    std::optional<Draft> m_working;
    std::vector<Draft> m_base;   // the drafts of this roster as the file last had them
    std::vector<Draft> m_others; // other programs' 「作業中」
    QString m_computer;
    QString m_user;
    std::optional<Message> m_readMessage;
    bool m_screenChanged = false;
    bool m_dirty = false;
    bool m_failed = false; // the last write failed and said so
};

// The number typed for 番号を指定して分ける: 1 .. kLargestDrawNumber in half- or
// full-width digits, blanks around it allowed; nullopt for anything else.
std::optional<uint32_t> drawNumberFromText(const QString& text);
inline const QString kBadDrawNumberMessage =
    QStringLiteral("番号は１から999999999までの数字で入れて下さい。クラス分けは変えていません。");

} // namespace classdiv
