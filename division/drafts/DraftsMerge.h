#pragma once
// Two programs on one drafts file (two teachers on the school's shared
// folder, or two windows on one PC): each write takes the file's lock
// (common/FileLock.h), reads the file again, merges what the other programs
// did since this one last read it, and writes the whole file, so that no
// program erases another's drafts. Here are the merge and what one write
// asks and finds; the write itself is files/SharedDrafts.h.
//
// A draft is known by its classes, swaps, draw number and the time it was
// kept, which never change once kept; its name may. Against the drafts as
// this program last saw them in the file (the base):
//   - a draft only in the file was kept by another program: it stays;
//   - a draft only here was kept here: it is added;
//   - a draft renamed here takes the new name; renamed there (and not here),
//     the other's name;
//   - a draft deleted here goes only if the other program left it as it was
//     (the same name); renamed there, it stays. A draft deleted there goes
//     unless it was renamed here;
//   - keeping a draft under a name in use replaces it: the old one is deleted
//     and the new one kept, by the rules above;
//   - two drafts of one name (kept at once by two programs) keep the file's
//     under its name; the one kept here becomes 「名前（2）」, and the
//     program says so.
// Each program writes only its own 「作業中」 line (its computer and user);
// the others' stay as the file has them.

#include "common/FileLock.h"
#include "division/drafts/DraftsFile.h"

#include <optional>
#include <utility>
#include <vector>

namespace classdiv {

struct MergedDrafts {
    std::vector<Draft> drafts; // the file's order, then the drafts new here
    std::vector<std::pair<QString, QString>> renamed; // drafts kept here renamed for a name in use: from, to
};
MergedDrafts mergeDrafts(const std::vector<Draft>& base, const std::vector<Draft>& here,
                         const std::vector<Draft>& file);

// One write of the drafts file by one program.
struct DraftsWrite {
    QString path;
    std::vector<RosterRow> roster;
    std::vector<Draft> base;  // the drafts as this program last saw them in the file
    std::vector<Draft> here;  // this program's drafts now
    std::optional<Draft> working; // this program's 「作業中」; nullopt keeps the file's
    QString computer;
    QString user;
};

struct DraftsWriteOutcome {
    enum class Status {
        Written,
        Failed,    // the file or its lock could not be written
        Busy,      // another program held the lock for the whole wait
        Unreadable // the file there cannot be read: it is left untouched
    };
    Status status = Status::Failed;
    std::vector<Draft> drafts;        // Written: the drafts the file holds now
    std::vector<Draft> others;        // Written: the other programs' 「作業中」
    std::optional<Draft> working;     // Written: this program's 「作業中」 in the file
    std::vector<std::pair<QString, QString>> renamed;
    bool setAside = false;            // a damaged file, or one of another roster, was copied to .bak first
    std::optional<LockHolder> holder; // Busy: who held the lock
    std::optional<LockHolder> takenOver; // the lock of a stopped program was taken over
};

} // namespace classdiv
