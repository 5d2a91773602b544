#pragma once
// 最小の移動で直す for a year: the classes on screen (some students new and
// unplaced, some in a class the plans no longer open) mended by the search
// of search/FewestMoves.h, with the year's plans, bands and rules;
// what the dialog shows before anything changes.

#include "common/Message.h"
#include "division/Year.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

struct MoveOptions {
    int largestMoves = -1;           // -1: as many as it takes
    std::vector<int> lockedClasses;  // class numbers whose students stay
};

// A student given another class, or placed for the first time (from kUnplacedClass).
struct MovedStudent {
    int row = 0;
    int from = 0;
    int to = 0;
    bool operator==(const MovedStudent&) const = default;
};

struct FewestMovesOutcome {
    // The year cannot be mended within the options: the rule and the students, and nothing changes.
    std::optional<Message> refusal;
    std::vector<int16_t> classes;       // [row], entry 0 unused: the mended division
    std::vector<MovedStudent> students; // in row order, the moved and the newly placed
    int moves = 0;                      // students already placed who change class
    double spread = 0;                  // the spread of averages it gives
};

FewestMovesOutcome findFewestMoves(const Year& year, const MoveOptions& options, uint64_t seed);

// The spread of averages evening out from scratch reaches from these classes
// (a division that fits the plans): the yardstick the dialog shows beside the mend.
double scratchSpread(const Year& year, const std::vector<int16_t>& classes, uint64_t seed);

// The students whose class is not the one they had (a new one counted too).
std::vector<MovedStudent> studentsMoved(const std::vector<int16_t>& before, const std::vector<int16_t>& after);

// The class as the dialog shows it: 「3組」, or 「未配置」.
QString classText(int classNumber);

// Asked before a press or evening out replaces a mended division (with no hand swaps after it).
inline const Message kReplaceMendQuestion{
    QStringLiteral("最小の移動で直したクラス分けは取り消されて、新しいクラス分けに置き換わります。よろしいですか？"), QString()};

inline const QString kNothingToMendMessage =
    QStringLiteral("まだクラス分けをしていません。「分布表表示」を押すか案に戻してから、直して下さい。");

} // namespace classdiv
