#pragma once
// Reads a decoded text as one stream of comma-separated fields in which a
// line end separates fields exactly as a comma does.

#include <QString>

#include <optional>

namespace classdiv {

class CsvFieldReader {
public:
    explicit CsvFieldReader(QString text);

    // True when no character is left.
    bool atEnd() const;
    // The next field; nullopt is the end-of-file failure (no character left).
    std::optional<QString> readField();

private:
    QString m_text;
    qsizetype m_pos = 0;
};

// Splits a text into lines the way the preview counts them: CR LF, a lone CR
// or a lone LF ends a line; a last line without a line end still counts.
QStringList splitLines(const QString& text);

} // namespace classdiv
