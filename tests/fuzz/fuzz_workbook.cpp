// Arbitrary bytes through the workbook reader. The first byte chooses where
// they go: straight in as the file (the ZIP and OLE checks), or as one part
// of an otherwise sound .xlsx or .ods (its XML), since a mutated part inside
// a ZIP would rarely get past the checksum.

#include "import/Workbook.h"
#include "support/ZipBuilder.h"

using namespace classdiv;
using classdiv::testing::ZipPart;

namespace {

QByteArray wrapped(char mode, const QByteArray& part)
{
    const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    const QByteArray rows = testing::sheetXml(QStringLiteral("<row><c t=\"s\"><v>0</v></c><c s=\"1\"><v>45383</v></c></row>")).toUtf8();
    const QByteArray strings = "<sst><si><t>a</t><rPh><t>b</t></rPh></si></sst>";
    const QByteArray styles = "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
    const auto xlsx = [&](const QByteArray& s, const QByteArray& st, const QByteArray& sty) {
        return testing::makeXlsx({{QStringLiteral("名簿"), QStringLiteral("worksheets/sheet1.xml")}},
                                 {{sheet, s, false}, {QStringLiteral("xl/sharedStrings.xml"), st, false},
                                  {QStringLiteral("xl/styles.xml"), sty, false}});
    };
    switch (mode) {
    case 'W':
        return xlsx(part, strings, styles);
    case 'S':
        return xlsx(rows, part, styles);
    case 'T':
        return xlsx(rows, strings, part);
    case 'O':
        return testing::makeZip({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", false},
                                 {QStringLiteral("content.xml"), part, false}});
    default:
        return part;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray bytes = wrapped(char(data[0]), rest);
    for (const QString& wanted : {QString(), QStringLiteral("名簿")}) {
        const WorkbookSheet sheet = readWorkbook(bytes, wanted, WorkbookLimits{501, 32767});
        if (sheet.status != WorkbookStatus::Ok) {
            if (!sheet.rows.empty())
                __builtin_trap(); // a refused sheet brings no rows
            continue;
        }
        if (sheet.rows.size() > 501)
            __builtin_trap();
        for (const QStringList& row : sheet.rows)
            if (row.size() != sheet.rows.front().size() || row.isEmpty())
                __builtin_trap(); // every row as wide as the widest
    }
    return 0;
}
