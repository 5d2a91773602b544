#pragma once
// The table of the relationship rules a teacher can set: what each kind is
// called, which box of the rules dialog sets it and what that box takes,
// which line of the rules file keeps its column, and its rank when evening
// out weighs one rule against another. The dialog (conditions/SpreadColumns.h,
// ui/SpreadDialog.cpp), the file (conditions/SpreadFile.h), the columns read
// from the CSV (conditions/SpreadRules.h) and their typing
// (division/rules/RuleSet.h) loop over it; what each kind means for the
// search, for a division and for the students who break it is its unit in
// division/rules/RuleKind.h.

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace classdiv {

// The dialog's boxes, in their Tab order (the order of the file's lines).
enum class RuleBox { Marks, Mix, Together, Fixed, Flags, Scores };
inline constexpr int kRuleBoxCount = 6;

// Every kind, in the order their checks run and their messages list them.
enum class RuleKind { Fixed, Together, Apart, Record, Flags, Mix, Scores };
inline constexpr int kRuleKindCount = 7;

inline constexpr int kMaxFlagColumns = 4;
inline constexpr int kMaxScoreColumns = 3;

inline const QString kMarksColumnLabel = QStringLiteral("別のクラスにする印の列");
inline const QString kMixColumnLabel = QStringLiteral("均等に混ぜる列");
inline const QString kTogetherColumnLabel = QStringLiteral("同じクラスにする印の列");
inline const QString kFixedColumnLabel = QStringLiteral("クラスを指定する列");
inline const QString kFlagColumnsLabel = QStringLiteral("均等に散らす列");
inline const QString kScoreColumnsLabel = QStringLiteral("ほかにそろえる点数の列");

// What a box's columns hold for the rules: the cells' text, or a number each
// (blank where a cell has none, conditions/ScoreCells.h).
enum class CellsAs { Text, Numbers };

// What a box takes: one column, or up to `most` separated by commas.
struct BoxShape {
    int most = 1;
    CellsAs cells = CellsAs::Text;
    const char* objectName = ""; // the dialog's control
    QString note;                // the dialog's words beside it
};

struct RuleKindRow {
    RuleKind kind;
    QString label;              // the dialog's label of its box, or the kind's name where no box sets it
    std::optional<RuleBox> box; // none: not a column of the CSV (the school's separation record)
    int fileLine = 0;           // the line of the rules file that keeps its column(s), 1 ..; 0 none
    int priority = 0;           // 1 first; the head counts (4) and the score bands (5) sit between
    BoxShape shape = {};        // with a box: what it takes
};

// The table, in the order of RuleKind.
const std::array<RuleKindRow, kRuleKindCount>& ruleKinds();
const RuleKindRow& ruleKind(RuleKind kind);
// The kind a box of the dialog sets.
const RuleKindRow& ruleKindOf(RuleBox box);

// One thing for each box of the dialog, indexed by the box: the texts of the
// boxes, the columns they name, the columns read.
template <class T>
struct PerBox : std::array<T, kRuleBoxCount> {
    using std::array<T, kRuleBoxCount>::operator[];
    T& operator[](RuleBox box) { return (*this)[static_cast<size_t>(box)]; }
    const T& operator[](RuleBox box) const { return (*this)[static_cast<size_t>(box)]; }
    bool operator==(const PerBox&) const = default;
};

// Every box, in their order.
inline constexpr std::array<RuleBox, kRuleBoxCount> allRuleBoxes()
{
    std::array<RuleBox, kRuleBoxCount> boxes{};
    for (int b = 0; b < kRuleBoxCount; ++b)
        boxes[static_cast<size_t>(b)] = static_cast<RuleBox>(b);
    return boxes;
}

} // namespace classdiv
