#include "division/lists/AttendanceNumbers.h"

#include "division/lists/ClassRoster.h"
#include "division/lists/KanaOrder.h"
#include "division/rules/RuleChecks.h"

#include <algorithm>
#include <map>

namespace classdiv {

namespace {

QString cellAt(const std::vector<QString>& column, int row)
{
    return row >= 0 && row < int(column.size()) ? column[size_t(row)] : QString();
}

} // namespace

Sex sexOf(const QString& cell)
{
    const QString text = cell.normalized(QString::NormalizationForm_KC).trimmed().toCaseFolded();
    for (const char16_t* boy : {u"男", u"男子", u"男性", u"m", u"male", u"1", u"♂"})
        if (text == QStringView(boy))
            return Sex::Boy;
    for (const char16_t* girl : {u"女", u"女子", u"女性", u"f", u"female", u"2", u"♀"})
        if (text == QStringView(girl))
            return Sex::Girl;
    return Sex::Unknown;
}

AttendanceNumbers attendanceNumbers(const Students& students, const std::vector<int16_t>& classes,
                                    const NumberingChoice& choice)
{
    struct Entry {
        int row;
        int block; // 0, 1: the sexes in their order (or everyone mixed); 2 unknown sex; 3 blank reading
        ReadingKey key;
    };
    const int count = students.count();
    AttendanceNumbers result;
    result.numbers.assign(size_t(std::max(count, 0) + 1), 0);
    std::map<int, std::vector<Entry>> byClass;
    for (int row = 1; row <= count; ++row) {
        const int classNumber = classAt(classes, row);
        if (classNumber == 0)
            continue;
        const QString reading = cellAt(choice.readings, row);
        int block = 0;
        if (isBlankReading(reading)) {
            block = 3;
        } else if (choice.order != NumberOrder::Mixed) {
            const Sex sex = sexOf(cellAt(choice.sexes, row));
            const Sex first = choice.order == NumberOrder::BoysFirst ? Sex::Boy : Sex::Girl;
            block = sex == Sex::Unknown ? 2 : sex == first ? 0 : 1;
        }
        byClass[classNumber].push_back({row, block, readingKey(reading)});
    }
    for (auto& [classNumber, entries] : byClass) {
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.block != b.block)
                return a.block < b.block;
            if (const int c = compareReadingKeys(a.key, b.key))
                return c < 0;
            if (const int c = compareIdentifiers(students[a.row].id, students[b.row].id))
                return c < 0;
            return a.row < b.row;
        });
        int number = 0;
        for (const Entry& entry : entries) {
            result.numbers[size_t(entry.row)] = ++number;
            const QString reading = cellAt(choice.readings, entry.row);
            if (entry.block == 3)
                result.blankReadings.push_back(entry.row);
            else if (!isKanaReading(reading))
                result.notKana.push_back(entry.row);
            if (entry.block == 2)
                result.unknownSex.push_back(entry.row);
        }
    }
    return result;
}

std::vector<int> rowsByNumber(const std::vector<int16_t>& classes, const AttendanceNumbers& numbers, int classNumber)
{
    std::vector<int> rows;
    for (size_t row = 1; row < numbers.numbers.size(); ++row)
        if (classAt(classes, int(row)) == classNumber && numbers.numbers[row] > 0)
            rows.push_back(int(row));
    std::sort(rows.begin(), rows.end(),
              [&](int a, int b) { return numbers.numbers[size_t(a)] < numbers.numbers[size_t(b)]; });
    return rows;
}

std::optional<Message> numberingNotice(const Students& students, const std::vector<int16_t>& classes,
                                       const NumberingChoice& choice, const AttendanceNumbers& numbers)
{
    const auto listed = [&](const std::vector<int>& rows) {
        std::vector<std::pair<int, QString>> lines;
        for (const int row : rows)
            lines.emplace_back(row, QStringLiteral("%1 %2番").arg(classLabel(classAt(classes, row))).arg(
                                        numbers.numbers[size_t(row)]));
        return studentLines(students, lines);
    };
    QStringList parts;
    if (!numbers.blankReadings.empty())
        parts << QStringLiteral("「%1」が空欄の生徒は、読みが分からないのでクラスの最後の番号にしました。"
                                "読みを入れてから、もう一度作ってください。")
                         .arg(choice.readingName) +
                     listed(numbers.blankReadings);
    if (!numbers.unknownSex.empty())
        parts << QStringLiteral("性別の列が男・女のどちらでもない生徒は、男子と女子のあとの番号にしました。") +
                     listed(numbers.unknownSex);
    if (!numbers.notKana.empty())
        parts << QStringLiteral("「%1」にかな以外の文字（漢字など）がある生徒は、その文字の順になり、"
                                "五十音順になっていません。")
                         .arg(choice.readingName) +
                     listed(numbers.notKana);
    if (parts.isEmpty())
        return std::nullopt;
    return Message{parts.join(QStringLiteral("\n\n")), QString()};
}

} // namespace classdiv
