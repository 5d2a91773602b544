// 離す記録 through the real windows on the example year: a pair entered from
// the class lists in one year is kept apart in the next year's roster, its
// rows in another order; a roster whose identifiers repeat is matched by
// name and asked about once; a record that cannot be read is named once and
// left as it is.

#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "files/SharedRecord.h"
#include "ui/ClassListWindow.h"
#include "ui/RecordKeeper.h"
#include "ui/SeparationRecordWindow.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// nen1.csv of the folder rewritten: its students in reverse order, and with
// `renumber` each identifier replaced by a number that starts again in every
// old class, as a 出席番号 does.
bool rewriteRoster(const QString& folder, bool renumber)
{
    const QString path = folder + QStringLiteral("/nen1.csv");
    QStringList lines = textLines(path);
    if (lines.size() < 3)
        return false;
    const QString head = lines.takeFirst();
    std::reverse(lines.begin(), lines.end());
    std::map<QString, int> seat;
    for (QString& line : lines) {
        QStringList cells = line.split(u',');
        if (renumber)
            cells[0] = QString::number(++seat[cells[1]]);
        line = cells.join(u',');
    }
    const std::optional<QByteArray> bytes = encodeText(head + QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), TextEncoding::Cp932);
    return bytes && writeBytes(path, *bytes);
}

int rowOfName(const Year& year, const QString& name)
{
    for (int r = 1; r <= year.students().count(); ++r)
        if (year.students()[r].name == name)
            return r;
    return 0;
}

SeparationRecordWindow* openRecord(const ExampleWindow& w)
{
    w.activate();
    QTest::keyClick(w.w(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    auto* window = w.w()->findChild<SeparationRecordWindow*>(QStringLiteral("SeparationRecordWindow"));
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

} // namespace

class TestSeparationRecord : public QObject {
    Q_OBJECT
    TempFolder m_shared; // the school's shared folder
    // A record of each test's own.
    QString recordPath() const { return m_shared.file(QStringLiteral("離す記録_%1.txt").arg(QTest::currentTestFunction())); }

private slots:
    void init()
    {
        resetDialogs();
        QSettings().remove(QStringLiteral("record"));
    }

    void aPairEnteredInOneYearIsKeptApartTheNextYear()
    {
        ExampleWindow year1;
        QVERIFY(year1.open());
        QVERIFY(year1.press("Command4").isEmpty());
        // The record file chosen once in the record window.
        SeparationRecordWindow* record = openRecord(year1);
        QVERIFY(record);
        Dialogs::queueSaveFileName(recordPath());
        click(record, "chooseRecordFile");
        QTRY_COMPARE(RecordKeeper::chosenFile(), recordPath());
        QCOMPARE(child<QLabel>(record, "recordFile")->text(), QDir::toNativeSeparators(recordPath()));

        // Two students of one class chosen in the class lists (Ctrl adds the second) and added with a reason.
        year1.key(Qt::Key_L);
        auto* lists = year1.w()->findChild<ClassListWindow*>(QStringLiteral("ClassListWindow"));
        QVERIFY(lists && QTest::qWaitForWindowExposed(lists));
        const Year& y1 = year1.model->year();
        auto* list = child<QTableWidget>(lists, QStringLiteral("classList1"));
        QVERIFY(list->rowCount() >= 2);
        list->selectRow(0);
        list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const int a = list->item(0, 0)->data(Qt::UserRole).toInt(), b = list->item(1, 0)->data(Qt::UserRole).toInt();
        QVERIFY(a > 0 && b > 0 && y1.classOf(a) == y1.classOf(b));
        Dialogs::queueText(QStringLiteral("トラブル"));
        Dialogs::queueText(QStringLiteral("田中"));
        lists->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(lists));
        QTest::keyClick(lists, Qt::Key_R, Qt::ControlModifier);
        const RecordReadOutcome saved = readSeparationRecord(recordPath());
        QCOMPARE(saved.status, RecordReadOutcome::Status::Read);
        QCOMPARE(saved.record.entries.size(), size_t(1));
        const RecordEntry& entry = saved.record.entries.front();
        QCOMPARE(entry.reason, QStringLiteral("トラブル"));
        QCOMPARE(entry.enteredBy, QStringLiteral("田中"));
        QCOMPARE(entry.students.size(), size_t(2));
        QCOMPARE(entry.students[0].name, y1.students()[std::min(a, b)].name);
        QCOMPARE(entry.students[1].id, y1.students()[std::max(a, b)].id);
        // This year it holds at once: the lists mark the pair, the window lists it.
        QCOMPARE(y1.rules().recordEntries.size(), size_t(1));
        QTRY_COMPARE(child<QTableWidget>(record, "recordEntries")->rowCount(), 1);
        const RuleBreaks breaks = findRuleBreaks(y1.students(), y1.classes(), y1.bands(), y1.rules());
        QVERIFY(std::any_of(breaks.marks.begin(), breaks.marks.end(), [](const MarkBreak& m) { return m.record; }));
        const QString nameA = y1.students()[a].name, nameB = y1.students()[b].name;
        year1.end();

        // The next year: another roster (its rows in another order) holding both.
        ExampleWindow year2;
        QVERIFY(copyExamples(year2.folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        QVERIFY(rewriteRoster(year2.folder.path(), false));
        QVERIFY(year2.openAsItIs());
        const Year& y2 = year2.model->year();
        QTRY_COMPARE(y2.rules().recordEntries.size(), size_t(1));
        for (const Message& m : Dialogs::takeMessages()) // matched by identifier and name: nothing asked
            QVERIFY2(!m.text.contains(QStringLiteral("離す記録")), qPrintable(m.text));
        year2.key(Qt::Key_K);
        auto* rules = year2.w()->findChild<QDialog*>(QStringLiteral("SpreadDialog"));
        QVERIFY(rules);
        QVERIFY(child<QLabel>(rules, "recordCount")->text().contains(QStringLiteral("今年あてはまる記録 1件")));
        rules->reject();
        const int a2 = rowOfName(y2, nameA), b2 = rowOfName(y2, nameB);
        QVERIFY(a2 > 0 && b2 > 0 && a2 != a);
        QVERIFY(year2.press("Command4").isEmpty());
        // Put together by hand first, so that evening out has to part them.
        if (y2.classOf(a2) != y2.classOf(b2)) {
            int partner = 0;
            for (int r = 1; r <= y2.students().count() && !partner; ++r)
                if (r != a2 && y2.classOf(r) == y2.classOf(a2) && y2.students()[r].group == y2.students()[b2].group)
                    partner = r;
            QVERIFY(partner > 0);
            QCOMPARE(year2.model->swap(b2, partner), SwapStatus::Swapped);
        }
        QCOMPARE(y2.classOf(a2), y2.classOf(b2));
        Dialogs::queueAnswer(true); // the hand swap may go
        year2.key(Qt::Key_B);
        QTRY_VERIFY(y2.swaps().count() == 0);
        QVERIFY(y2.classOf(a2) != y2.classOf(b2));
        QVERIFY(y2.classOf(a2) != 0);
    }

    // Entered by identifier, found by the search box, ended: it stays in the file, greyed, and no longer applies.
    void anEntryByIdentifierIsFoundAndEndedButNeverDeleted()
    {
        QSettings().setValue(RecordKeeper::kFileKey, recordPath());
        ExampleWindow year;
        QVERIFY(year.open());
        SeparationRecordWindow* record = openRecord(year);
        QVERIFY(record);
        const Students& students = year.model->year().students();
        typeInto(child<QLineEdit>(record, "recordIds"), students[3].id + QStringLiteral("、") + students[200].id);
        typeInto(child<QLineEdit>(record, "recordReason"), QStringLiteral("保護者要望"));
        typeInto(child<QLineEdit>(record, "recordEnteredBy"), QStringLiteral("鈴木"));
        click(record, "addRecordEntry");
        typeInto(child<QLineEdit>(record, "recordIds"), students[4].id + QStringLiteral(",99999"));
        click(record, "addRecordEntry"); // an identifier not on the roster: said, nothing written
        const QList<Message> said = Dialogs::takeMessages();
        QCOMPARE(said.size(), 1);
        QVERIFY(said.front().text.contains(QStringLiteral("99999")));
        auto* table = child<QTableWidget>(record, "recordEntries");
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(year.model->year().rules().recordEntries.size(), size_t(1));
        QVERIFY(child<QLabel>(record, "recordStatus")->text().contains(QStringLiteral("あてはまる記録 1件")));

        for (const auto& [words, hidden] : {std::pair{students[200].name, false}, {QStringLiteral("トラブル"), true}, {QString(), false}}) {
            typeInto(child<QLineEdit>(record, "recordSearch"), words);
            QCOMPARE(table->isRowHidden(0), hidden);
        }
        table->selectRow(0);
        typeInto(child<QLineEdit>(record, "recordEndReason"), QStringLiteral("関係が改善した"));
        typeInto(child<QLineEdit>(record, "recordEndDate"), QStringLiteral("2026/2/30"));
        click(record, "endRecordEntry"); // no such day: said, nothing ended
        QCOMPARE(Dialogs::takeMessages().size(), 1);
        QVERIFY(readSeparationRecord(recordPath()).record.entries.front().open());
        typeInto(child<QLineEdit>(record, "recordEndDate"), QString());
        click(record, "endRecordEntry");
        const RecordReadOutcome read = readSeparationRecord(recordPath());
        QCOMPARE(read.record.entries.size(), size_t(1));
        QCOMPARE(read.record.entries.front().ended, QDate::currentDate());
        QCOMPARE(read.record.entries.front().endReason, QStringLiteral("関係が改善した"));
        QVERIFY(year.model->year().rules().recordEntries.empty());
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->foreground().color(), record->palette().color(QPalette::Disabled, QPalette::Text));
    }

    void aRosterWhoseIdentifiersRepeatIsMatchedByNameAndAskedOnce()
    {
        ExampleWindow year;
        QVERIFY(copyExamples(year.folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        QVERIFY(rewriteRoster(year.folder.path(), true));
        StudentTable table;
        QVERIFY(readExampleYear(year.folder.path(), table));
        const Students students = typedStudents(table);
        RecordEntry entry;
        entry.key = QStringLiteral("k");
        entry.students = {{QStringLiteral("20101"), students[240].name}, {QStringLiteral("20102"), students[239].name}};
        entry.schoolYear = 2025;
        entry.entered = QDate(2025, 6, 1);
        QCOMPARE(writeRecordShared(recordPath(), RecordChange{{entry}, {}}).status, RecordWriteOutcome::Status::Written);
        QSettings().setValue(RecordKeeper::kFileKey, recordPath());

        for (int load = 1; load <= 2; ++load) {
            ExampleWindow again;
            QVERIFY(copyExamples(again.folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
            QVERIFY(rewriteRoster(again.folder.path(), true));
            QVERIFY(again.openAsItIs());
            QTRY_COMPARE(again.model->year().rules().recordEntries.size(), size_t(1));
            const QList<Message> asked = Dialogs::takeMessages();
            // Asked at the first load only (the answer Yes is kept in the record), naming both students.
            QCOMPARE(asked.size(), load == 1 ? 1 : 0);
            if (load == 1)
                QVERIFY(asked.front().text.contains(students[240].name) && asked.front().text.contains(students[239].name));
        }
        QCOMPARE(readSeparationRecord(recordPath()).record.confirmations.size(), size_t(2));
    }

    void aRecordThatCannotBeReadIsNamedOnceAndLeftAsItIs()
    {
        const QByteArray spoiled = "CLASSDIV-APART 1\r\nentry\tk\t2025\r\n"; // cut short
        QVERIFY(writeBytes(recordPath(), spoiled));
        QSettings().setValue(RecordKeeper::kFileKey, recordPath());
        ExampleWindow year;
        QVERIFY(year.open());
        QList<Message> said;
        const auto aboutRecord = [&] {
            said += Dialogs::takeMessages();
            return std::count_if(said.begin(), said.end(), [](const Message& m) { return m.text.contains(QStringLiteral("離す記録のファイル")); });
        };
        QTRY_COMPARE(aboutRecord(), 1);
        QVERIFY(year.model->year().rules().recordEntries.empty());
        SeparationRecordWindow* record = openRecord(year);
        QVERIFY(record);
        QVERIFY(!child<QPushButton>(record, "addRecordEntry")->isEnabled());
        RecordKeeper::of(*year.model).reload(year.w()); // read again: said no more
        QCOMPARE(aboutRecord(), 1);
        QVERIFY(year.press("Command4").isEmpty());
        QCOMPARE(readBytes(recordPath()), spoiled);
    }
};

CLASSDIV_GUI_TEST_MAIN(TestSeparationRecord)
#include "tst_separation_record.moc"
