#include "export/ResultFile.h"

#include "common/Numbers.h"
#include "common/TextFile.h"

#include <QDir>
#include <QStringList>

#include <algorithm>

namespace classdiv {

namespace {

const QString kNewClassHeading = QStringLiteral("新組");
const QString kLineEnd = QStringLiteral("\r\n");

// Texts go between quotes, a quote inside doubled as spreadsheets write it:
// Excel, LibreOffice and the program's own read-back of a result take the
// text back whole. A text without a quote is written exactly as held.
QString quoted(const QString& text)
{
    if (!text.contains(u'"'))
        return u'"' + text + u'"';
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Identifier and score are written as the value of their text, so "00123"
// becomes 123 and a full-width "７８" becomes 0.
QString rowNumber(double value)
{
    return fileNumber(value, 15);
}

QString singleNumber(float value)
{
    return fileNumber(static_cast<double>(value), 7);
}

QString headerLine(const StudentRecord& itemNames)
{
    const QStringList fields{quoted(kNewClassHeading), quoted(itemNames.studentId), quoted(itemNames.name),
                             quoted(itemNames.group), quoted(itemNames.score)};
    return fields.join(u',') + kLineEnd;
}

QString studentLine(const Student& student, int newClass)
{
    const QStringList fields{rowNumber(newClass), rowNumber(textValue(student.id)), quoted(student.name),
                             quoted(student.group), rowNumber(student.score)};
    return fields.join(u',') + kLineEnd;
}

QString distributionLines(const DistributionTable& distribution)
{
    QString lines = quoted(QStringLiteral("分布表")) + kLineEnd;

    // The empty field stands over the sixth stratum, which has no lower boundary.
    QStringList heading{quoted(QStringLiteral("境界点"))};
    for (int i = 1; i <= 5; ++i)
        heading << quoted(distribution.columnHeadings[i]);
    heading << QString() << quoted(QStringLiteral("平均点")) << quoted(QStringLiteral("平均差"));
    lines += heading.join(u',') + kLineEnd;

    for (int k = 1; k <= kTableClasses; ++k) {
        QStringList fields{quoted(distribution.classLabels[k])};
        for (int s = 1; s <= kBandCount; ++s)
            fields << QString::number(distribution.stratumCounts[k][s]);
        fields << singleNumber(distribution.classAverage[k]) << singleNumber(distribution.classAverageDifference[k]);
        lines += fields.join(u',') + kLineEnd;
    }
    return lines;
}

// The first character of text that the encoding cannot write, or an empty text.
QString firstUnwritableCharacter(const QString& text, TextEncoding encoding)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!encodeFragment(character, encoding))
            return character;
        i += length;
    }
    return {};
}

} // namespace

Message unwritableTextMessage(const Students& students, int row)
{
    const QString advice = QStringLiteral("\nＣＳＶファイルのその文字を直してから、もう一度読み込んで下さい。"
                                          "結果のファイルは保存していません。");
    if (row < 0 || row > students.count()) {
        return Message{QStringLiteral("分布表に保存できない文字があります。結果のファイルは保存していません。"),
                       titles::error};
    }
    if (row == 0) {
        const StudentRecord& record = students.itemNames;
        QString character;
        for (const QString* item : {&record.studentId, &record.name, &record.group, &record.score}) {
            character = firstUnwritableCharacter(*item, students.encoding);
            if (!character.isEmpty())
                break;
        }
        return Message{QStringLiteral("ＣＳＶファイルの１行目（項目名）に、保存できない文字「%1」があります。")
                               .arg(character) +
                           advice,
                       titles::error};
    }

    const Student& student = students[row];
    QString item = QStringLiteral("氏名");
    QString character = firstUnwritableCharacter(student.name, students.encoding);
    if (character.isEmpty()) {
        item = QStringLiteral("グループ識別データ");
        character = firstUnwritableCharacter(student.group, students.encoding);
    }
    const QString idName =
        students.itemNames.studentId.isEmpty() ? QStringLiteral("識別番号") : students.itemNames.studentId;
    return Message{QStringLiteral("%1人目の生徒（ＣＳＶファイルの%2行目、%3「%4」）の%5に、"
                                  "保存できない文字「%6」があります。")
                           .arg(QString::number(row), QString::number(row + 1), idName, student.id, item,
                                character) +
                       advice,
                   titles::error};
}

ResultFileContent formatResultFile(const Students& students, const std::vector<int16_t>& classes,
                                   const DistributionTable& distribution)
{
    QByteArray bytes = byteOrderMark(students.encoding);
    // Line by line, so that a character the code page lacks names its row.
    for (int row = 0; row <= students.count(); ++row) {
        const QString text = row == 0 ? headerLine(students.itemNames) : studentLine(students[row], classAt(classes, row));
        const auto line = encodeFragment(text, students.encoding);
        if (!line)
            return ResultFileContent{std::nullopt, row};
        bytes += *line;
    }
    const auto tail = encodeFragment(distributionLines(distribution), students.encoding);
    if (!tail)
        return ResultFileContent{std::nullopt, -1};
    bytes += *tail;
    return ResultFileContent{std::move(bytes), -1};
}

std::optional<Message> saveResult(const Students& students, const std::vector<int16_t>& classes,
                                  const DistributionTable& distribution, const QString& path)
{
    const ResultFileContent content = formatResultFile(students, classes, distribution);
    // A wrong character in a saved name list is worse than no file: refuse before touching the disk.
    if (!content.bytes)
        return unwritableTextMessage(students, content.unencodableRow);
    if (writeFileAtomically(path, *content.bytes) != WriteStatus::Ok)
        return writeFailedMessage(path);
    return std::nullopt;
}

} // namespace classdiv
