#pragma once
// What the drafts say to the teacher about a drafts file and a draft that
// does not fit: the words of each message, in one place.

#include "common/Message.h"
#include "division/drafts/DraftsFile.h"

#include <optional>
#include <vector>

namespace classdiv {

class Year;

// The message of a damaged, unreadable or too large file, or of renamed
// duplicates; nullopt for a file read whole.
std::optional<Message> draftsReadMessage(const DraftsReadOutcome& outcome, const QString& path);

// The students whose class in the draft is none of their group's planned
// classes (the conditions changed since, or the file was edited by hand), in
// the words of a refusal; nullopt when every class is planned. A student not
// placed yet is no refusal.
std::optional<Message> unplannedClasses(const Year& year, const Draft& draft);

} // namespace classdiv
