#include "export/ResultWorkbook.h"

#include "common/FileKinds.h"
#include "common/Numbers.h"
#include "common/TextFile.h"
#include "export/ResultFile.h"
#include "import/Workbook.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cctype>


namespace classdiv {

namespace {

constexpr uint8_t kPaperA4 = 9;
constexpr qsizetype kMaxCellCharacters = 32767;

// The result file writes these as the value of their text (singleNumber):
// seven significant digits of the float.
double fileAverage(float value)
{
    return fileNumber(static_cast<double>(value), 7).toDouble();
}

SheetRow headingRow(const QString& first, const StudentRecord& itemNames)
{
    return {SheetCell::of(first, true), SheetCell::of(itemNames.studentId, true), SheetCell::of(itemNames.name, true),
            SheetCell::of(itemNames.group, true), SheetCell::of(itemNames.score, true)};
}

SheetRow studentRow(SheetCell first, const Student& student)
{
    return {std::move(first), numberOrText(student.id), SheetCell::of(student.name), SheetCell::of(student.group),
            SheetCell::of(student.score)};
}

ResultSheet everyoneSheet(const Students& students, const std::vector<int16_t>& classes)
{
    ResultSheet sheet{QStringLiteral("全員"), {}, {6, 12, 20, 12, 8}, 0, QStringLiteral("全員")};
    sheet.rows.push_back(headingRow(QStringLiteral("新組"), students.itemNames));
    for (int row = 1; row <= students.count(); ++row)
        sheet.rows.push_back(studentRow(SheetCell::of(double(classAt(classes, row))), students[row]));
    return sheet;
}

ResultSheet classSheet(const Students& students, const std::vector<int16_t>& classes,
                       const DistributionTable& distribution, RosterOrder order, int classNumber)
{
    const QString name = QString::number(classNumber) + QStringLiteral("組");
    const ClassFigures figures = classFigures(students, classes, distribution, classNumber);
    ResultSheet sheet{name, {}, {5, 12, 20, 12, 8}, 3, name};
    sheet.rows.push_back({SheetCell::of(name, true)});
    sheet.rows.push_back({SheetCell::of(QStringLiteral("人数")), SheetCell::of(double(figures.headCount)),
                          SheetCell::of(QStringLiteral("平均点")), SheetCell::average(fileAverage(figures.average)),
                          SheetCell::of(QStringLiteral("平均差")),
                          SheetCell::average(fileAverage(figures.difference))});
    sheet.rows.push_back({});
    sheet.rows.push_back(headingRow(QStringLiteral("No."), students.itemNames));
    int number = 0;
    for (const int row : rosterRows(students, classes, classNumber, order))
        sheet.rows.push_back(studentRow(SheetCell::of(double(++number)), students[row]));
    return sheet;
}

// Characters XML cannot hold (C0 controls other than tab and line ends) are
// left out rather than making the whole file unreadable.
QByteArray xmlText(const QString& text)
{
    QString clean = text;
    clean.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r'; });
    return clean.toUtf8();
}

// A cell's text with Excel's own escapes: a control character XML cannot
// hold (and a carriage return, which XML would turn into a line feed) is
// written _xHHHH_, which Excel, LibreOffice and the program's reader show
// as the character again; an underscore that would read as such an escape
// is itself escaped (_x005F_). So every text reads back as it was held.
QString escapedCellText(const QString& text)
{
    const auto escapeLike = [&text](qsizetype at) {
        if (at + 6 >= text.size() || text[at + 1] != u'x' || text[at + 6] != u'_')
            return false;
        for (qsizetype k = at + 2; k < at + 6; ++k)
            if (!isxdigit(text[k].unicode() < 128 ? text[k].toLatin1() : 'g'))
                return false;
        return true;
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            out += QStringLiteral("_x%1_").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
        else if (c == u'_' && escapeLike(i))
            out += QStringLiteral("_x005F_");
        else
            out += c;
    }
    return out;
}

// Whether a text fits a cell of Excel's (32,767 characters), as written.
bool fitsCell(const QString& text)
{
    return text.size() <= kMaxCellCharacters && escapedCellText(text).toUcs4().size() <= kMaxCellCharacters;
}

bool writeSheets(const std::vector<ResultSheet>& sheets, const QString& file, const QString& tempFolder)
{
    const QByteArray fileName = QFile::encodeName(file);
    QByteArray tmpdir = QFile::encodeName(tempFolder);
    lxw_workbook_options options{};
    // libxlsxwriter's own temporary files go to the same private folder
    // (its default on Windows is the root of C:, where a teacher cannot write).
    options.tmpdir = tmpdir.data();
    lxw_workbook* workbook = workbook_new_opt(fileName.constData(), &options);
    if (!workbook)
        return false;
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* oneDecimal = workbook_add_format(workbook);
    format_set_num_format(oneDecimal, "0.0");
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format_index(text, 49); // "@": a typed-over identifier stays text

    bool ok = true;
    for (const ResultSheet& sheet : sheets) {
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook, xmlText(sheet.name).constData());
        if (!worksheet) {
            ok = false;
            break;
        }
        worksheet_set_paper(worksheet, kPaperA4);
        worksheet_set_portrait(worksheet);
        worksheet_fit_to_pages(worksheet, 1, 0); // as wide as a page, as long as it takes
        if (!sheet.pageHeader.isEmpty())
            worksheet_set_header(worksheet, ("&C" + xmlText(sheet.pageHeader).replace("&", "&&")).constData());
        worksheet_set_footer(worksheet, "&C&P / &N");
        if (sheet.headingRow >= 0)
            ok &= worksheet_repeat_rows(worksheet, lxw_row_t(sheet.headingRow), lxw_row_t(sheet.headingRow)) ==
                  LXW_NO_ERROR;
        for (size_t c = 0; c < sheet.columnWidths.size(); ++c)
            worksheet_set_column(worksheet, lxw_col_t(c), lxw_col_t(c), sheet.columnWidths[c], nullptr);
        for (size_t r = 0; r < sheet.rows.size(); ++r) {
            for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
                const SheetCell& cell = sheet.rows[r][c];
                const auto row = lxw_row_t(r);
                const auto column = lxw_col_t(c);
                if (cell.kind == SheetCell::Kind::Number)
                    ok &= worksheet_write_number(worksheet, row, column, cell.number,
                                                 cell.oneDecimal ? oneDecimal : nullptr) == LXW_NO_ERROR;
                else if (cell.kind == SheetCell::Kind::Text && !cell.text.isEmpty())
                    ok &= worksheet_write_string(worksheet, row, column, escapedCellText(cell.text).toUtf8().constData(),
                                                 cell.bold ? bold : text) == LXW_NO_ERROR;
            }
        }
    }
    return workbook_close(workbook) == LXW_NO_ERROR && ok;
}

} // namespace

SheetCell numberOrText(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok && generalNumber(value) == text)
        return SheetCell::of(value);
    return SheetCell::of(text);
}

std::vector<SheetRow> distributionRows(const DistributionTable& distribution,
                                       const std::vector<ColumnAverages>& extraAverages)
{
    std::vector<SheetRow> rows;
    rows.push_back({SheetCell::of(QStringLiteral("分布表"), true)});
    // The empty cell stands over the sixth stratum, which has no lower boundary.
    SheetRow heading{SheetCell::of(QStringLiteral("境界点"), true)};
    for (int i = 1; i <= 5; ++i)
        heading.push_back(SheetCell::of(distribution.columnHeadings[i], true));
    heading.push_back({});
    heading.push_back(SheetCell::of(QStringLiteral("平均点"), true));
    heading.push_back(SheetCell::of(QStringLiteral("平均差"), true));
    // The evened score columns beside the main one: each class's average of
    // the students with a number in the column, to the right of the table.
    for (const ColumnAverages& column : extraAverages)
        heading.push_back(SheetCell::of(column.name + QStringLiteral("の平均"), true));
    rows.push_back(std::move(heading));
    for (int k = 1; k <= kTableClasses; ++k) {
        SheetRow row{SheetCell::of(distribution.classLabels[k])};
        for (int s = 1; s <= kBandCount; ++s)
            row.push_back(SheetCell::of(double(distribution.stratumCounts[k][s])));
        row.push_back(SheetCell::average(fileAverage(distribution.classAverage[k])));
        row.push_back(SheetCell::average(fileAverage(distribution.classAverageDifference[k])));
        for (const ColumnAverages& column : extraAverages) {
            const size_t c = static_cast<size_t>(k);
            if (c < column.classAverage.size() && column.classAverage[c])
                row.push_back(SheetCell::average(*column.classAverage[c]));
            else
                row.push_back({});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ResultSheet> resultSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, RosterOrder order,
                                      const std::vector<ColumnAverages>& extraAverages)
{
    std::vector<ResultSheet> sheets;
    sheets.push_back(everyoneSheet(students, classes));
    std::vector<double> widths{10, 12, 12, 12, 12, 12, 4, 8, 8};
    widths.insert(widths.end(), extraAverages.size(), 12);
    sheets.push_back(ResultSheet{QStringLiteral("分布表"), distributionRows(distribution, extraAverages), widths, 1,
                                 QStringLiteral("分布表")});
    for (const int classNumber : classesInUse(classes))
        sheets.push_back(classSheet(students, classes, distribution, order, classNumber));
    return sheets;
}

std::optional<Message> writeResultWorkbook(const std::vector<ResultSheet>& sheets, const QString& path)
{
    // libxlsxwriter writes only to a named file: it builds the workbook in a
    // private folder, whose bytes then replace the target in one step.
    QTemporaryDir folder;
    if (!folder.isValid())
        return writeFailedMessage(path);
    const QString built = folder.filePath(QStringLiteral("result.xlsx"));
    if (!writeSheets(sheets, built, folder.path()))
        return writeFailedMessage(path);
    QFile file(built);
    if (!file.open(QIODevice::ReadOnly))
        return writeFailedMessage(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || writeFileAtomically(path, bytes) != WriteStatus::Ok)
        return writeFailedMessage(path);
    return std::nullopt;
}

ResultTarget resultTarget(const QString& chosenName, ResultFormat chosenFilter)
{
    const FileKind kind = fileKindOf(chosenName);
    if (kind == FileKind::Xlsx)
        return {chosenName, ResultFormat::Workbook};
    if (kind == FileKind::Csv || chosenFilter == ResultFormat::Csv)
        return {chosenName, ResultFormat::Csv};
    return {chosenName + QStringLiteral(".xlsx"), ResultFormat::Workbook};
}

std::optional<Message> saveResultWorkbook(const Students& students, const std::vector<int16_t>& classes,
                                          const DistributionTable& distribution, RosterOrder order,
                                          const QString& path, const std::vector<ColumnAverages>& extraAverages)
{
    // A text no cell can hold is named before anything is written.
    for (int row = 0; row <= students.count(); ++row) {
        const StudentRecord& items = students.itemNames;
        const std::vector<std::pair<QString, QString>> texts =
            row == 0 ? std::vector<std::pair<QString, QString>>{{items.studentId, QStringLiteral("識別番号")},
                                                               {items.name, QStringLiteral("氏名")},
                                                               {items.group, QStringLiteral("グループ")},
                                                               {items.score, QStringLiteral("成績")}}
                     : std::vector<std::pair<QString, QString>>{{students[row].id, QStringLiteral("識別番号")},
                                                               {students[row].name, QStringLiteral("氏名")},
                                                               {students[row].group, QStringLiteral("グループ")}};
        for (const auto& [text, item] : texts) {
            if (fitsCell(text))
                continue;
            const QString who = row == 0 ? QStringLiteral("ＣＳＶファイルの１行目（項目名）")
                                         : QStringLiteral("%1人目の生徒（ＣＳＶファイルの%2行目）").arg(row).arg(row + 1);
            return Message{QStringLiteral("%1の%2が 32,767 文字を超えていて、Excel のブックのセルに入りません。\n"
                                          "ＣＳＶファイルで保存するか、ＣＳＶファイルのその欄を直してから読み込み直して下さい。"
                                          "結果のファイルは保存していません。")
                               .arg(who, item),
                           titles::error};
        }
    }
    return writeResultWorkbook(resultSheets(students, classes, distribution, order, extraAverages), path);
}

} // namespace classdiv
