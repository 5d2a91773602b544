#include "import/CsvFieldReader.h"

namespace classdiv {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
bool isSeparator(QChar c) { return c == u',' || isLineEnd(c); }

} // namespace

CsvFieldReader::CsvFieldReader(QString text, QuoteRule quotes) : m_text(std::move(text)), m_quotes(quotes) {}

bool CsvFieldReader::atEnd() const { return m_pos >= m_text.size(); }

void CsvFieldReader::skipSeparator()
{
    m_endedRow = false;
    if (atEnd())
        return;
    const QChar c = m_text.at(m_pos++);
    m_endedRow = isLineEnd(c);
    if (c == u'\r' && !atEnd() && m_text.at(m_pos) == u'\n')
        ++m_pos;
}

std::optional<QString> CsvFieldReader::readField()
{
    if (atEnd())
        return std::nullopt;

    const qsizetype size = m_text.size();
    while (m_pos < size && isBlank(m_text.at(m_pos)))
        ++m_pos;

    if (m_pos < size && m_text.at(m_pos) == u'"') {
        qsizetype start = m_pos + 1;
        qsizetype close = m_text.indexOf(u'"', start);
        QString value;
        while (m_quotes == QuoteRule::Doubled && close >= 0 && close + 1 < size && m_text.at(close + 1) == u'"') {
            value += QStringView(m_text).mid(start, close + 1 - start);
            start = close + 2;
            close = m_text.indexOf(u'"', start);
        }
        if (close < 0)
            close = size;
        value += QStringView(m_text).mid(start, close - start);
        m_pos = close < size ? close + 1 : size;
        while (m_pos < size && !isSeparator(m_text.at(m_pos)))
            ++m_pos;
        skipSeparator();
        return value;
    }

    const qsizetype start = m_pos;
    while (m_pos < size && !isSeparator(m_text.at(m_pos)))
        ++m_pos;
    qsizetype end = m_pos;
    while (end > start && isBlank(m_text.at(end - 1)))
        --end;
    QString value = m_text.mid(start, end - start);
    skipSeparator();
    return value;
}

CsvShape measureCsv(const QString& text)
{
    CsvShape shape;
    CsvFieldReader reader(text);
    while (reader.readField()) {
        ++shape.fields;
        if (reader.endedRow())
            ++shape.rows;
    }
    if (shape.fields > 0 && !reader.endedRow())
        ++shape.rows;
    return shape;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (!isLineEnd(c)) {
            ++i;
            continue;
        }
        lines.append(text.mid(start, i - start));
        ++i;
        if (c == u'\r' && i < size && text.at(i) == u'\n')
            ++i;
        start = i;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

} // namespace classdiv
