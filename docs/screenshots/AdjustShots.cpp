// The pictures of the 調整 menu's checks and mends (make_screenshots.cpp
// takes the rest).

#include "ShotSupport.h"

#include "conditions/ConditionsEntry.h"
#include "division/lists/ClassRoster.h"
#include "files/SharedRecord.h"
#include "ui/ConditionsWindow.h"
#include "ui/RecordKeeper.h"
#include "session/YearModel.h"

#include <QAction>
#include <QDialog>
#include <QSettings>
#include <QTest>

#include <memory>
#include <tuple>

using namespace classdiv;

namespace shots {
namespace {

// 確認票 with two students of one class entered in the school's record as kept apart.
void checkSheet(ConditionsWindow* form3, YearModel& model)
{
    const std::vector<int> rows = rosterRows(model.year().students(), model.year().classes(), 1, RosterOrder::Score);
    const Students& students = model.year().students();
    model.setRecordEntries({{{rows[2], rows[5]}, QStringLiteral("%1・%2 トラブル").arg(students[rows[2]].name, students[rows[5]].name)}});
    form3->activateWindow();
    child<QAction>(form3, "actionCheckSheet")->trigger();
    auto* sheet = child<QWidget>(form3, "CheckSheetWindow");
    sheet->resize(820, 740);
    captureWindow(sheet, "checksheet.png");
    sheet->close();
}

// 離す記録: entries of three years, one ended and one of students who have left, the rest on the example year.
void separationRecord(ConditionsWindow* form3, YearModel& model)
{
    const Students& s = model.year().students();
    const auto at = [&](int row) { return RecordStudent{s[row].id, s[row].name}; };
    const auto entry = [](int year, std::vector<RecordStudent> who, const char* reason, const char* by) {
        return RecordEntry{newEntryKey(), std::move(who), QString::fromUtf8(reason), year, QDate(year + 1, 3, 12), QString::fromUtf8(by), {}, {}};
    };
    RecordChange change{{entry(2023, {{"19044", "村上　拓海"}, {"19102", "森田　健"}}, "トラブル", "佐藤"),
                         entry(2024, {at(12), at(57)}, "保護者要望", "鈴木"), entry(2024, {at(30), at(101), at(144)}, "トラブル", "鈴木"),
                         entry(2025, {at(7), at(88)}, "保護者要望（小学校からの引き継ぎ）", "田中")}, {}};
    std::tie(change.entries[2].ended, change.entries[2].endReason) = std::pair(QDate(2026, 2, 20), QStringLiteral("関係が改善した"));
    const QString path = g_year + QStringLiteral("/離す記録.txt");
    if (writeRecordShared(path, change).status != RecordWriteOutcome::Status::Written)
        fail("no record file");
    QSettings().setValue(RecordKeeper::kFileKey, path);
    RecordKeeper::of(model).reload(form3);
    child<QAction>(form3, "actionSeparationRecord")->trigger();
    auto* window = child<QWidget>(form3, "SeparationRecordWindow");
    window->resize(900, 420);
    captureWindow(window, "record.png");
    window->close();
}

// 「名簿の変更」 over the drafts just kept, as the next run shows it once the roster changed.
void rosterChanges(const Year& year)
{
    QString failure;
    const std::unique_ptr<QWidget> window = changedRosterWindow(year, failure);
    if (!window)
        fail(failure);
    window->resize(900, 420);
    window->show();
    captureWindow(window.get(), "roster-changes.png");
}

// 最小の移動で直す after 書女's plan moved a seat from class 6 to 5; the plan is put back after.
void fewestMoves(ConditionsWindow* form3, YearModel& model)
{
    const auto plan = [&](const char* five, const char* six) {
        ConfirmEntryInput entry{0, {}, {}};
        entry.classNumbers[1] = QStringLiteral("5");
        entry.headCounts[1] = QString::fromLatin1(five);
        entry.classNumbers[2] = QStringLiteral("6");
        entry.headCounts[2] = QString::fromLatin1(six);
        model.setClassCount(0, QStringLiteral("2"));
        if (model.confirmEntry(entry).message)
            fail("the plan of 書女 was refused");
    };
    child<QAction>(form3, "actionBalance")->trigger(); // a division that keeps every rule, as a kept draft does
    plan("19", "17");
    form3->activateWindow();
    child<QAction>(form3, "actionFewestMoves")->trigger();
    auto* dialog = child<QDialog>(form3, "FewestMovesDialog");
    QTest::qWait(400);
    if (!QTest::qWaitForWindowExposed(dialog) || !dialog->grab().save(g_out + "/fewest-moves.png"))
        fail("fewest-moves.png could not be saved");
    dialog->reject();
    plan("18", "18");
}

} // namespace

void adjustMenu(ConditionsWindow* form3, YearModel& model)
{
    checkSheet(form3, model);
    separationRecord(form3, model);
    rosterChanges(form3->year());
    fewestMoves(form3, model);
}

} // namespace shots
