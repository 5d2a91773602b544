#include "import/WorkbookReadings.h"

namespace classdiv::workbook {

QString phoneticReading(const QString& text, const std::vector<PhoneticRun>& runs)
{
    if (runs.empty())
        return {};
    QString reading;
    qsizetype at = 0;
    for (const PhoneticRun& run : runs) {
        if (run.from < at || run.to < run.from || run.to > text.size())
            continue; // a run out of place: its base characters stay
        reading += text.mid(at, run.from - at) + run.text;
        at = run.to;
    }
    return reading + text.mid(at);
}

void layOutReadings(const Grid& readings, WorkbookSheet& sheet)
{
    if (sheet.status != WorkbookStatus::Ok || readings.layOut(sheet.phonetics) != WorkbookStatus::Ok ||
        sheet.phonetics.empty()) {
        sheet.phonetics.clear();
        return;
    }
    sheet.phonetics.resize(sheet.rows.size());
    const qsizetype width = sheet.rows.empty() ? 0 : sheet.rows.front().size();
    for (QStringList& row : sheet.phonetics)
        while (row.size() < width)
            row.append(QString());
}

} // namespace classdiv::workbook
