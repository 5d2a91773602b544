#pragma once
// 案: divisions kept under a name, to come back to on another day, and the
// division last on screen (「作業中」), kept in the drafts file beside the CSV
// (division/drafts/DraftsFile.h). The book reads the file once when the year is
// loaded and changes no classes then; it writes the whole file again when
// asked, through a temporary file and a rename.
//
// The figures of a draft and the comparison of two: division/drafts/DraftFigures.h.

#include "common/Message.h"
#include "division/draw/DistributionTable.h"
#include "division/drafts/DraftFigures.h"
#include "division/drafts/DraftsFile.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

class Year;

class DraftBook {
public:
    // Reads the drafts file beside the year's CSV; nothing on screen changes.
    explicit DraftBook(const Year& year);
    DraftBook(const Year& year, QString path);

    const QString& path() const { return m_path; }
    // What reading the file found wrong, once: shown when the drafts window first opens.
    std::optional<Message> takeReadMessage();

    const std::vector<Draft>& drafts() const { return m_drafts; }
    // 「作業中」: the classes on screen at the last change, or the last run's until this run changes any.
    const std::optional<Draft>& working() const { return m_working; }
    // The drafts, then 「作業中」 when there is one: the rows of the list.
    int rowCount() const { return static_cast<int>(m_drafts.size()) + (m_working ? 1 : 0); }
    const Draft& row(int index) const;

    // 案1, 案2, … the first not in use.
    QString nextFreeName() const;
    int indexOf(const QString& name) const; // -1 when no draft has it

    // Keeps the classes on screen; a name in use replaces that draft (the
    // window asks first). A refusal (no classes, an empty name) keeps nothing.
    std::optional<Message> keep(const Year& year, const QString& name, const QDateTime& now);
    // Keeps classes read from elsewhere (a result file) under a name.
    void keepDraft(Draft draft);
    // Puts the row's classes on screen; a draft of another roster is refused
    // with the rows that differ, and nothing changes.
    std::optional<Message> open(int index, Year& year) const;
    std::optional<Message> rename(int index, const QString& name);
    void remove(int index);

    // The classes on screen changed: 「作業中」 is written at the next write.
    void markChanged() { m_screenChanged = true; m_dirty = true; }
    bool dirty() const { return m_dirty; }
    // Writes the whole file when anything changed since the last write. A
    // damaged or foreign file is copied aside first. The first failure gives
    // its message; later ones are silent until a write succeeds again.
    std::optional<Message> write(const Year& year, const QDateTime& now);

    // The same in three steps, so the disk can be left to another thread:
    // the bytes made here, written there, the outcome taken back here.
    struct PendingWrite {
        QString path;
        QByteArray bytes;
        bool keepAside = false; // the file there goes aside first, under a name of its own
    };
    std::optional<PendingWrite> prepareWrite(const Year& year, const QDateTime& now);
    static bool performWrite(const PendingWrite& pending); // touches nothing of the book
    std::optional<Message> finishWrite(bool written);
    // 「作業中」 made from the screen when it changed since (the list shows it before it is written).
    void takeScreen(const Year& year, const QDateTime& now);
    // The snapshot of the screen that write() takes.
    static Draft screenDraft(const Year& year, const QString& name, const QDateTime& now);

private:
    QString m_path;
    std::vector<RosterRow> m_roster;        // the year's
    std::vector<RosterRow> m_fileRoster;    // the file's, when it differs (its drafts are refused)
    std::vector<Draft> m_drafts;
    std::optional<Draft> m_working;
    std::vector<bool> m_foreign; // [draft]: made on the file's other roster, not written back
    bool m_workingForeign = false;
    std::optional<Message> m_readMessage;
    bool m_keepAside = false; // the file on disk is damaged or foreign: copy it before writing
    bool m_screenChanged = false;
    bool m_dirty = false;
    bool m_failed = false; // the last write failed and said so
    QByteArray m_head;      // the file's lines up to 「作業中」, as last made
    size_t m_ownDrafts = 0; // the drafts in m_head
    bool m_headChanged = true;
};

// The number typed for 番号を指定して分ける: 1 .. kLargestDrawNumber in half- or
// full-width digits, blanks around it allowed; nullopt for anything else.
std::optional<uint32_t> drawNumberFromText(const QString& text);
inline const QString kBadDrawNumberMessage =
    QStringLiteral("番号は１から999999999までの数字で入れて下さい。クラス分けは変えていません。");

} // namespace classdiv
