// The menu 調整 on the example year: Ctrl+B, the chart by Ctrl+G following the
// draw, its picture, the remembered choice; クラス名簿 by Ctrl+L with hand swaps,
// undo, the question before a press replaces swaps and the PDF read back with
// pdftotext; the 別クラス・混合の列 dialog by the keyboard, its choice stored
// beside the CSV, shown again, applied by the next window and the marked
// students kept apart in the saved classes.

#include "support/GuiTest.h"

#include "conditions/SpreadColumns.h"
#include "division/ClassSwaps.h"
#include "division/ClassSummary.h"
#include "division/EvenAverages.h"
#include "export/ResultFile.h"
#include "ui/ChartWindow.h"

#include <QtCharts/QAbstractBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QChartView>

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>

#include <map>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

ChartWindow* chartOf(const ExampleWindow& f) { return f.w()->findChild<ChartWindow*>("ChartWindow"); }
QString line(const QString& label, const QList<double>& values)
{
    QString text = label;
    for (double v : values)
        text += u' ' + QString::number(v);
    return text;
}

// Every box and bar set the visible charts show, one line a set.
QStringList chartLines(const QWidget* chart)
{
    QStringList lines;
    for (const QChartView* view : chart->findChildren<QChartView*>()) {
        for (QAbstractSeries* series : view->isVisibleTo(chart) ? view->chart()->series() : QList<QAbstractSeries*>()) {
            if (auto* boxes = qobject_cast<QBoxPlotSeries*>(series))
                for (const QBoxSet* set : boxes->boxSets())
                    lines << line(set->label(), {set->at(0), set->at(1), set->at(2), set->at(3), set->at(4)});
            if (auto* bars = qobject_cast<QAbstractBarSeries*>(series))
                for (const QBarSet* set : bars->barSets()) {
                    QList<double> values;
                    for (int i = 0; i < set->count(); ++i)
                        values << set->at(i);
                    lines << line(set->label(), values);
                }
        }
    }
    return lines;
}

// The same from the figures of the year; bars list the classes from the top.
QStringList expectedLines(const YearSummary& year)
{
    QStringList lines;
    for (const ClassSummary& c : year.classes)
        lines << line(c.label, {c.box.lowest, c.box.lowerQuartile, c.box.median, c.box.upperQuartile, c.box.highest});
    auto bars = [&](const QString& label, auto count) {
        QList<double> values;
        for (auto c = year.classes.rbegin(); c != year.classes.rend(); ++c)
            values << count(*c);
        lines << line(label, values);
    };
    for (int s = 1; s <= 6; ++s)
        bars(year.bandLabels[s], [s](const ClassSummary& c) { return c.bandCounts[s]; });
    for (int v = 0; v < year.mixValues.size(); ++v)
        bars(year.mixValues[v], [v](const ClassSummary& c) { return c.mixCounts[v]; });
    return lines;
}

QWidget* listsOf(const ExampleWindow& f) { return f.w()->findChild<QWidget*>("ClassListWindow"); }
QWidget* openLists(const ExampleWindow& f)
{
    QApplication::setActiveWindow(f.w()); // offscreen activates no window by itself
    f.key(Qt::Key_L);
    return listsOf(f);
}
std::vector<TableItem> picture(const ExampleWindow& f) { return child<PictureBox>(f.w(), "Picture1")->items(); }
QStringList classes(const StudentTable& table)
{
    QStringList c;
    for (int r = 1; r <= table.studentCount(); ++r)
        c << table.records[r].newClass;
    return c;
}

// Selects, by a click, the first student of `group` in the list of class k; returns its row.
int pick(QWidget* lists, int k, const QString& group)
{
    auto* list = child<QTableWidget>(lists, QStringLiteral("classList%1").arg(k));
    for (int i = 0; i < list->rowCount(); ++i) {
        if (list->item(i, 1)->text() == group) {
            list->scrollToItem(list->item(i, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i, 0)).center());
            return list->item(i, 0)->data(Qt::UserRole).toInt();
        }
    }
    return 0;
}
void swapPicked(QWidget* lists, int k1, int k2, const QString& group)
{
    pick(lists, k1, group);
    pick(lists, k2, group);
    click(lists, "swapButton");
}

QString withoutBlanks(QString text) { return text.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]"))); }
// The PDF's text as pdftotext reads it. In its layout mode a row stays one
// line; the reading-order mode may take a given name away to another row.
QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    return p.waitForFinished(20000) && p.exitCode() == 0 ? withoutBlanks(QString::fromUtf8(p.readAllStandardOutput())) : QString();
}

QDialog* openSpreadDialog(const ExampleWindow& f) // Ctrl+K; the dialog once it is up
{
    if (!f.activate())
        return nullptr;
    f.key(Qt::Key_K);
    QDialog* dialog = f.w()->findChild<QDialog*>("SpreadDialog");
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
}
void typeThen(const QString& text, Qt::Key then)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), then);
}

} // namespace

class AdjustMenuTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QSettings().remove(QStringLiteral("adjust/evenAveragesEveryPress")); }
    void init() { resetDialogs(); }

    void evenOutChartFollowsAndItsPictureIsSaved()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        f.key(Qt::Key_G);
        QTRY_VERIFY(chartOf(f) && chartOf(f)->isVisible());
        ChartWindow* chart = chartOf(f);
        QVERIFY(child<QLabel>(chart, "emptyLabel")->isVisible());
        QVERIFY(!child<QWidget>(chart, "savePictureButton")->isEnabled());

        // Evening out from no draw presses first; the table shown is that of the students' classes.
        QVERIFY(f.activate());
        f.key(Qt::Key_B);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(child<PictureBox>(f.w(), "Picture1")->items(), distributionTableItems(recount(f.table), 240));
        QTRY_COMPARE(chartLines(chart), expectedLines(summarizeYear(f.table, recount(f.table), {})));

        // Ctrl+G again keeps the one chart window; a press redraws it.
        QVERIFY(f.activate());
        f.key(Qt::Key_G);
        QCOMPARE(f.w()->findChildren<ChartWindow*>().size(), 1);
        click(f.w(), "Command4");
        QTRY_COMPARE(chartLines(chart), expectedLines(summarizeYear(f.table, recount(f.table), {})));

        // Old classes to mix: a third chart and the deviation; gone again without them.
        SpreadRules rules{{}, {QString()}};
        const QStringList csv = cp932Lines(f.folder.file("nen1.csv"));
        for (int r = 1; r <= 240; ++r)
            rules.mixValues.push_back(csv[r].section(u',', 1, 1));
        f.window->setSpreadRules(rules);
        const YearSummary mixed = summarizeYear(f.table, recount(f.table), rules.mixValues);
        QCOMPARE(mixed.mixValues, (QStringList{"1", "2", "3", "4", "5", "6"}));
        QTRY_COMPARE(chartLines(chart), expectedLines(mixed));
        const double deviation = mixingDeviation(f.window->workspace(), f.table, rules);
        QVERIFY(child<QLabel>(chart, "mixDeviationLabel")->text().contains(QString::number(deviation, 'f', 1)));
        f.window->setSpreadRules({});
        QTRY_VERIFY(!child<QWidget>(chart, "mixView")->isVisibleTo(chart));

        // The picture: a whole PNG, or a message and no file.
        const QString png = f.folder.file("graph.png"), unwritable = f.folder.file("missing/graph.png");
        Dialogs::queueSaveFileName(png);
        Dialogs::queueSaveFileName(unwritable);
        click(chart, "savePictureButton");
        click(chart, "savePictureButton");
        QCOMPARE(QImage(png, "PNG").size(), child<QWidget>(chart, "charts")->size());
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("エラー発生"));
        QVERIFY(shown.first().text.contains(QDir::toNativeSeparators(unwritable)));
        QVERIFY(!QFileInfo::exists(unwritable));
    }

    void everyPressChoiceIsRemembered()
    {
        for (const bool on : {true, false}) {
            ExampleWindow f, next;
            QVERIFY(f.open());
            auto* everyPress = child<QAction>(f.w(), "actionBalanceEveryPress");
            QCOMPARE(everyPress->isChecked(), !on); // off at first, then as the last window left it
            everyPress->trigger();
            QVERIFY(next.open());
            QCOMPARE(child<QAction>(next.w(), "actionBalanceEveryPress")->isChecked(), on);
        }
    }

    void classListsSwapUndoPressAndPdf()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QVERIFY(!openLists(f)); // nothing drawn yet
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kNoDrawForListsMessage, QString()}}));
        click(f.w(), "Command4");
        QWidget* lists = openLists(f);
        QVERIFY(lists);
        QTRY_VERIFY(lists->isVisible());
        QCOMPARE(lists->windowTitle(), QStringLiteral("クラス名簿"));
        auto* swap = child<QPushButton>(lists, "swapButton");
        auto* undo = child<QPushButton>(lists, "undoButton");
        const QStringList drawn = classes(f.table);
        const std::vector<TableItem> drawnPicture = picture(f);

        // 書女 is spread over 5 and 6, 書男 too: two groups only refuse.
        const int a = pick(lists, 5, "書女");
        QVERIFY(!swap->isEnabled());
        pick(lists, 6, "書男");
        QVERIFY(!swap->isEnabled());
        QCOMPARE(swap->toolTip(), swapStatusText(SwapStatus::DifferentGroups));
        const int b = pick(lists, 6, "書女");
        QVERIFY(swap->isEnabled());

        // Ctrl+E swaps; the picture shows exactly the recount of the swapped classes.
        QApplication::setActiveWindow(lists); // offscreen keeps the first window active
        QTest::keyClick(lists, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(f.table.records[a].newClass + f.table.records[b].newClass, QStringLiteral("65"));
        QCOMPARE(picture(f), distributionTableItems(recount(f.table), 240));
        QVERIFY(picture(f) != drawnPicture);
        for (int k : {5, 6}) { // each header shows the table's average (item 7 of the class's row)
            const QString average = picture(f)[9 + (k - 1) * 10 + 7].text.trimmed();
            QVERIFY(child<QLabel>(lists, QStringLiteral("classHeader%1").arg(k))->text().contains("平均 " + average));
        }
        QVERIFY(!child<QLabel>(lists, "ruleNote")->text().isEmpty());

        // Saved as it stands: the swapped student's line starts with its new class.
        Dialogs::queueSaveFileName(f.folder.file("kekka.csv"));
        QCOMPARE(f.press("Command5"), QList<Message>());
        QVERIFY(readBytes(f.folder.file("kekka.csv")).split('\n')[a].startsWith("6,"));

        click(lists, "undoButton");
        QCOMPARE(classes(f.table), drawn);
        QCOMPARE(picture(f), drawnPicture);
        QVERIFY(!undo->isEnabled());

        // A press after a swap asks first; no keeps the swap, yes shows the new draw's table alone.
        swapPicked(lists, 5, 6, "書女");
        const QStringList swapped = classes(f.table);
        for (bool yes : {false, true}) {
            Dialogs::queueAnswer(yes);
            QCOMPARE(f.press("Command4"), QList<Message>{replaceSwapsQuestion(1)});
            QCOMPARE(f.window->classSwaps().count(), yes ? 0 : 1);
            QVERIFY(yes || classes(f.table) == swapped);
        }
        QVERIFY(!undo->isEnabled());
        QCOMPARE(picture(f), distributionTableItems(recount(f.table), 240));

        // The PDF: every name once, read back by pdftotext; an unwritable folder says so and leaves nothing.
        const QString pdf = f.folder.file("meibo.pdf"), refused = f.folder.file("missing/meibo.pdf");
        Dialogs::queueSaveFileName(pdf);
        Dialogs::queueSaveFileName(refused);
        click(lists, "pdfButton");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        click(lists, "pdfButton");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>{writeFailedMessage(refused)});
        QVERIFY(!QDir(f.folder.file("missing")).exists());
        const QString text = pdfText(pdf);
        QVERIFY2(!text.isEmpty(), "pdftotext read nothing");
        QCOMPARE(text.count(QStringLiteral("クラス名簿")), 6);
        for (int r = 1; r <= 240; ++r) { // a name inside another name counts there too
            const QString name = withoutBlanks(f.table.records[r].name);
            int inNames = 0;
            for (int s = 1; s <= 240; ++s)
                inNames += withoutBlanks(f.table.records[s].name).count(name);
            QCOMPARE(text.count(name), inNames);
        }

        swapPicked(lists, 1, 2, "音女");
        const QStringList kept = classes(f.table);
        lists->close(); // only a view: closing keeps the swap and its undo
        QTRY_VERIFY(!listsOf(f));
        QCOMPARE(classes(f.table), kept);
        QCOMPARE(f.window->classSwaps().count(), 1);
    }

    void spreadColumnsByKeyboardStoredShownAgainAndKeptApartInTheSavedClasses()
    {
        ExampleWindow f;
        QVERIFY(f.open(false));
        QPointer<QDialog> dialog = openSpreadDialog(f);
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("marksColumn"));
        typeThen("8", Qt::Key_Tab); // 別クラス
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("mixColumn"));
        typeThen("2", Qt::Key_Return); // 旧組
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(readBytes(spreadFilePath(f.table.csvPath)), QByteArray("8\r\n2\r\n"));
        QCOMPARE(f.window->spreadRules().mixValues.at(1), QStringLiteral("1")); // 旧組 of student 1

        dialog = openSpreadDialog(f);
        QVERIFY(dialog);
        QCOMPARE(child<QLineEdit>(dialog, "marksColumn")->text() + child<QLineEdit>(dialog, "mixColumn")->text(), "82");
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());

        // The next run on the same CSV starts with the same rules.
        QCOMPARE(ConditionsWindow(f.table, Deliverable::varmesto(), f.random).spreadRules(), f.window->spreadRules());

        click(f.w(), "Command3"); // the conditions that come with the example
        QVERIFY(f.activate());
        f.key(Qt::Key_B);
        Dialogs::takeMessages(); // whatever the evening-out reports, the saved classes tell
        QSignalSpy changed(f.window.get(), &ConditionsWindow::drawChanged);
        f.window->setSpreadRules(f.window->spreadRules());
        QCOMPARE(changed.count(), 1); // views of the draw look again
        Dialogs::queueSaveFileName(f.folder.file("kekka.csv"));
        QCOMPARE(f.press("Command5"), QList<Message>());

        // The saved file holds the classes the window shows, every pair of marked students apart.
        const QStringList input = cp932Lines(f.folder.file("nen1.csv")), output = cp932Lines(f.folder.file("kekka.csv"));
        QVERIFY(output.size() > 241);
        std::map<QString, QStringList> classesOfMark;
        for (int r = 1; r <= 240; ++r) {
            QCOMPARE(output[r].section(u',', 0, 0), f.table.records[r].newClass);
            const QString mark = input[r].section(u',', 7, 7);
            QCOMPARE(f.window->spreadRules().marks.at(r), mark);
            if (!mark.isEmpty())
                classesOfMark[mark] << output[r].section(u',', 0, 0);
        }
        QCOMPARE(classesOfMark.size(), size_t(4));
        for (const auto& [mark, classes] : classesOfMark)
            QVERIFY2(QSet<QString>(classes.begin(), classes.end()).size() == classes.size(),
                     qPrintable(mark + u' ' + classes.join(u',')));
    }

    // Which values are refused, with which words, the core's own tests tell; here the dialog stays open.
    void spreadColumnsRefusedKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("mix");
        QTest::addColumn<QString>("message"); // empty: none, and the dialog closes
        QTest::newRow("full-width") << QStringLiteral("８") << ""
            << QStringLiteral("「別のクラスにする印の列」には、1から8までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。");
        QTest::newRow("one column for both") << "2" << "2"
            << QStringLiteral("「別のクラスにする印の列」と「均等に混ぜる列」に同じ列は指定できません。別の列を入力してください。");
        QTest::newRow("both empty: nothing set") << "" << "" << "";
    }
    void spreadColumnsRefusedKeepTheDialogOpen()
    {
        QFETCH(QString, marks);
        QFETCH(QString, mix);
        QFETCH(QString, message);
        ExampleWindow f;
        QVERIFY(f.open(false));
        QPointer<QDialog> dialog = openSpreadDialog(f);
        QVERIFY(dialog);
        typeInto(child<QLineEdit>(dialog, "marksColumn"), marks);
        typeInto(child<QLineEdit>(dialog, "mixColumn"), mix);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.isEmpty() ? QString() : shown.first().text, message);
        QTRY_COMPARE(dialog.isNull(), message.isEmpty());
        QCOMPARE(readBytes(spreadFilePath(f.table.csvPath)), message.isEmpty() ? QByteArray("\r\n\r\n") : QByteArray());
        QVERIFY(f.window->spreadRules() == SpreadRules{});
    }
};

CLASSDIV_GUI_TEST_MAIN(AdjustMenuTest)
#include "tst_adjust_menu.moc"
