// A conditions file of arbitrary bytes read into a year of three groups; what
// is read is written back and must read again the same, and the press of the
// distribution button on it either refuses or gives every class its head count.

#include "FuzzFile.h"

#include "conditions/ConditionsFile.h"
#include "division/draw/Division.h"
#include "support/Years.h"
#include "division/Year.h"
#include "files/YearFiles.h"

#include <map>

using namespace classdiv;

namespace {

Students year() // groups A, B, C of 7, 12 and 21 students
{
    std::vector<StudentRecord> students;
    for (int g = 0, sizes[] = {7, 12, 21}; g < 3; ++g)
        for (int w = 1; w <= sizes[g]; ++w)
            students.push_back(testing::inGroup(QString(QChar(u'A' + g)), QString::number(w * 7 % 100)));
    return testing::studentsOf(students);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Students students = year();
    static const ConditionsWorkspace loaded = loadGroups(students).workspace;
    static const QString csv = fuzz::scratchFolder() + QStringLiteral("/nen1.csv");
    const YearFiles files(csv);
    fuzz::writeInput(files.conditionsPath(), data, size);
    Year year(students, loaded);
    if (files.loadConditions(year).status != ReadConditionsOutcome::Status::Read)
        return 0;

    if (files.saveConditions(year).status != SaveOutcome::Status::Saved)
        __builtin_trap();
    Year again(students, loaded);
    if (files.loadConditions(again).status != ReadConditionsOutcome::Status::Read ||
        again.workspace().conditions != year.workspace().conditions)
        __builtin_trap();
    ConditionsWorkspace ws = year.workspace();

    DivisionState state;
    std::vector<int16_t> classes;
    testing::ScriptedRandom random = testing::plentyOfNumbers(1); // the same numbers, so that a crash replays
    if (drawClasses(ws, state, students, random, classes).message)
        return 0;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        std::map<int, int> sizes;
        for (int w = 1; w <= ws.groupSize[g]; ++w)
            ++sizes[classes[ws.groupStudents[g][w]]];
        const GroupCondition& c = ws.conditions[g];
        for (int k = 1; k <= c.classCount; ++k)
            if (sizes[c.rows[k].classNumber] != c.rows[k].headCount)
                __builtin_trap();
    }
    return 0;
}
