#pragma once
// The table of the relationship rules a teacher can set: what each kind is
// called, which box of the rules dialog sets it, which line of the rules
// file keeps its column, and its rank when evening out weighs one rule
// against another. The dialog (conditions/SpreadColumns.h) and the file
// (conditions/SpreadFile.h) read it here; what each kind means for the
// search, for a division and for the students who break it is its unit in
// division/rules/RuleKind.h.

#include <QString>

#include <array>
#include <optional>

namespace classdiv {

// The dialog's boxes, in their Tab order (the order of the file's lines).
enum class RuleBox { Marks, Mix, Together, Fixed, Flags, Scores };

// Every kind, in the order their checks run and their messages list them.
enum class RuleKind { Fixed, Together, Apart, Record, Flags, Mix, Scores };
inline constexpr int kRuleKindCount = 7;

inline const QString kMarksColumnLabel = QStringLiteral("別のクラスにする印の列");
inline const QString kMixColumnLabel = QStringLiteral("均等に混ぜる列");
inline const QString kTogetherColumnLabel = QStringLiteral("同じクラスにする印の列");
inline const QString kFixedColumnLabel = QStringLiteral("クラスを指定する列");
inline const QString kFlagColumnsLabel = QStringLiteral("均等に散らす列");
inline const QString kScoreColumnsLabel = QStringLiteral("ほかにそろえる点数の列");

struct RuleKindRow {
    RuleKind kind;
    QString label;              // the dialog's label of its box, or the kind's name where no box sets it
    std::optional<RuleBox> box; // none: not a column of the CSV (the school's separation record)
    int fileLine = 0;           // the line of the rules file that keeps its column(s), 1 .. 6; 0 none
    int priority = 0;           // 1 first; the head counts (4) and the score bands (5) sit between
};

// The table, in the order of RuleKind.
const std::array<RuleKindRow, kRuleKindCount>& ruleKinds();
const RuleKindRow& ruleKind(RuleKind kind);
// The kind a box of the dialog sets.
const RuleKindRow& ruleKindOf(RuleBox box);

} // namespace classdiv
