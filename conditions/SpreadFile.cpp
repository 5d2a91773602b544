#include "conditions/SpreadFile.h"

#include "common/Numbers.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace classdiv {

namespace {

const QByteArray kLineEnd("\r\n");

// One line of the file: empty, or a column number without sign or leading zero.
std::optional<int16_t> parseColumnLine(QByteArrayView line)
{
    if (line.isEmpty())
        return int16_t(0);
    if (line.size() > 5 || line.front() == '0')
        return std::nullopt;
    int value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 32767)
        return std::nullopt;
    return int16_t(value);
}

// The box whose columns a line of the file (from 1) keeps; every box has a line of its own.
RuleBox boxOfLine(int line)
{
    for (const RuleKindRow& row : ruleKinds())
        if (row.box && row.fileLine == line)
            return *row.box;
    return RuleBox::Marks;
}

// How many lines a file whose last set line is `lastSet` has: files of
// earlier versions ended after the second line or after the fifth, and every
// line after those came alone.
int linesToWrite(int lastSet)
{
    return lastSet <= 2 ? 2 : lastSet <= 5 ? 5 : lastSet;
}

} // namespace

QString columnText(int16_t column) { return column > 0 ? plainInteger(column) : QString(); }

QString columnsText(const std::vector<int16_t>& columns)
{
    QStringList texts;
    for (int16_t column : columns)
        texts << columnText(column);
    return texts.join(u',');
}

QByteArray formatSpreadFile(const SpreadChoice& choice)
{
    int lastSet = 0;
    for (const RuleBox box : allRuleBoxes())
        if (!choice[box].empty())
            lastSet = std::max(lastSet, ruleKindOf(box).fileLine);
    QByteArray bytes;
    for (int line = 1; line <= linesToWrite(lastSet); ++line)
        bytes += columnsText(choice[boxOfLine(line)]).toLatin1() + kLineEnd;
    return bytes;
}

std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    // Each line ended by CR LF leaves one piece more, the last empty.
    const int count = static_cast<int>(lines.size()) - 1;
    if (count > kRuleBoxCount || linesToWrite(count) != count || !lines.last().isEmpty())
        return std::nullopt;
    SpreadChoice choice;
    for (int i = 0; i < count; ++i) {
        if (!lines[i].endsWith('\r'))
            return std::nullopt;
        const QByteArray line = lines[i].chopped(1);
        const RuleBox box = boxOfLine(i + 1);
        const BoxShape& shape = ruleKindOf(box).shape;
        const QList<QByteArray> items = shape.most > 1 ? line.split(',') : QList<QByteArray>{line};
        if (items.size() > shape.most)
            return std::nullopt;
        for (const QByteArray& item : items) {
            const std::optional<int16_t> column = parseColumnLine(item);
            if (!column || (items.size() > 1 && *column == 0))
                return std::nullopt;
            if (*column > 0)
                choice[box].push_back(*column);
        }
    }
    return choice;
}

} // namespace classdiv
