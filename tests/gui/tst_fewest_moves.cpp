// 最小の移動で直す through the real windows: the example year with its rules
// drawn, then a group's plan changed; Ctrl+M shows the moves, Esc leaves all
// as it was, Enter applies exactly the students listed and keeps every rule,
// Ctrl+Z in the class lists takes the mend back whole, and a mend the rules
// refuse names the rule and the students and changes nothing.

#include "support/GuiTest.h"
#include "support/MendDialog.h"

#include "division/EveningProblem.h"
#include "division/drafts/DraftFigures.h"
#include "division/FewestMovesYear.h"
#include "division/lists/ClassSwaps.h"
#include "support/Years.h"
#include "ui/ClassListWindow.h"
#include "ui/FewestMovesDialog.h"
#include "session/YearModel.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// 書女 (the first group, 18 in class 5 and 18 in class 6) planned anew, as the conditions entry confirms it.
bool planOf(const ExampleWindow& f, const QString& five, const QString& other, const QString& otherCount)
{
    ConfirmEntryInput entry{0, {}, {}};
    entry.classNumbers[1] = QStringLiteral("5");
    entry.headCounts[1] = five;
    entry.classNumbers[2] = other;
    entry.headCounts[2] = otherCount;
    f.model->setClassCount(0, QStringLiteral("2"));
    return !f.model->confirmEntry(entry).message && !fitsThePlans(f.model->year().workspace(), f.model->year().classes());
}

} // namespace

class FewestMovesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { resetDialogs(); }

    void mendsAChangedPlan_data()
    {
        QTest::addColumn<QString>("five");
        QTest::addColumn<QString>("other");      // the plan's second class
        QTest::addColumn<QString>("otherCount");
        QTest::addColumn<int>("fewest"); // at least this many of 書女 must move
        QTest::newRow("a seat moves from class 6 to 5") << "19" << "6" << "17" << 1;
        QTest::newRow("class 7 instead of 6") << "18" << "7" << "18" << 18;
    }
    void mendsAChangedPlan()
    {
        QFETCH(QString, five);
        QFETCH(QString, other);
        QFETCH(QString, otherCount);
        QFETCH(int, fewest);
        ExampleWindow f;
        QVERIFY(copyExamples(f.folder.path(), {"nen1.csvBUNKATSU.TXT"}));
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        QVERIFY(f.model->year().hasDraw());
        QVERIFY(!f.model->keepDraft(QStringLiteral("案A")));
        QVERIFY(planOf(f, five, other, otherCount));
        const std::vector<int16_t> drawn = f.model->year().classes();

        // Esc: nothing changes.
        QDialog* dialog = openMend(f);
        QVERIFY(dialog);
        for (const Message& m : Dialogs::takeMessages())
            QFAIL(qPrintable(m.text));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(mendClosed(f));
        QCOMPARE(f.model->year().classes(), drawn);

        // Enter: exactly the students listed move, every rule and head count holds.
        dialog = openMend(f);
        QVERIFY(dialog);
        const std::vector<MovedStudent> shown = listedMoves(dialog);
        const int moves = child<QLabel>(dialog, "movesFound")->text().section(u'人', 0, 0).toInt();
        QVERIFY(moves >= fewest);
        QCOMPARE(int(shown.size()), moves);
        QTest::keyClick(dialog, Qt::Key_Return);
        QVERIFY(mendClosed(f));
        const Year& year = f.model->year();
        QCOMPARE(studentsMoved(drawn, year.classes()), shown);
        QVERIFY(fitsThePlans(year.workspace(), year.classes()));
        const RuleBreaks breaks = findRuleBreaks(year.students(), year.classes(), year.bands(), year.rules());
        QVERIFY(breaks.bands.empty() && breaks.marks.empty() && breaks.fixed.empty() && breaks.together.empty());
        // 案A beside the mend kept as 案B: the comparison lists exactly the students the dialog listed.
        QVERIFY(!f.model->keepDraft(QStringLiteral("案B")));
        const DraftBook& drafts = f.model->drafts();
        const DraftComparison comparison =
            compareDrafts(year, drafts.row(drafts.indexOf(QStringLiteral("案A"))), drafts.row(drafts.indexOf(QStringLiteral("案B"))));
        std::vector<MovedStudent> compared;
        for (const DraftComparison::Moved& m : comparison.moved)
            compared.push_back({m.row, m.classes[0], m.classes[1]});
        QCOMPARE(compared, shown);

        // A press would replace the mend: it asks first, and a no keeps it.
        const std::vector<int16_t> mended = year.classes();
        Dialogs::queueAnswer(false);
        QCOMPARE(f.press("Command4"), QList<Message>{kReplaceMendQuestion});
        QCOMPARE(year.classes(), mended);

        // Ctrl+Z in the class lists: the mend goes back whole.
        f.key(Qt::Key_L);
        auto* lists = f.w()->findChild<QWidget*>("ClassListWindow");
        QVERIFY(lists);
        QTRY_VERIFY(child<QPushButton>(lists, "undoButton")->isEnabled());
        lists->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), lists);
        QTest::keyClick(lists, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(f.model->year().classes(), drawn);
        QVERIFY(!child<QPushButton>(lists, "undoButton")->isEnabled());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
    }

    void refusesWhatTheRulesForbid_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<bool>("lockSix");
        QTest::addColumn<QString>("rule");
        QTest::newRow("no move allowed") << 0 << false << "動かす人数の上限";
        QTest::newRow("class 6 locked, one seat short") << -1 << true << "振り分け人数";
    }
    void refusesWhatTheRulesForbid()
    {
        QFETCH(int, largest);
        QFETCH(bool, lockSix);
        QFETCH(QString, rule);
        ExampleWindow f;
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        QVERIFY(planOf(f, "19", "6", "17"));
        const std::vector<int16_t> drawn = f.model->year().classes();

        QDialog* dialog = openMend(f);
        QVERIFY(dialog);
        child<QSpinBox>(dialog, "largestMoves")->setValue(largest);
        if (lockSix) {
            auto* locked = child<QListWidget>(dialog, "lockedClasses");
            const QList<QListWidgetItem*> six = locked->findItems(QStringLiteral("6組"), Qt::MatchExactly);
            QCOMPARE(six.size(), 1);
            six.first()->setCheckState(Qt::Checked);
        }
        QCOMPARE(child<QLabel>(dialog, "movesFound")->text(), QStringLiteral("直せません"));
        QTest::keyClick(dialog, Qt::Key_Return);
        const QList<Message> messages = Dialogs::takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().text.contains(rule), qPrintable(messages.first().text));
        // A student of 書女 in class 6 is named by CSV line, identifier and name.
        int named = 0;
        for (int row = 1; row <= f.model->year().students().count(); ++row) {
            const Student& s = f.model->year().students()[row];
            named += drawn[size_t(row)] == 6 && s.group == f.model->year().workspace().groupName[1] &&
                     messages.first().text.contains(QStringLiteral("%1行目　%2　%3").arg(row + 1).arg(s.id, s.name));
        }
        QVERIFY(named > 0);
        QVERIFY(dialog->isVisible());
        QCOMPARE(f.model->year().classes(), drawn);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(mendClosed(f));
        QCOMPARE(f.model->year().classes(), drawn);
    }
};

CLASSDIV_GUI_TEST_MAIN(FewestMovesTest)
#include "tst_fewest_moves.moc"
