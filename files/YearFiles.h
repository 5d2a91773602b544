#pragma once
// The files the program keeps beside the roster, and the one place that
// names, reads and writes them. A roster nen1.csv (or nen1.xlsx) has, in its
// folder, its name followed directly by:
//
//   JYOKEN.TXT    the conditions of every group (conditions/ConditionsFile.h)
//   BUNKATSU.TXT  the columns of the teacher's rules (conditions/SpreadFile.h)
//   AN.TXT        the kept divisions and the one on screen (division/drafts/DraftsFile.h)
//
// The formats keep one reader and one writer each in their own layer; here
// they meet the disk. The Year and the drafts book read no file themselves:
// they are handed what was read, and what they hold is saved from here (the
// drafts through files/SharedDrafts.h, merged with other programs' on a
// shared folder). Every write goes through a
// temporary file and a rename under the file's lock (common/FileLock.h), and
// a failed one says the program's one message (common/FileMessages.h).

#include "common/Message.h"
#include "conditions/ConditionsFile.h"
#include "conditions/SpreadColumns.h"
#include "division/drafts/Drafts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace classdiv {

class Year;

// What a save did.
struct SaveOutcome {
    enum class Status {
        Saved,  // the whole file is on disk
        Busy,   // another program held the file's lock: nothing written
        Failed  // not written (the folder, a full disk): the file before is whole
    };
    Status status = Status::Failed;
    // Busy and Failed: why. Saved: the note of a stopped program's lock taken over, if any.
    std::optional<Message> message;
};

class YearFiles {
public:
    explicit YearFiles(QString rosterPath);

    const QString& rosterPath() const { return m_rosterPath; }
    QString conditionsPath() const;
    QString rulesPath() const;
    // Empty for a year of no roster file: its drafts stay in memory.
    QString draftsPath() const;

    // The year's drafts book, as the drafts file holds them now.
    DraftBook loadDrafts(const Year& year) const;
    // Writes the drafts now when anything is unwritten; the write's message.
    // (The session writes on a thread of its own: files/SharedDrafts.h.)
    static std::optional<Message> saveDrafts(DraftBook& book, const Year& year, const QDateTime& now);

    // 前回条件の読み込み: the conditions file read into the year's groups. A
    // file that stops part way leaves the groups read before it.
    ReadConditionsOutcome loadConditions(Year& year) const;
    // The conditions of every group as the year holds them.
    SaveOutcome saveConditions(const Year& year) const;

    // The rules file's bytes, nullopt when there is none; a file that cannot
    // be read, or is far longer than any choice, gives bytes no parse takes.
    std::optional<QByteArray> readRules() const;
    // The stored choice of rule columns given to the year; none, silently,
    // when there is none or it cannot be used (the dialog tells why).
    void loadRules(Year& year) const;
    // クラス分けの決まり: what the dialog shows when it opens.
    SpreadDialogView openRules(const Students& students) const;
    // Its OK: the boxes checked, the choice saved; the rules only when it was.
    SpreadAcceptOutcome acceptRules(const Students& students, const RuleTexts& texts) const;

private:
    SaveOutcome saveLocked(const QString& path, const QByteArray& bytes, const QString& what, const QString& kept) const;

    QString m_rosterPath;
};

} // namespace classdiv
