#include "export/PostedLists.h"

#include "common/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace classdiv {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kNumberHeading = QStringLiteral("出席番号");
const QString kNewClassHeading = QStringLiteral("新組");
constexpr int kOneColumnAtMost = 25; // more students take two columns of larger type

QString quoted(const QString& text) { return u'"' + text + u'"'; }

QString shownName(const Student& student) { return student.name.isEmpty() ? student.id : student.name; }

// The column of the sheet whose rows hold the students' names: the one the import read them from.
int nameColumn(const CurrentCsv& csv, const Students& students)
{
    for (int c = 0; c < csv.columnCount; ++c) {
        bool same = !csv.rows.empty() && csv.rows[0][c] == students.itemNames.name;
        for (int r = 1; same && r <= students.count() && size_t(r) < csv.rows.size(); ++r)
            same = csv.rows[size_t(r)][c] == students[r].name;
        if (same)
            return c;
    }
    return -1;
}

bool namesAReading(const QString& heading)
{
    static const QRegularExpression reading(QStringLiteral("ふりがな|フリガナ|ﾌﾘｶﾞﾅ|よみ|ヨミ|読み|かな|カナ"));
    return reading.match(heading).hasMatch();
}

bool namesSex(const QString& heading)
{
    const QString text = heading.trimmed();
    return text == u"性別" || text == u"男女" || text == u"性";
}

} // namespace

std::vector<PostedPage> postedPages(const Students& students, const std::vector<int16_t>& classes,
                                    const AttendanceNumbers& numbers)
{
    std::vector<PostedPage> pages;
    const int perPage = 2 * PostedGeometry::rowsPerColumn;
    for (const int classNumber : classesInUse(classes)) {
        if (classNumber == 0)
            continue;
        const std::vector<int> rows = rowsByNumber(classes, numbers, classNumber);
        const int parts = std::max(1, int((rows.size() + perPage - 1) / perPage));
        for (int part = 0; part < parts; ++part) {
            PostedPage page;
            page.title = classLabel(classNumber);
            if (parts > 1)
                page.title += QStringLiteral("（%1/%2）").arg(part + 1).arg(parts);
            const size_t first = size_t(part) * perPage;
            const size_t last = std::min(rows.size(), first + perPage);
            const int count = int(last - first);
            const int columns = count > kOneColumnAtMost ? 2 : 1;
            const int perColumn = std::max(1, (count + columns - 1) / columns);
            page.columns.resize(size_t(columns));
            for (size_t i = first; i < last; ++i) {
                const int row = rows[i];
                page.columns[(i - first) / size_t(perColumn)].push_back(
                    {numbers.numbers[size_t(row)], shownName(students[row])});
            }
            page.rowHeight = std::min(PostedGeometry::largestRow, PostedGeometry::rowArea / perColumn);
            pages.push_back(std::move(page));
        }
    }
    return pages;
}

PostedListsView postedListsView(const Students& students, const CurrentCsv& csv)
{
    PostedListsView view;
    view.message = csv.message;
    const QString nameHeading = students.itemNames.name.isEmpty() ? QStringLiteral("氏名") : students.itemNames.name;
    ReadingSource names{QStringLiteral("（氏名のまま）%1").arg(nameHeading), nameHeading, {QString()}};
    for (int r = 1; r <= students.count(); ++r)
        names.values.push_back(students[r].name);
    view.sources.push_back(std::move(names));
    if (csv.message)
        return view;
    for (int c = 0; c < csv.columnCount; ++c) {
        const QString heading = csv.rows.empty() ? QString() : csv.rows[0][c];
        ReadingSource source{QStringLiteral("%1列目　%2").arg(c + 1).arg(heading), heading, {QString()}};
        for (size_t r = 1; r < csv.rows.size(); ++r)
            source.values.push_back(csv.rows[r][c]);
        if (view.reading == 0 && namesAReading(heading))
            view.reading = int(view.sources.size());
        if (view.sexColumn < 0 && namesSex(heading))
            view.sexColumn = int(view.sources.size());
        view.sources.push_back(std::move(source));
    }
    // Excel's furigana of the names, when the workbook keeps any.
    const int column = csv.phonetics.empty() ? -1 : nameColumn(csv, students);
    if (column >= 0) {
        ReadingSource furigana{kWorkbookFurigana, kWorkbookFurigana, {QString()}};
        bool any = false;
        for (size_t r = 1; r < csv.phonetics.size(); ++r) {
            furigana.values.push_back(column < csv.phonetics[r].size() ? csv.phonetics[r][column] : QString());
            any = any || !furigana.values.back().isEmpty();
        }
        if (any) {
            view.reading = int(view.sources.size());
            view.sources.push_back(std::move(furigana));
        }
    }
    return view;
}

QString numbersFilePath(const QString& chosenPdf)
{
    const QFileInfo info(chosenPdf);
    const QString base = info.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0 ? info.completeBaseName()
                                                                                                : info.fileName();
    return info.dir().filePath(base + QStringLiteral("_出席番号.csv"));
}

NumbersFileContent formatNumbersFile(const Students& students, const std::vector<int16_t>& classes,
                                     const AttendanceNumbers& numbers)
{
    QByteArray bytes = byteOrderMark(students.encoding);
    for (int row = 0; row <= students.count(); ++row) {
        QStringList fields;
        if (row == 0) {
            fields << quoted(students.itemNames.studentId) << quoted(students.itemNames.name)
                   << quoted(kNewClassHeading) << quoted(kNumberHeading);
        } else {
            const int number = numbers.numbers.size() > size_t(row) ? numbers.numbers[size_t(row)] : 0;
            fields << quoted(students[row].id) << quoted(students[row].name)
                   << QString::number(classAt(classes, row)) << (number > 0 ? QString::number(number) : QString());
        }
        const auto line = encodeFragment(fields.join(u',') + kLineEnd, students.encoding);
        if (!line)
            return {std::nullopt, row};
        bytes += *line;
    }
    return {std::move(bytes), -1};
}

void addAttendanceNumbers(std::vector<ResultSheet>& sheets, const Students& students,
                          const std::vector<int16_t>& classes, RosterOrder order, const AttendanceNumbers& numbers)
{
    const auto numberCell = [&](int row) {
        const int number = numbers.numbers.size() > size_t(row) ? numbers.numbers[size_t(row)] : 0;
        return number > 0 ? SheetCell::of(double(number)) : SheetCell{};
    };
    // The class sheets: the heading row, then the students in the lists' order.
    for (const int classNumber : classesInUse(classes)) {
        const QString name = QString::number(classNumber) + QStringLiteral("組");
        const auto sheet = std::find_if(sheets.begin(), sheets.end(), [&](const ResultSheet& s) { return s.name == name; });
        if (sheet == sheets.end() || sheet->headingRow < 0)
            continue;
        const size_t heading = size_t(sheet->headingRow);
        const size_t width = sheet->rows[heading].size();
        sheet->rows[heading].push_back(SheetCell::of(kNumberHeading, true));
        size_t r = heading + 1;
        for (const int row : rosterRows(students, classes, classNumber, order)) {
            if (r >= sheet->rows.size())
                break;
            sheet->rows[r].resize(width);
            sheet->rows[r++].push_back(numberCell(row));
        }
        sheet->columnWidths.resize(width, 8);
        sheet->columnWidths.push_back(9);
    }
    ResultSheet list{kNumberHeading, {}, {12, 20, 6, 9}, 0, kNumberHeading};
    list.rows.push_back({SheetCell::of(students.itemNames.studentId, true), SheetCell::of(students.itemNames.name, true),
                         SheetCell::of(kNewClassHeading, true), SheetCell::of(kNumberHeading, true)});
    for (int row = 1; row <= students.count(); ++row)
        list.rows.push_back({numberOrText(students[row].id), SheetCell::of(students[row].name),
                             SheetCell::of(double(classAt(classes, row))), numberCell(row)});
    sheets.push_back(std::move(list));
}

} // namespace classdiv
