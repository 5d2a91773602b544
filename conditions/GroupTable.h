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
    std::vector<QString> groupName;                    // [G]
    std::vector<int16_t> groupSize;                    // [G]
    std::vector<std::vector<StudentRecord>> groupStudents; // [G][rank 1..size], [G][0] unused; newClass unused
    // [G][rank] = the student's row in the StudentTable (1..N), ranked with
    // groupStudents, so each student's new class goes back to its own row.
    std::vector<std::vector<int16_t>> groupStudentRows;
    std::vector<GroupCondition> conditions;            // [G]
    int16_t headTotal = 0;

    int groupCount() const { return lastGroupIndex + 1; }
    // The group of the combo's selected position (-1 = none selected -> 0).
    static int groupOfPosition(int comboPosition) { return comboPosition < 0 ? 0 : comboPosition + 1; }
};

struct LoadOutcome {
    ConditionsWorkspace workspace;
    QStringList comboEntries;        // Combo1's entries in list (= group number) order
    QString label10;                 // number of students
    QString label11;                 // number of groups
    std::optional<Message> refusal;  // set when the table does not fit; the workspace then has no students
};

// The load step of the conditions window.
LoadOutcome loadGroups(const StudentTable& table);

// The ascending text order of the group list, used for the list and the numbering.
bool groupNameLess(const QString& a, const QString& b);

// Ranks rows 1..n of one group by score from high to low, with the exact tie
// order of the two-step selection and reverse.
void rankByScore(std::vector<StudentRecord>& rows, int n);

} // namespace classdiv
