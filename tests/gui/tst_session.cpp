// The session of a year: the windows beside the conditions window are its
// own (one of each, closed with the session or the conditions window), a
// hand swap fills again only the two class lists it changed, and a result
// file opened as a draft takes a free name.

#include "support/GuiTest.h"

#include "export/ResultFile.h"
#include "ui/ChartWindow.h"
#include "ui/ClassListWindow.h"

namespace classdiv::testing {
namespace {

// The windows that stay open beside the conditions window.
constexpr Satellite kEveryKind[] = {Satellite::Chart, Satellite::ClassLists, Satellite::Drafts, Satellite::CheckSheet,
                                    Satellite::SeparationRecord};

// Every cell of every class list and every header, as the teacher sees them, list by list.
QStringList shown(const QWidget* lists)
{
    QStringList cells;
    for (const QLabel* header : lists->findChildren<QLabel*>(QRegularExpression("^(classHeader|unplacedHeader)")))
        cells << header->objectName() + u'=' + header->text();
    for (const QTableWidget* list : lists->findChildren<QTableWidget*>(QRegularExpression("^(classList|unplacedList)")))
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < list->columnCount(); ++c) {
                const QTableWidgetItem* item = list->item(r, c);
                cells << QStringLiteral("%1 %2 %3 %4 %5 %6")
                             .arg(list->objectName())
                             .arg(r)
                             .arg(item->text(), item->background().color().name(), item->toolTip())
                             .arg(item->font().bold());
            }
    return cells;
}

// Marks the first cell of every list; a list filled again loses its mark.
void markLists(const QWidget* lists)
{
    for (QTableWidget* list : lists->findChildren<QTableWidget*>(QRegularExpression("^classList")))
        list->item(0, 0)->setData(Qt::UserRole + 1, true);
}

QStringList listsFilledAgain(const QWidget* lists)
{
    QStringList filled;
    for (const QTableWidget* list : lists->findChildren<QTableWidget*>(QRegularExpression("^classList")))
        if (!list->item(0, 0)->data(Qt::UserRole + 1).toBool())
            filled << list->objectName();
    filled.sort();
    return filled;
}

QStringList listNames(int classA, int classB)
{
    QStringList names{QStringLiteral("classList%1").arg(classA), QStringLiteral("classList%1").arg(classB)};
    names.sort();
    return names;
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void init() { resetDialogs(); }

    void eachWindowAskedForTwiceIsTheSameWindow()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        for (const Satellite kind : kEveryKind) {
            QVERIFY(!f.session->window(kind));
            QObject* first = f.session->show(kind);
            QVERIFY(first);
            QVERIFY(!qobject_cast<QWidget*>(first)->isModal()); // it stands beside the conditions window
            QCOMPARE(f.session->show(kind), first);
            QCOMPARE(f.session->window(kind), first);
            Dialogs::takeMessages();
        }
        // The menu asks the session: Ctrl+G and Ctrl+L twice still show one chart and one set of lists.
        for (int twice = 0; twice < 2; ++twice) {
            f.key(Qt::Key_G);
            f.key(Qt::Key_L);
        }
        QCOMPARE(f.w()->findChildren<ChartWindow*>().size(), 1);
        QCOMPARE(f.w()->findChildren<ClassListWindow*>().size(), 1);
        QCOMPARE(f.w()->findChild<ClassListWindow*>(), f.session->window(Satellite::ClassLists));
        // A window the teacher closed is made anew at the next asking.
        QPointer<QObject> lists = f.session->window(Satellite::ClassLists);
        qobject_cast<QWidget*>(lists.data())->close();
        QTRY_VERIFY(!lists);
        QVERIFY(!f.session->window(Satellite::ClassLists));
        QVERIFY(f.session->show(Satellite::ClassLists));
    }

    void theWindowsCloseWithTheSessionAndWithTheConditionsWindow()
    {
        for (const bool hostFirst : {false, true}) {
            StudentTable table;
            TempFolder folder;
            QVERIFY(copyExamples(folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}) &&
                    readExampleYear(folder.path(), table));
            ClockRandomSource random;
            auto session = std::make_unique<YearSession>(table, random);
            auto host = std::make_unique<QWidget>();
            SatelliteWindows::install(*session, host.get());
            QCOMPARE(session->model().readConditions().status, ReadConditionsOutcome::Status::Read);
            QVERIFY(session->press().drawn);
            std::vector<QPointer<QObject>> open;
            for (const Satellite kind : kEveryKind)
                open.emplace_back(session->show(kind));
            Dialogs::takeMessages();
            QVERIFY(std::all_of(open.begin(), open.end(), [](const QPointer<QObject>& w) { return !w.isNull(); }));
            if (hostFirst)
                host.reset();
            else
                session.reset();
            QVERIFY(std::all_of(open.begin(), open.end(), [](const QPointer<QObject>& w) { return w.isNull(); }));
            if (session)
                for (const Satellite kind : kEveryKind)
                    QVERIFY(!session->window(kind));
            host.reset();
            session.reset();
        }
    }

    void aSwapFillsAgainOnlyTheTwoListsItChanged()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        auto* lists = qobject_cast<ClassListWindow*>(f.session->show(Satellite::ClassLists));
        QVERIFY(lists && QTest::qWaitForWindowExposed(lists));
        const Year& year = f.model->year();
        const int n = year.students().count();
        int swaps = 0;
        // Several swaps and undos, each between two students of one group in two classes.
        for (int a = 1; a <= n && swaps < 6; a += 37) {
            int b = a + 1;
            while (b <= n && (year.students()[b].group != year.students()[a].group || year.classOf(b) == year.classOf(a)))
                ++b;
            if (b > n)
                continue;
            const int classA = year.classOf(a), classB = year.classOf(b);
            markLists(lists);
            QCOMPARE(f.model->swap(a, b), SwapStatus::Swapped);
            ++swaps;
            QCOMPARE(listsFilledAgain(lists), listNames(classA, classB));
            QVERIFY(child<QTableWidget>(lists, QStringLiteral("classList%1").arg(classA))->findItems(year.students()[b].name, Qt::MatchExactly).size() == 1);
            // What the lists show is what lists made anew from the year show.
            ClassListWindow fresh(*f.model, nullptr);
            QCOMPARE(shown(lists), shown(&fresh));
        }
        QVERIFY(swaps >= 3);
        const ClassSwaps::Pair last = year.swaps().history().back();
        markLists(lists);
        QVERIFY(f.model->undoSwap());
        QCOMPARE(listsFilledAgain(lists), listNames(year.classOf(last.rowA), year.classOf(last.rowB)));
        ClassListWindow fresh(*f.model, nullptr);
        QCOMPARE(shown(lists), shown(&fresh));
        // A new draw fills every list again.
        markLists(lists);
        Dialogs::queueAnswer(true);
        QCOMPARE(f.press("Command4").size(), 1); // the question before the swaps are replaced
        QCOMPARE(listsFilledAgain(lists).size(), lists->findChildren<QTableWidget*>(QRegularExpression("^classList")).size());
    }

    void aResultOpenedAsADraftUnderATakenNameGetsAFreeOne()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        const QString path = f.folder.file("kekka.csv");
        QCOMPARE(f.model->saveResult(path), std::nullopt);
        for (const QString& name : {QStringLiteral("kekka"), QStringLiteral("kekka（2）")})
            QVERIFY(!f.model->keepDraft(name));
        const ResultDraftOutcome outcome = f.session->draftFromResult(path);
        QVERIFY(outcome.draft && !outcome.refusal);
        QCOMPARE(outcome.draft->name, QStringLiteral("kekka（3）"));
        QCOMPARE(outcome.draft->classes, f.model->year().classes());
        // A file that cannot be read keeps nothing and says why.
        const ResultDraftOutcome missing = f.session->draftFromResult(f.folder.file("nothing.csv"));
        QVERIFY(!missing.draft && missing.refusal);
    }
};

} // namespace classdiv::testing

CLASSDIV_GUI_TEST_MAIN(classdiv::testing::TestSession)

#include "tst_session.moc"
