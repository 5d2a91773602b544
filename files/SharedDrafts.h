#pragma once
// The drafts file on disk (its format: division/drafts/DraftsFile.h; the
// book in memory: division/drafts/Drafts.h): read when a year is loaded, and
// written whole under its lock, merged with what other programs on the same
// roster kept meanwhile (division/drafts/DraftsMerge.h), so that two
// teachers on one shared folder never erase each other's drafts.

#include "common/Message.h"
#include "division/drafts/Drafts.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace classdiv {

// The file whole, or why not: Missing when there is none; Unreadable or
// TooLarge (kMaxDraftsBytes) when it is not read at all.
DraftsReadOutcome readDraftsFile(const QString& path);

// Lock, read, merge, write, unlock. Touches nothing but the files: it runs on
// the writer thread. A damaged file, or one of the roster before a change, is
// copied aside first; one that cannot be read is never written over.
DraftsWriteOutcome writeDraftsShared(const DraftsWrite& write);

// The book of the drafts file at path, as read now; an empty path keeps the
// drafts in memory only.
DraftBook loadDraftBook(const Year& year, const QString& path);

// Writes the book's file now, on this thread, when anything changed since
// its last write; the message of the write (DraftBook::finishWrite), if any.
std::optional<Message> saveDraftBook(DraftBook& book, const Year& year, const QDateTime& now);

} // namespace classdiv
