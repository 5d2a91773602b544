#pragma once
// The drafts file beside the CSV (ファイル名.csv + "AN.TXT", like the
// conditions and the rules files; the name: files/YearFiles.h): the kept divisions of the year and the
// division last on screen (「作業中」), so that nothing is lost when the
// program closes or the PC stops.
//
// UTF-8 text, one record a line, CR LF ends a line; the first line is the
// version. The file names the roster it was made for, row by row, so that
// its drafts are put on the roster's own students, and carried over by key
// when the roster changed (division/drafts/RosterChanges.h):
//
//   CLASSDIV-DRAFTS 3
//   roster <N>
//   header <cell> ...                                   the roster's header row
//   row <line> <key> <identifier> <name> <group> <score> <cell> ...
//                                                         N lines, tab-separated
//   draft <name> <kept> <number> <classes> <swaps>        any number, names distinct
//   working <computer> <user> <kept> <number> <classes> <swaps>
//                                                         one per computer and user
//   end <drafts>
//
// <kept> is yyyy-MM-ddTHH:mm:ss local time; <classes> N class numbers (0: not placed) joined
// by commas; <swaps> rowA-rowB pairs joined by commas, oldest first, or
// empty. A tab, a line end or a backslash inside a text is written \t, \n,
// \r, \\. A UTF-8 byte order mark before the first line is allowed.
//
// <key> says how the drafts know the student (division/drafts/StudentKeys.h):
// i by identifier, n by identifier and name, r by row. The cells are the
// roster's whole row, so that what changed in it can be told later.
//
// Version 2 (still read) had no header line and row lines of
// `row <line> <identifier> <name> <group>`; its students are keyed on reading.
// Version 1 (still read) had one working line without computer and user:
// `working <kept> <number> <classes> <swaps>`; it is taken as this program's.
//
// Each program on the roster (two teachers on a shared folder) keeps its own
// working line, named with its computer and user, and leaves the others'
// as they are; drafts are merged, never erased (division/drafts/DraftsMerge.h).

#include "division/drafts/StudentKeys.h"
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
    // A working line's program: its computer and user (empty: a version 1 file's).
    QString computer;
    QString user;
    bool operator==(const Draft&) const = default;
};

struct DraftsContent {
    std::vector<RosterRow> roster; // [row 1 .. N]; entry 0 holds the header (an earlier version's: empty)
    std::vector<Draft> drafts;     // oldest first
    std::vector<Draft> working;    // one a computer and user
    bool operator==(const DraftsContent&) const = default;
};

// The roster of the year's students, keyed.
std::vector<RosterRow> rosterOf(const Students& students);

QByteArray formatDraftsFile(const DraftsContent& content);

// What the reader takes at most; a file or a line beyond is refused, so that
// a spoiled or hostile file can neither hold up the window nor fill memory.
inline constexpr qint64 kMaxDraftsBytes = 16 * 1024 * 1024;
inline constexpr int kMaxDrafts = 1000;
inline constexpr int kMaxDraftSwaps = 10000; // hand swaps kept with one draft

// The name itself when no draft has it, else 「名前（2）」, 「名前（3）」… the first free.
QString freeDraftName(const std::vector<Draft>& drafts, const QString& name);

// 「作業中」, or 「作業中（PC02 suzuki）」 for another program's.
QString workingName(const QString& computer, const QString& user, bool own);

struct DraftsReadOutcome {
    enum class Status {
        Missing, // no file yet: no drafts
        Read,    // every line read
        Damaged, // some line could not be read: what could be read is in content
        Unreadable, // the file exists but cannot be opened
        TooLarge    // larger than kMaxDraftsBytes: not read
    };
    Status status = Status::Missing;
    DraftsContent content;
    int line = 0;   // Damaged: the first line that could not be read (1 = the version line)
    QString reason; // Damaged: why, in the words of the message
    // Drafts of a name already used above, renamed 「名前（2）」…: "old name" → "new name".
    std::vector<std::pair<QString, QString>> renamed;
};

// Reads what can be read: a draft line that is wrong is skipped, the others
// stay; a roster that is wrong leaves no drafts (they could not be checked).
// The file itself is read by files/SharedDrafts.h.
DraftsReadOutcome parseDraftsFile(const QByteArray& bytes);

} // namespace classdiv
