#include "RosterChangesShot.h"

#include "division/drafts/RosterChangesText.h"
#include "division/Year.h"
#include "import/Roster.h"
#include "ui/RosterChangesWindow.h"
#include "files/SharedDrafts.h"
#include "files/YearFiles.h"

#include <QTest>

namespace classdiv {

std::unique_ptr<QWidget> changedRosterWindow(const Year& year, QString& failure)
{
    // The drafts reach their file within a second of being kept.
    const QString path = YearFiles(year.students().csvPath).draftsPath();
    if (!QTest::qWaitFor([&] { return readDraftsFile(path).content.drafts.size() == 3; }, 5000)) {
        failure = QStringLiteral("the drafts were not written");
        return nullptr;
    }
    Students students = year.students();
    if (!students.roster) {
        failure = QStringLiteral("the year has no roster");
        return nullptr;
    }
    auto roster = std::make_shared<Roster>(*students.roster);
    const auto drop = [&](int row) {
        students.rows.erase(students.rows.begin() + row);
        roster->rows.erase(roster->rows.begin() + row);
    };
    drop(57);
    drop(12);
    const char* const newcomers[][2] = {{"20951", "青山　翔太"}, {"20952", "川口　美咲"}, {"20953", "森田　陽菜"}};
    for (int i = 0; i < 3; ++i) {
        Student s = students.rows[size_t(30 + 60 * i)];
        QStringList cells = roster->rows[size_t(30 + 60 * i)];
        s.id = cells[0] = QString::fromUtf8(newcomers[i][0]);
        s.name = cells[2] = QString::fromUtf8(newcomers[i][1]);
        students.rows.push_back(s);
        roster->rows.push_back(cells);
    }
    students.rows[5].scoreText = roster->rows[5][6] = QStringLiteral("81");
    students.rows[5].score = 81;
    roster->rowCount = int(roster->rows.size());
    students.roster = roster;
    ConditionsWorkspace ws = loadGroups(students).workspace;
    for (int g = 1; g <= ws.groupCount(); ++g)
        for (int b = 1; b <= year.workspace().groupCount(); ++b)
            if (year.workspace().groupName[size_t(b)] == ws.groupName[size_t(g)])
                ws.conditions[size_t(g)] = year.workspace().conditions[size_t(b)];
    const Year changed(students, ws);
    const DraftBook book = loadDraftBook(changed, path);
    if (!book.rosterChanges()) {
        failure = QStringLiteral("the changed roster shows no changes");
        return nullptr;
    }
    return std::make_unique<RosterChangesWindow>(rosterChangesTable(*book.rosterChanges()),
                                                 rosterConsequences(book, changed), nullptr);
}

} // namespace classdiv
