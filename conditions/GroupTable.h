#pragma once
// The conditions workspace: groups of the year and the condition of each.

#include "common/Message.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

inline constexpr int kMaxGroups = 300;
inline constexpr int kMaxPlanRows = 10;
inline constexpr int kMaxStudentsPerGroup = 500;

struct ClassPlanRow {
    int16_t classNumber = 0;
    int16_t headCount = 0;
    int16_t slotCount = 0; // derived when the division is prepared
    bool operator==(const ClassPlanRow&) const = default;
};

// ClassCount and the ten plan rows of one group; rows[0] is not used.
struct GroupCondition {
    int16_t classCount = 0;
    std::array<ClassPlanRow, kMaxPlanRows + 1> rows{};
    bool operator==(const GroupCondition&) const = default;
};

// Everything indexed by group number G = 1 .. groupCount(); index 0 is the
// slot that belongs to no group (entries made while nothing is selected).
struct ConditionsWorkspace {
    int16_t lastGroupIndex = 0;
    std::vector<QString> groupName; // [G]
    std::vector<int16_t> groupSize; // [G]
    // [G][rank 1 .. size]: the student row of each rank, from the highest
    // score to the lowest; [G][0] unused. The draw cuts these into blocks,
    // and each student's new class goes back to its own row.
    std::vector<std::vector<int16_t>> groupStudents;
    std::vector<GroupCondition> conditions; // [G]
    int16_t headTotal = 0;

    int groupCount() const { return lastGroupIndex + 1; }
    // The group at a position of the group list (-1 = none selected -> 0).
    static int groupOfPosition(int listPosition) { return listPosition < 0 ? 0 : listPosition + 1; }
};

struct LoadOutcome {
    ConditionsWorkspace workspace;
    QStringList listEntries;        // the group list's entries in list (= group number) order
    QString studentCountText;       // shown beside 生徒人数
    QString groupCountText;         // shown beside グループ数
    std::optional<Message> refusal; // set when the year does not fit; the workspace then has no students
};

// The load step of the conditions window.
LoadOutcome loadGroups(const Students& students);
// The refusal of a year with more students than the tables hold.
LoadOutcome refusedLoad(const QString& text);
inline const QString kStudentsBeyondTableMessage =
    QStringLiteral("生徒数が５００人を超えているため、このファイルでは処理できません。"
                   "５００人までのＣＳＶファイルを選んでください。");

// The ascending text order of the group list, used for the list and the numbering.
bool groupNameLess(const QString& a, const QString& b);

// Ranks rows[1 .. n] (student rows) by their score from high to low, with
// the exact tie order of the two-step selection and reverse.
void rankByScore(std::vector<int16_t>& rows, int n, const Students& students);

} // namespace classdiv
