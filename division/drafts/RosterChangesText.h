#pragma once
// The words of 「名簿の変更」: the students added, removed and changed, and
// what follows for each draft and for the conditions.

#include "division/drafts/DraftFigures.h"
#include "division/drafts/Drafts.h"

#include <QStringList>

namespace classdiv {

class Year;

// One row a student: 変更, 行, 識別番号, 氏名, グループ, 変わったこと.
TextTable rosterChangesTable(const RosterMatch& match);

// A line a draft (its students gone, new and unplaced, and those whose class
// the conditions no longer plan), then the groups whose head counts no longer
// add up; one line when the roster did not change.
QStringList rosterConsequences(const DraftBook& book, const Year& year);

} // namespace classdiv
