// A drafts file of arbitrary bytes: whatever the reader takes from it must be
// whole (every draft a class for every roster row, swaps within the roster),
// the file written from it must read again the same, and a year of the
// roster's size opens every draft it read.

#include "division/drafts/Drafts.h"
#include "division/Year.h"
#include "support/Years.h"

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DraftsReadOutcome read = parseDraftsFile(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    const DraftsContent& content = read.content;
    const size_t rows = content.roster.empty() ? 1 : content.roster.size();
    std::vector<const Draft*> drafts;
    for (const Draft& d : content.drafts)
        drafts.push_back(&d);
    for (const Draft& w : content.working)
        drafts.push_back(&w);
    for (const Draft* d : drafts) {
        if (d->classes.size() != rows)
            __builtin_trap();
        for (const ClassSwaps::Pair& p : d->swaps)
            if (p.rowA < 1 || p.rowB < 1 || size_t(p.rowA) >= rows || size_t(p.rowB) >= rows)
                __builtin_trap();
    }
    if (read.status == DraftsReadOutcome::Status::Damaged && read.line < 1)
        __builtin_trap();

    const DraftsReadOutcome again = parseDraftsFile(formatDraftsFile(content));
    if (!content.roster.empty() && (again.status != DraftsReadOutcome::Status::Read || !(again.content == content)))
        __builtin_trap();

    // Every draft read opens on a year of that roster without touching outside it.
    if (!content.roster.empty() && !drafts.empty()) {
        std::vector<StudentRecord> records;
        for (size_t r = 1; r < rows; ++r)
            records.push_back({content.roster[r].id, content.roster[r].name, content.roster[r].group, "50"});
        const Students students = testing::studentsOf(records);
        Year year(students, loadGroups(students).workspace);
        for (const Draft* d : drafts) {
            year.restoreDraw(d->classes, d->swaps, d->drawNumber);
            while (year.undoSwap()) {
            }
            (void)draftFigures(year, *d);
        }
    }
    return 0;
}
