#pragma once
// Reads a decoded text as one stream of comma-separated fields in which a
// line end separates fields exactly as a comma does.
//
// The rules:
//  1. Blanks (half-width spaces and tabs) before a field are skipped.
//  2. A field that begins with a double quote runs to the next double quote;
//     it may hold commas and line ends; the quotes are not part of the value.
//     What follows the closing quote up to the next comma or line end is
//     dropped. A doubled quote is not an escape: "a""b" gives a. A quote that
//     is never closed runs to the end of the text.
//  3. Any other field runs up to the next comma or line end. Blanks at its end
//     are dropped (so "音男 " and "音男" are one group); a double quote inside
//     it is an ordinary character. Full-width spaces are always kept.
//  4. The comma or line end that ends a field is consumed with it. CR LF, a
//     lone CR and a lone LF each are one line end (LF CR is two). An empty
//     place between two separators, and an empty line, each give one empty
//     field.
//  5. atEnd() is true when no character is left; reading then is the
//     end-of-file failure. A text that ends with a separator has no empty
//     field after it; trailing blanks with nothing after them give one empty
//     field.

#include <QString>
#include <QStringList>

#include <optional>

namespace classdiv {

// How a quote inside a quoted field reads: Plain is the roster's rule above
// (the field ends at the next quote); Doubled is the spreadsheets' own, for
// the program's result files read back: "a""b" gives a"b.
enum class QuoteRule { Plain, Doubled };

class CsvFieldReader {
public:
    explicit CsvFieldReader(QString text, QuoteRule quotes = QuoteRule::Plain);

    // True when no character is left.
    bool atEnd() const;
    // The next field; nullopt is the end-of-file failure (no character left).
    std::optional<QString> readField();
    // Whether the last field read was ended by a line end: a line end inside
    // a quoted field belongs to the field and ends no row.
    bool endedRow() const { return m_endedRow; }

private:
    // Consumes the comma or line end at m_pos, if any.
    void skipSeparator();

    QString m_text;
    QuoteRule m_quotes = QuoteRule::Plain;
    qsizetype m_pos = 0;
    bool m_endedRow = false;
};

// A CSV as the field reader sees it: all its fields, and its rows as a
// spreadsheet has them. A row ends at a line end outside a quoted field (so a
// cell holding a line break does not start a row) and a last row without a
// line end still counts; a file without quoted line breaks has as many rows
// as lines.
struct CsvShape {
    qsizetype fields = 0;
    qsizetype rows = 0;
};
CsvShape measureCsv(const QString& text);

// Splits a text into lines the way the preview counts them: CR LF, a lone CR
// or a lone LF ends a line; a last line without a line end still counts.
QStringList splitLines(const QString& text);

} // namespace classdiv
