#pragma once
// A division that has not placed every student (a draft carried over to a
// changed roster): who waits, and which classes are short of, or over, the
// head counts the conditions plan for them.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// The rows not placed yet, ascending.
std::vector<int> unplacedRows(const std::vector<int16_t>& classes);

// A class whose students differ from the head count its groups' plans add up to.
struct HeadCountGap {
    int classNumber = 0;
    int placed = 0;
    int planned = 0;
    bool operator==(const HeadCountGap&) const = default;
};
std::vector<HeadCountGap> headCountGaps(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes);

// 「未配置 3人　人数が条件と違うクラス: 1組 39/40人、2組 41/40人」; empty when every student is placed
// and every class holds its head count.
QString unplacedNote(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes);

// A result saved only once every student has a class: the message naming
// those without one (up to five, the rest counted); nullopt when all are placed.
std::optional<Message> unplacedSaveRefusal(const Students& students, const std::vector<int16_t>& classes);

// The heading of the column of students not placed: 「未配置」.
inline const QString kUnplacedLabel = QStringLiteral("未配置");

} // namespace classdiv
