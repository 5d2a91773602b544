#include "conditions/SpreadFile.h"

#include "common/Numbers.h"

#include <QList>
#include <QStringList>

#include <array>

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
    QByteArray bytes = columnText(choice.marksColumn).toLatin1() + kLineEnd + columnText(choice.mixColumn).toLatin1() + kLineEnd;
    // Only the two lines of earlier versions while the later rules are not used.
    const bool scores = !choice.scoreColumns.empty();
    if (choice.togetherColumn > 0 || choice.fixedColumn > 0 || !choice.flagColumns.empty() || scores)
        bytes += columnText(choice.togetherColumn).toLatin1() + kLineEnd + columnText(choice.fixedColumn).toLatin1() +
                 kLineEnd + columnsText(choice.flagColumns).toLatin1() + kLineEnd;
    if (scores)
        bytes += columnsText(choice.scoreColumns).toLatin1() + kLineEnd;
    return bytes;
}

std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    // Two, five or six lines each ended by CR LF leave three, six or seven pieces, the last empty.
    if ((lines.size() != 3 && lines.size() != 6 && lines.size() != 7) || !lines.last().isEmpty())
        return std::nullopt;
    std::array<std::vector<int16_t>, 6> columns;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].endsWith('\r'))
            return std::nullopt;
        const QByteArrayView line = QByteArrayView(lines[i]).chopped(1);
        const bool list = i >= 4;
        const QList<QByteArray> items = list ? line.toByteArray().split(',') : QList<QByteArray>{line.toByteArray()};
        if (items.size() > (i == 5 ? kMaxScoreColumns : kMaxFlagColumns))
            return std::nullopt;
        for (const QByteArray& item : items) {
            const std::optional<int16_t> column = parseColumnLine(item);
            if (!column || (list && items.size() > 1 && *column == 0))
                return std::nullopt;
            if (*column > 0 || !list)
                columns[size_t(i)].push_back(*column);
        }
    }
    SpreadChoice choice{columns[0][0], columns[1][0]};
    if (lines.size() >= 6) {
        choice.togetherColumn = columns[2][0];
        choice.fixedColumn = columns[3][0];
        choice.flagColumns = columns[4];
        choice.scoreColumns = columns[5];
    }
    return choice;
}

} // namespace classdiv
