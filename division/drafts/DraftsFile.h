#pragma once
// The drafts file beside the CSV (ファイル名.csv + "AN.TXT", like the
// conditions and the rules files): the kept divisions of the year and the
// division last on screen (「作業中」), so that nothing is lost when the
// program closes or the PC stops.
//
// UTF-8 text, one record a line, CR LF ends a line; the first line is the
// version. The file names the roster it was made for, row by row, so a
// division is never put on another CSV's students:
//
//   CLASSDIV-DRAFTS 1
//   roster <N>
//   row <line>  <identifier>  <name>  <group>           N lines, tab-separated
//   draft <name> <kept> <number> <classes> <swaps>        any number
//   working <kept> <number> <classes> <swaps>             at most one
//   end <drafts>
//
// <kept> is yyyy-MM-ddTHH:mm:ss local time; <classes> N class numbers joined
// by commas; <swaps> rowA-rowB pairs joined by commas, oldest first, or
// empty. A tab, a line end or a backslash inside a text is written \t, \n,
// \r, \\.

#include "division/lists/ClassSwaps.h"
#include "import/StudentTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

struct Draft {
    QString name;
    QDateTime kept; // local time, whole seconds
    uint32_t drawNumber = 0; // 0: the classes came from no press (a result file)
    std::vector<int16_t> classes; // [row 1 .. N], entry 0 unused
    std::vector<ClassSwaps::Pair> swaps; // the hand swaps made since the press, oldest first
    bool operator==(const Draft&) const = default;
};

// A student row as the file names it, to check the CSV is still the same.
struct RosterRow {
    QString id;
    QString name;
    QString group;
    bool operator==(const RosterRow&) const = default;
};

struct DraftsContent {
    std::vector<RosterRow> roster; // [row 1 .. N], entry 0 unused
    std::vector<Draft> drafts;     // oldest first
    std::optional<Draft> working;
    bool operator==(const DraftsContent&) const = default;
};

// The roster of the year's students.
std::vector<RosterRow> rosterOf(const Students& students);

// ファイル名.csv + "AN.TXT"
QString draftsFilePath(const QString& csvPath);

QByteArray formatDraftsFile(const DraftsContent& content);
// The file in two parts, so that a write of 「作業中」 alone need not make the
// kept drafts' lines again: the version, the roster and the drafts; then
// 「作業中」 and the end. formatDraftsFile is the two joined.
QByteArray formatDraftsHead(const std::vector<RosterRow>& roster, const std::vector<Draft>& drafts);
QByteArray formatDraftsTail(const std::optional<Draft>& working, size_t draftCount);

struct DraftsReadOutcome {
    enum class Status {
        Missing, // no file yet: no drafts
        Read,    // every line read
        Damaged, // some line could not be read: what could be read is in content
        Unreadable // the file exists but cannot be opened
    };
    Status status = Status::Missing;
    DraftsContent content;
    int line = 0;   // Damaged: the first line that could not be read (1 = the version line)
    QString reason; // Damaged: why, in the words of the message
};

// Reads what can be read: a draft line that is wrong is skipped, the others
// stay; a roster that is wrong leaves no drafts (they could not be checked).
DraftsReadOutcome parseDraftsFile(const QByteArray& bytes);
DraftsReadOutcome readDraftsFile(const QString& path);

// The message of a damaged or unreadable file; nullopt for Missing and Read.
std::optional<Message> draftsReadMessage(const DraftsReadOutcome& outcome, const QString& path);

// The rows where the file's roster and the year's students differ, in the
// words of a refusal; nullopt when they are the same.
std::optional<Message> rosterMismatch(const std::vector<RosterRow>& kept, const Students& students);

} // namespace classdiv
