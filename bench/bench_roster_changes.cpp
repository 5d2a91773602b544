// Opening a draft on a changed roster of 500 students in 5 groups over 10
// classes, 12 columns a row: 3 students removed, 2 added and 1 moved to
// another group, the rows in another order. What is timed is what the
// program does when the teacher opens the drafts and then the draft: the
// drafts file read and matched to the roster, the changes and what follows
// for each draft put in words (「名簿の変更」), and the draft carried over
// and put on screen (the distribution table filled).

#include "support/Years.h"

#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"
#include "division/drafts/RosterChangesText.h"
#include "division/Year.h"
#include "import/Roster.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QHash>
#include <QDir>
#include <QTemporaryDir>

using namespace classdiv;

namespace {

const QDateTime kNow(QDate(2027, 2, 15), QTime(16, 0));
const QStringList kHeader{"番号", "氏名", "グループ", "点数", "旧組", "性別", "リーダー", "ピアノ", "50m走", "数学", "備考", "よみ"};

// The students with a roster of twelve columns behind them, as the import reads one.
Students withRoster(const std::vector<StudentRecord>& records)
{
    auto roster = std::make_shared<Roster>();
    roster->rows.push_back(kHeader);
    for (const StudentRecord& s : records) {
        const size_t i = qHash(s.studentId); // each student's cells its own, wherever its row
        roster->rows.push_back({s.studentId, s.name, s.group, s.score, QString::number(i % 8 + 1), i % 2 ? "男" : "女",
                                i % 9 ? "" : "○", i % 11 ? "" : "○", "8.1", QString::number(40 + i % 50), "", "せいと"});
    }
    roster->rowCount = int(roster->rows.size());
    roster->columnCount = int16_t(kHeader.size());
    Students students = testing::studentsOf(records, {kHeader[0], kHeader[1], kHeader[2], kHeader[3]});
    students.roster = roster;
    return students;
}

Year yearOf(const Students& students, const ConditionsWorkspace& plans)
{
    ConditionsWorkspace ws = loadGroups(students).workspace;
    for (int g = 1; g <= ws.groupCount(); ++g)
        for (int b = 1; b <= plans.groupCount(); ++b)
            if (plans.groupName[size_t(b)] == ws.groupName[size_t(g)])
                ws.conditions[size_t(g)] = plans.conditions[size_t(b)];
    return Year(students, ws);
}

void OpenDraftOnChangedRoster500(benchmark::State& state)
{
    std::vector<testing::GroupOfYear> groups;
    for (int g = 1; g <= 5; ++g) {
        testing::GroupOfYear group{QStringLiteral("G%1").arg(g), 100, {}};
        for (int k = 1; k <= 10; ++k)
            group.plan.emplace_back(k, 10);
        groups.push_back(group);
    }
    const testing::DivisionYear made(groups);
    std::vector<StudentRecord> records;
    for (int r = 1; r <= made.students.count(); ++r)
        records.push_back({made.students[r].id, made.students[r].name, made.students[r].group, made.students[r].scoreText});
    Year year = yearOf(withRoster(records), made.ws);
    year.pressNumber(7);
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/classdiv-bench-XXXXXX"));
    const QString path = folder.filePath("big.csvAN.TXT");
    {
        DraftBook book = loadDraftBook(year, path);
        for (int d = 1; d <= 5; ++d) {
            year.pressNumber(uint32_t(d));
            book.keep(year, QStringLiteral("案%1").arg(d), kNow);
        }
        book.markChanged();
        saveDraftBook(book, year, kNow);
    }

    // 3 removed, 2 added, 1 moved to another group, the rows reversed.
    records.erase(records.begin() + 400);
    records.erase(records.begin() + 200);
    records.erase(records.begin() + 5);
    records.push_back({"転入1", "転入生1", "G1", "61"});
    records.push_back({"転入2", "転入生2", "G3", "72"});
    records[100].group = records[100].group == QStringLiteral("G2") ? QStringLiteral("G3") : QStringLiteral("G2");
    std::reverse(records.begin(), records.end());
    Year later = yearOf(withRoster(records), made.ws);

    size_t changes = 0;
    for (auto _ : state) {
        DraftBook book = loadDraftBook(later, path);
        const QStringList words = rosterConsequences(book, later);
        const TextTable table = rosterChangesTable(*book.rosterChanges());
        book.open(0, later);
        changes = table.rows.size();
        benchmark::DoNotOptimize(words);
    }
    state.counters["changes"] = double(changes);
    state.counters["unplaced"] = double(std::count(later.classes().begin() + 1, later.classes().end(), kUnplacedClass));
}
BENCHMARK(OpenDraftOnChangedRoster500)->Unit(benchmark::kMillisecond);

} // namespace
