#include "import/Workbook.h"

#include "common/Numbers.h"
#include "import/WorkbookParts.h"
#include "import/ZipArchive.h"

#include <QDate>
#include <QFile>

#include <cmath>

namespace classdiv {

namespace workbook {

PartOutcome readPart(ZipArchive& zip, const QString& name)
{
    ZipArchive::Part part = zip.read(name);
    switch (part.status) {
    case ZipStatus::Ok:
        return {WorkbookStatus::Ok, std::move(part.bytes)};
    case ZipStatus::TooLarge:
        return {WorkbookStatus::ZipBomb, {}};
    case ZipStatus::Encrypted:
        return {WorkbookStatus::Encrypted, {}};
    case ZipStatus::NoSuchPart:
        return {WorkbookStatus::NoSheet, {}};
    case ZipStatus::NotZip:
    case ZipStatus::Malformed:
        break;
    }
    return {WorkbookStatus::Malformed, {}};
}

WorkbookSheet failed(WorkbookStatus status, const QString& part, QStringList names)
{
    WorkbookSheet sheet;
    sheet.status = status;
    sheet.part = part;
    sheet.sheetNames = std::move(names);
    return sheet;
}

QString cellReference(qint64 row, qint64 column)
{
    QString letters;
    for (qint64 c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + int((c - 1) % 26)));
    return letters + QString::number(row + 1);
}

WorkbookSheet refusedForFormulas(const QString& sheet, const QStringList& names, const FormulaCells& formulas)
{
    WorkbookSheet refused = failed(WorkbookStatus::Formulas, sheet, names);
    refused.cells = formulas.named;
    if (formulas.count > FormulaCells::kNamed)
        refused.cells.append(QStringLiteral("ほか%1個").arg(formulas.count - FormulaCells::kNamed));
    return refused;
}

WorkbookSheet laidOut(const Grid& grid, const QStringList& names, qsizetype index)
{
    WorkbookSheet sheet;
    sheet.sheetNames = names;
    sheet.sheetName = names[index];
    sheet.status = grid.layOut(sheet.rows);
    return sheet;
}

QString isoDate(const QString& text)
{
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    return date.isValid() ? QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day()) : text;
}

} // namespace workbook

namespace {

constexpr qint64 kMaxWorkbookFileBytes = 64 * 1024 * 1024;
const QByteArray kOleMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

} // namespace

using namespace workbook;

QString generalNumber(double value)
{
    return fileNumber(value, 15);
}

QString serialDate(double serial, bool from1904)
{
    // Excel's 1900 system counts 1900-02-29, a day that never was, as serial 60.
    if (!std::isfinite(serial) || serial < (from1904 ? 0 : 1) || serial >= 2958466)
        return {};
    const qint64 day = qint64(std::floor(serial));
    QDate date;
    if (from1904)
        date = QDate(1904, 1, 1).addDays(day);
    else if (day == 60)
        return QStringLiteral("1900/2/29");
    else
        date = QDate(1899, 12, day < 60 ? 31 : 30).addDays(day);
    return QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
}

WorkbookSheet readWorkbook(const QByteArray& bytes, const QString& sheetName, const WorkbookLimits& limits)
{
    if (bytes.startsWith(kOleMagic)) {
        // Excel keeps a password-protected workbook as an OLE container
        // whose stream "EncryptedPackage" is the encrypted ZIP; an OLE
        // container without one is an Excel 97-2003 workbook.
        const QByteArray encryptedName = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
        return failed(bytes.contains(encryptedName) ? WorkbookStatus::Encrypted : WorkbookStatus::OldExcel);
    }
    ZipArchive zip(bytes);
    if (zip.status() == ZipStatus::NotZip)
        return failed(WorkbookStatus::NotZip);
    if (zip.status() == ZipStatus::TooLarge)
        return failed(WorkbookStatus::ZipBomb);
    if (zip.status() != ZipStatus::Ok)
        return failed(WorkbookStatus::Malformed, QStringLiteral("ZIP"));
    if (zip.contains(QStringLiteral("_rels/.rels")) || zip.contains(QStringLiteral("xl/workbook.xml")))
        return readXlsx(zip, sheetName, limits);
    if (zip.contains(QStringLiteral("mimetype"))) {
        const PartOutcome mimetype = readPart(zip, QStringLiteral("mimetype"));
        if (mimetype.status != WorkbookStatus::Ok)
            return failed(mimetype.status, QStringLiteral("mimetype"));
        if (!mimetype.bytes.trimmed().startsWith("application/vnd.oasis.opendocument.spreadsheet"))
            return failed(WorkbookStatus::NotWorkbook);
    }
    return readOds(zip, sheetName, limits);
}

WorkbookSheet readWorkbookFile(const QString& path, const QString& sheetName, const WorkbookLimits& limits)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(WorkbookStatus::Unreadable);
    if (file.size() > kMaxWorkbookFileBytes)
        return failed(WorkbookStatus::FileTooLarge);
    const QByteArray bytes = file.read(kMaxWorkbookFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(WorkbookStatus::Unreadable);
    if (bytes.size() > kMaxWorkbookFileBytes)
        return failed(WorkbookStatus::FileTooLarge);
    return readWorkbook(bytes, sheetName, limits);
}

} // namespace classdiv
