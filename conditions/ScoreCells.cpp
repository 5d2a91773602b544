#include "conditions/ScoreCells.h"

#include "common/Numbers.h"

namespace classdiv {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Whether the text, its blanks dropped, begins as textValue() reads a number.
bool startsWithNumber(const QString& text)
{
    QString s;
    for (QChar c : text)
        if (!isBlank(c))
            s.append(c);
    if (s.size() >= 3 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        const QChar d = s.at(2).toUpper();
        if (kind == u'H')
            return isDigit(d) || (d >= u'A' && d <= u'F');
        return kind == u'O' && d >= u'0' && d <= u'7';
    }
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    if (i < s.size() && s.at(i) == u'.')
        ++i;
    return i < s.size() && isDigit(s.at(i));
}

} // namespace

std::optional<double> scoreCellValue(const QString& text)
{
    if (!startsWithNumber(text))
        return std::nullopt;
    return textValue(text);
}

ScoreColumn scoreColumnFrom(const std::vector<QString>& cells)
{
    ScoreColumn column;
    column.name = cells.empty() ? QString() : cells[0];
    column.values.resize(cells.size());
    for (size_t r = 1; r < cells.size(); ++r)
        column.values[r] = scoreCellValue(cells[r]);
    return column;
}

int studentsWithNumber(const ScoreColumn& column)
{
    int count = 0;
    for (size_t r = 1; r < column.values.size(); ++r)
        count += column.values[r].has_value();
    return count;
}

} // namespace classdiv
