// The session of a year: the windows beside the conditions window are its
// own (one of each, closed with the session or the conditions window), a
// hand swap fills again only the two class lists it changed, and a result
// file opened as a draft takes a free name.

#include "support/GuiTest.h"

#include "export/ResultFile.h"
#include "ui/ChartView.h"
#include "ui/ChartWindow.h"
#include "ui/ClassListWindow.h"
#include "ui/DraftWindow.h"

#include <set>

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

// Everything the chart shows, class by class, then its notes.
QStringList chartText(const ChartView* view)
{
    QStringList lines;
    const YearSummary& year = view->year();
    for (const ClassSummary& c : year.classes) {
        QStringList scores, bands, mixes;
        for (double score : c.scores)
            scores << QString::number(score);
        for (int count : c.bandCounts)
            bands << QString::number(count);
        for (int count : c.mixCounts)
            mixes << QString::number(count);
        lines << QStringLiteral("%1 %2 | %3 | %4 | %5 %6 %7")
                     .arg(c.classNumber)
                     .arg(c.label, scores.join(u','), bands.join(u','), mixes.join(u','))
                     .arg(c.box.median)
                     .arg(c.box.upperQuartile);
    }
    lines << QString::number(year.overallAverage) << year.mixValues.join(u',') << view->flagNote()
          << QString::number(view->mixingDeviation().value_or(-1));
    for (const ColumnAverages& column : view->extraScores())
        for (const std::optional<double>& average : column.classAverage)
            lines << column.name + u' ' + QString::number(average.value_or(-1));
    return lines;
}

// Every cell of the drafts list, row by row.
std::vector<QStringList> draftCells(const QWidget* drafts)
{
    const auto* table = child<QTableWidget>(drafts, "draftTable");
    std::vector<QStringList> rows(static_cast<size_t>(table->rowCount()));
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            rows[static_cast<size_t>(r)] << table->item(r, c)->text();
    return rows;
}

// The pixels of `widget` as its window's backing store holds them: what the screen shows.
QImage onScreen(const QWidget* widget)
{
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The example year pressed twice, each draw kept as a draft.
bool openWithTwoDrafts(ExampleWindow& f)
{
    if (!f.open())
        return false;
    for (const char* name : {"案A", "案B"})
        if (!f.press("Command4").isEmpty() || f.model->keepDraft(QString::fromUtf8(name)))
            return false;
    return true;
}

// Two students of one group in two classes, from `from` on; {0, 0} when none.
std::pair<int, int> swapPair(const Year& year, int from)
{
    const int n = year.students().count();
    for (int a = from; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b)
            if (year.students()[b].group == year.students()[a].group && year.classOf(b) != year.classOf(a))
                return {a, b};
    return {0, 0};
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

    // The meeting sheets of the lists and two drafts compared are the
    // session's: each over the window that asked, one at every asking, gone with the session.
    void windowsOpenedFromAnotherAreTheSessions()
    {
        ExampleWindow f;
        QVERIFY(openWithTwoDrafts(f));
        auto* lists = qobject_cast<QWidget*>(f.session->show(Satellite::ClassLists));
        auto* drafts = qobject_cast<QWidget*>(f.session->show(Satellite::Drafts));
        QVERIFY(lists && drafts && QTest::qWaitForWindowExposed(drafts));
        Dialogs::takeMessages();
        QVERIFY(f.session->opened().empty());
        auto* table = child<QTableWidget>(drafts, "draftTable");
        table->clearSelection();
        for (const int row : {0, 1})
            table->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, table->columnCount() - 1), true);
        for (int twice = 0; twice < 2; ++twice)
            click(drafts, "compareDrafts");
        click(lists, "pdfButton"); // last: the dialog is modal
        const std::vector<QObject*> opened = f.session->opened();
        QCOMPARE(opened.size(), size_t(3));
        const std::vector<QObject*> parents{drafts, drafts, lists};
        const QStringList names{"classdiv::DraftCompareWindow", "classdiv::DraftCompareWindow", "classdiv::PaperDialog"};
        for (size_t i = 0; i < opened.size(); ++i) {
            QCOMPARE(opened[i]->parent(), parents[i]);
            QVERIFY(opened[i]->inherits(qPrintable(names[static_cast<int>(i)])));
        }
        std::vector<QPointer<QObject>> watched(opened.begin(), opened.end());
        f.session->closeWindows();
        QVERIFY(std::all_of(watched.begin(), watched.end(), [](const QPointer<QObject>& w) { return w.isNull(); }));
        QVERIFY(f.session->opened().empty());
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
            ClassListWindow fresh(*f.session, nullptr);
            QCOMPARE(shown(lists), shown(&fresh));
        }
        QVERIFY(swaps >= 3);
        const ClassSwaps::Pair last = year.swaps().history().back();
        markLists(lists);
        QVERIFY(f.model->undoSwap());
        QCOMPARE(listsFilledAgain(lists), listNames(year.classOf(last.rowA), year.classOf(last.rowB)));
        ClassListWindow fresh(*f.session, nullptr);
        QCOMPARE(shown(lists), shown(&fresh));
        // A new draw fills every list again.
        markLists(lists);
        Dialogs::queueAnswer(true);
        QCOMPARE(f.press("Command4").size(), 1); // the question before the swaps are replaced
        QCOMPARE(listsFilledAgain(lists).size(), lists->findChildren<QTableWidget*>(QRegularExpression("^classList")).size());
    }

    // After hand swaps the chart paints again only the moved classes' places
    // while its axes stay, the drafts list sets again only the cells of
    // 「作業中」 and the students now elsewhere; both show what windows made
    // anew show, and the screen holds what a whole repaint paints.
    void aSwapRedrawsOnlyTheMovedClassesOfTheChartAndTheDrafts()
    {
        ExampleWindow f;
        QVERIFY(openWithTwoDrafts(f));
        auto* chart = qobject_cast<ChartWindow*>(f.session->show(Satellite::Chart));
        auto* drafts = qobject_cast<DraftWindow*>(f.session->show(Satellite::Drafts));
        QVERIFY(chart && drafts && QTest::qWaitForWindowExposed(chart) && QTest::qWaitForWindowExposed(drafts));
        Dialogs::takeMessages();
        const ChartView* view = child<ChartView>(chart, "charts");
        const auto* table = child<QTableWidget>(drafts, "draftTable");
        const Year& year = f.model->year();
        const int moved = static_cast<int>(draftListHeadings().size()) - 1; // 今と違う生徒, the last column
        // Each step: swaps made in one turn of the event loop (0: an undo).
        const std::vector<std::vector<int>> steps{{1}, {40}, {0}, {80, 120}, {160}, {0}};
        int partly = 0; // steps that painted only places
        for (size_t step = 0; step < steps.size(); ++step) {
            QCOMPARE(table->rowCount(), 3);
            const std::pair<double, double> rangeBefore = scoreRange(view->year());
            const std::vector<QStringList> cellsBefore = draftCells(drafts);
            const QTableWidgetItem* firstItem = table->item(0, 0);
            std::set<int> changed;
            for (const int from : steps[step]) {
                if (from == 0) {
                    const ClassSwaps::Pair last = year.swaps().history().back();
                    changed.insert({year.classOf(last.rowA), year.classOf(last.rowB)});
                    QVERIFY(f.model->undoSwap());
                    continue;
                }
                const auto [a, b] = swapPair(year, from);
                QVERIFY(b != 0);
                changed.insert({year.classOf(a), year.classOf(b)});
                QCOMPARE(f.model->swap(a, b), SwapStatus::Swapped);
            }
            ChartWindow freshChart(*f.model, nullptr);
            freshChart.refresh();
            QTRY_COMPARE(chartText(view), chartText(child<ChartView>(&freshChart, "charts")));
            QCoreApplication::processEvents(); // the paint the redraw asked for
            QRegion places;
            for (const int k : changed)
                places += view->classSlots().at(k);
            const QRegion expected = scoreRange(view->year()) == rangeBefore ? places : QRegion(view->rect());
            QVERIFY2(view->lastAsked() == expected, qPrintable(QString::number(step)));
            partly += expected == places ? 1 : 0;
            QCOMPARE(onScreen(view), const_cast<ChartView*>(view)->grab().toImage().convertToFormat(QImage::Format_RGB32));
            // The list keeps its items; only 「作業中」 and the students now elsewhere change.
            QCOMPARE(table->item(0, 0), firstItem);
            const std::vector<QStringList> cells = draftCells(drafts);
            for (size_t r = 0; r + 1 < cells.size(); ++r)
                for (int c = 0; c < moved; ++c)
                    QCOMPARE(cells[r][c], cellsBefore[r][c]);
            DraftWindow freshDrafts(*f.session, nullptr);
            freshDrafts.refresh();
            QCOMPARE(cells, draftCells(&freshDrafts));
            QCOMPARE(cells.back()[moved - 1], QString::number(year.swaps().count()));
        }
        QVERIFY(partly >= 3);
        // A new draw redraws the whole chart.
        Dialogs::queueAnswer(true);
        QCOMPARE(f.press("Command4").size(), 1);
        QTRY_COMPARE(view->lastAsked(), QRegion(view->rect()));
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
