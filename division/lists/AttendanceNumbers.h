#pragma once
// 出席番号: each new class numbered from 1 in the 五十音 order of the
// students' readings (KanaOrder.h), ties broken by identifier. Mixed (男女混合)
// or one sex first (男女別), each in the reading's order. A student with a
// blank reading goes last in its class and is named in a notice; in 男女別 a
// student whose sex cell says neither comes after both and is named too.

#include "common/Message.h"
#include "division/draw/DistributionTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

enum class NumberOrder {
    Mixed,      // 男女混合
    BoysFirst,  // 男女別, boys first
    GirlsFirst, // 男女別, girls first
};

enum class Sex { Boy, Girl, Unknown };
// 男, 男子, 男性, M, male, 1 as a boy; 女, 女子, 女性, F, female, 2 as a girl
// (full-width and either case alike); anything else unknown.
Sex sexOf(const QString& cell);

// What the teacher chose, with the cells it was chosen from, so that the
// numbers can be made again for the classes as they stand.
struct NumberingChoice {
    QString readingName;           // the reading column's heading, for messages
    std::vector<QString> readings; // [row]; row 0 unused
    NumberOrder order = NumberOrder::Mixed;
    std::vector<QString> sexes;    // [row]; used in 男女別 only

    bool operator==(const NumberingChoice&) const = default;
};

struct AttendanceNumbers {
    std::vector<int> numbers;       // [row]: 1.. within its class; 0 for a student of no class
    std::vector<int> blankReadings; // rows, in class and number order
    std::vector<int> unknownSex;    // rows, in class and number order (男女別 only)
    std::vector<int> notKana;       // rows whose reading holds other characters than kana
};

AttendanceNumbers attendanceNumbers(const Students& students, const std::vector<int16_t>& classes,
                                    const NumberingChoice& choice);

// The class's rows in number order.
std::vector<int> rowsByNumber(const std::vector<int16_t>& classes, const AttendanceNumbers& numbers, int classNumber);

// What the teacher must be told about the numbers given: blank readings,
// unknown sexes, readings not in kana. None when there is nothing to say.
std::optional<Message> numberingNotice(const Students& students, const std::vector<int16_t>& classes,
                                       const NumberingChoice& choice, const AttendanceNumbers& numbers);

} // namespace classdiv
