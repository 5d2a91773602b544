// The conditions window through its real widgets on the example year: the entry cycle and its file,
// messages, the real message box and save dialog. Its menu 調整: Ctrl+B, the chart following the draw,
// クラス名簿 with hand swaps, undo and the PDF, the 別クラス・混合の列 dialog and its rules when saved.

#include "support/GuiTest.h"
#include "files/YearFiles.h"

#include "conditions/ConditionsFile.h"
#include "conditions/SpreadColumns.h"
#include "division/lists/ClassSummary.h"
#include "division/lists/ClassSwaps.h"
#include "division/EvenAverages.h"
#include "export/ResultFile.h"
#include "ui/ChartView.h"
#include "ui/ChartWindow.h"

#include <map>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// The conditions of the example year in group order: "class,head count" twice.
const std::vector<std::pair<QString, QStringList>> kYearConditions{
    {"書女", {"5,18", "6,18"}}, {"書男", {"5,22", "6,22"}}, {"美女", {"3,21", "4,21"}},
    {"美男", {"3,19", "4,19"}}, {"音女", {"1,20", "2,20"}}, {"音男", {"1,20", "2,20"}},
};

QLineEdit* planBox(const QWidget* w, int column, int k) { return child<QLineEdit>(w, QStringLiteral("Text%1(%2)").arg(column).arg(k)); }
QComboBox* combo(const QWidget* w) { return child<QComboBox>(w, "Combo1"); }
QLineEdit* text3(const QWidget* w) { return child<QLineEdit>(w, "Text3"); }
QStringList planRows(const QWidget* w) // "class,heads" of the visible rows
{
    QStringList rows;
    for (int k = 1; k <= 10; ++k)
        if (planBox(w, 1, k)->isVisibleTo(w) && planBox(w, 2, k)->isVisibleTo(w))
            rows << planBox(w, 1, k)->text() + u',' + planBox(w, 2, k)->text();
    return rows;
}

// Calls `act` with the top modal widget once it is a T; an unhandled box is closed after ten seconds
// so a broken test fails, not hangs.
template <class T>
void whenModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, act] {
        QWidget* modal = QApplication::activeModalWidget();
        T* wanted = modal && modal->isVisible() ? qobject_cast<T*>(modal) : nullptr;
        timer->stop(); // act may open further boxes while it runs
        if (wanted)
            act(wanted);
        const bool done = wanted || clock.hasExpired(10000);
        if (done && modal && modal->isVisible()) // nobody took it
            modal->close();
        done ? timer->deleteLater() : timer->start();
    });
    timer->start(20);
}

// The largest normalised spread of the example year's score, 50 m time and 数学 that evening out
// reaches in every use, with room (bench_score_columns, README: 0.005-0.006 on average, 0.006-0.011 at worst).
constexpr double kExampleLargestSpread = 0.03;

ChartWindow* chartOf(const ExampleWindow& f) { return f.w()->findChild<ChartWindow*>("ChartWindow"); }
QString line(const QString& label, const QList<double>& values)
{
    QString text = label;
    for (double v : values)
        text += u' ' + QString::number(v);
    return text;
}

// Every box and bar set of the year's figures, one line a set; bars list the classes from the top.
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

// What the chart window draws, as expectedLines(); nothing in its empty state.
ChartView* chartView(const QWidget* chart) { return child<ChartView>(chart, "charts"); }
QStringList chartLines(const QWidget* chart)
{
    return chartView(chart)->isEmpty() ? QStringList() : expectedLines(chartView(chart)->year());
}

QWidget* openLists(const ExampleWindow& f)
{
    QApplication::setActiveWindow(f.w()); // offscreen activates no window by itself
    f.key(Qt::Key_L);
    return f.w()->findChild<QWidget*>("ClassListWindow");
}
std::vector<TableItem> picture(const ExampleWindow& f) { return child<PictureBox>(f.w(), "Picture1")->items(); }

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
    f.key(Qt::Key_K);
    QDialog* dialog = f.w()->findChild<QDialog*>("SpreadDialog");
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
}

} // namespace

class ConditionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QSettings().remove(QStringLiteral("adjust/evenAveragesEveryPress")); }
    void init() { resetDialogs(); Dialogs::setProgramTitle(QStringLiteral("varmesto")); }

    // Every group entered through the keyboard and confirmed; a second window
    // on the same CSV reads the file back.
    void entryCycleWritesTheFileAndASecondWindowReadsItBack()
    {
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        QWidget* w = f.w();
        const QString file = YearFiles(f.table.csvPath).conditionsPath();
        QCOMPARE(combo(w)->currentIndex(), -1); // loaded with no group chosen and no message
        QByteArray expected; // 11 lines a group, CR LF
        for (const auto& [group, rows] : kYearConditions) {
            combo(w)->setFocus();
            QTest::keyClick(combo(w), Qt::Key_Down); // the next entry, as the keyboard chooses it
            QCOMPARE(combo(w)->currentText(), group);
            QCOMPARE(QApplication::focusWidget(), text3(w));
            QCOMPARE(planRows(w).size(), 10);
            QTest::keyClicks(text3(w), QStringLiteral("2"));
            click(w, "Command1");
            QCOMPARE(planRows(w).size(), 2);
            const QStringList typed = rows.join(u',').split(u',');
            for (int i = 0; i < 4; ++i) { // class number, Tab, head count, Tab, row by row
                QCOMPARE(QApplication::focusWidget(), planBox(w, i % 2 + 1, i / 2 + 1));
                QTest::keyClicks(QApplication::focusWidget(), typed[i]);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(f.press("Command2"), QList<Message>());
            expected += "2\r\n" + rows.join("\r\n").toLatin1() + "\r\n" + QByteArray("0,0\r\n").repeated(8);
        }
        QCOMPARE(readBytes(file), expected);

        // The first group given a third row with no students: read back, a 0
        // is shown; chosen again in the list, the row is empty.
        QVERIFY(writeBytes(file, expected.replace(0, 20, "3\r\n5,18\r\n7,0\r\n6,18\r\n")));
        ExampleWindow other; // the year again, with the file written above
        QVERIFY(other.open(false) && writeBytes(YearFiles(other.table.csvPath).conditionsPath(), readBytes(file)));
        QWidget* second = other.w();
        click(second, "Command3");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(combo(second)->currentIndex(), 0);
        QCOMPARE(text3(second)->text(), QStringLiteral("3"));
        QCOMPARE(planRows(second), (QStringList{"5,18", "7,0", "6,18"}));
        combo(second)->setCurrentIndex(5);
        QCOMPARE(planRows(second), kYearConditions[5].second);
        combo(second)->setCurrentIndex(0);
        QCOMPARE(planRows(second), (QStringList{"5,18", ",", "6,18"}));
        QVERIFY(!Dialogs::programEnded());
    }

    void messages_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("entry");
        QTest::addColumn<QString>("press");
        QTest::addColumn<Message>("message");
        QTest::newRow("class count 11") << "11" << QStringList{} << "Command1" << Message{"クラス数に誤りがあります。もう一度入力してください。10クラスまで。", "入力ミス"};
        QTest::newRow("head counts one short") << "2" << QStringList{"5", "18", "6", "17"} << "Command2"
                                               << Message{"入力データに誤りがあります。再入力して確認ボタンを押して下さい。", "入力ミス"};
        QTest::newRow("grand total differs") << "" << QStringList{} << "Command4" << Message{"CSVファイルにある生徒総数と入力した生徒総数が違います。確認して下さい。", ""};
        QTest::newRow("conditions file missing") << "" << QStringList{} << "Command3" << Message{"条件ファイル ファイル名.csvJYOKEN.TXT がありません。", ""};
        QTest::newRow("result not written") << "" << QStringList{} << "Command5" << writeFailedMessage("/no-such-folder/kekka.csv");
    }
    void messages()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, entry);
        QFETCH(QString, press);
        QFETCH(Message, message);
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        if (!count.isEmpty()) {
            combo(f.w())->setCurrentIndex(0); // 書女, 36 students
            typeInto(text3(f.w()), count);
        }
        if (!entry.isEmpty()) {
            click(f.w(), "Command1");
            for (int i = 0; i < 4; ++i)
                typeInto(planBox(f.w(), i % 2 + 1, i / 2 + 1), entry[i]);
        }
        // Two rows through the real modal box: only OK, over the window, titled by the message or the program.
        const bool real = press == "Command1" || press == "Command4";
        QList<Message> shown;
        Dialogs::setRecording(!real);
        if (real)
            whenModal<QMessageBox>([&](QMessageBox* box) {
                const bool asMeant = box->standardButtons() == QMessageBox::Ok && box->isModal() && box->parentWidget() == f.w();
                shown << Message{box->text(), box->windowTitle() + (asMeant ? "" : " <not only OK, modal over the window>")};
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            });
        if (press == "Command5")
            Dialogs::queueSaveFileName("/no-such-folder/kekka.csv");
        click(f.w(), press);
        Dialogs::setRecording(true);
        if (real && message.title.isEmpty())
            message.title = QStringLiteral("varmesto");
        QCOMPARE(real ? shown : Dialogs::takeMessages(), QList<Message>{message});
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(Dialogs::programEnded(), press == "Command3");
        if (press == "Command1") { // the count is cleared, the rows stay
            QCOMPARE(text3(f.w())->text(), QString());
            QCOMPARE(planRows(f.w()).size(), 10);
        }
        if (press == "Command2") // written whether or not the check passed
            QVERIFY(QFile::exists(YearFiles(f.table.csvPath).conditionsPath()));
        if (press == "Command4")
            QVERIFY(child<PictureBox>(f.w(), "Picture1")->items().empty());
    }

    // A year the tables cannot hold: told, shown empty, and every button still harmless.
    void refusedYearIsToldAndStaysUsable()
    {
        StudentTable table;
        table.lineCount = 302; // 301 students, each a group of its own
        for (int r = 1; r <= 301; ++r)
            table.records[r] = {QString::number(r), QString(), QStringLiteral("G%1").arg(r), "50"};
        TempFolder folder;
        table.csvPath = folder.file("many.csv");
        ClockRandomSource random;
        YearSession session(table, random);
        ConditionsWindow window(session, Deliverable::varmesto());
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("エラー発生"));
        QCOMPARE(child<QLabel>(&window, "Label10")->text(), QStringLiteral("0"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char* name : {"Command1", "Command2", "Command4", "Command5"})
            click(&window, name);
        QVERIFY(!Dialogs::programEnded());
        QCOMPARE(combo(&window)->count(), 1);
    }

    // Title, one filter listing .csv in any case, no proposed name, the
    // overwrite question (no keeps the dialog open for another name), no
    // extension added, cancel keeps the last name.
    void realSaveDialog()
    {
        ExampleWindow f;
        QVERIFY(f.open(false));
        for (const char* name : {"old.csv", "other.CSV", "note.txt"})
            QVERIFY(writeBytes(f.folder.file(name), name));
        Dialogs::setRecording(false);
        const auto recordAgain = qScopeGuard([] { Dialogs::setRecording(true); });

        QStringList seen; // title, filters, proposed name, start folder, files listed, open after the first name, question
        auto save = [&](QStringList names, QMessageBox::StandardButton answer) {
            seen.clear();
            whenModal<QFileDialog>([&, names, answer](QFileDialog* dialog) {
                auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
                auto* list = dialog->findChild<QListView*>("listView");
                const QString startFolder = dialog->directory().absolutePath();
                dialog->setDirectory(f.folder.path());
                auto listed = [list] {
                    QStringList names;
                    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                        if (!list->isRowHidden(row))
                            names << list->model()->index(row, 0, list->rootIndex()).data().toString();
                    names.sort();
                    return names.join(u' ');
                };
                (void)QTest::qWaitFor([&] { return listed().contains("old.csv"); }, 5000);
                seen = {dialog->windowTitle(), dialog->nameFilters().join(u'|'), edit->text(), startFolder, listed()};
                for (const QString& name : names) {
                    edit->setText(name); // set whole: typed keys would open the completer's popup
                    if (QFile::exists(f.folder.file(name)))
                        whenModal<QMessageBox>([&seen, answer](QMessageBox* box) {
                            seen << box->text();
                            QTest::mouseClick(box->button(answer), Qt::LeftButton);
                        });
                    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save), Qt::LeftButton);
                    if (name == names.first())
                        seen.insert(5, dialog->isVisible() ? "open" : "closed");
                }
                if (dialog->isVisible()) // cancel, or a dialog that stayed open
                    dialog->reject();
            });
            click(f.w(), "Command5");
        };

        save({"old.csv", "kekka"}, QMessageBox::No); // the start folder is the CSV's, not the current one
        QCOMPARE(seen.mid(0, 6), (QStringList{"CSVファイル保存", "CSV Files(*.CSV)|Excel ブック(*.xlsx)", "", f.folder.path(), "nen1.csv old.csv other.CSV", "open"}));
        QVERIFY2(seen.size() == 7 && seen[6].contains("old.csv"), qPrintable(seen.join(u'|')));
        QCOMPARE(readBytes(f.folder.file("old.csv")), QByteArray("old.csv"));
        // The name typed after no, no extension added.
        QVERIFY(readBytes(f.folder.file("kekka")).startsWith(cp932(QStringLiteral("\"新組\",\"番号\",\"氏名\",\"グループ\",\"点数\"\r\n"))));
        const QStringList files = QDir(f.folder.path()).entryList(QDir::Files);

        save({}, QMessageBox::NoButton); // no name proposed again; cancel writes nothing
        QCOMPARE(seen.mid(2, 2), (QStringList{"", f.folder.path()}));
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files), files);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // For a workbook roster the real dialog opens on the workbook filter and
    // adds .xlsx to a bare name; the CSV filter chosen adds nothing.
    void realSaveDialogOffersTheWorkbook()
    {
        TempFolder folder;
        Dialogs::setRecording(false);
        const auto recordAgain = qScopeGuard([] { Dialogs::setRecording(true); });
        QString filterAtOpen;
        auto answer = [&](bool chooseCsv) {
            whenModal<QFileDialog>([&, chooseCsv](QFileDialog* dialog) {
                filterAtOpen = dialog->selectedNameFilter();
                if (chooseCsv) {
                    auto* filters = dialog->findChild<QComboBox*>("fileTypeCombo");
                    filters->setCurrentIndex(0);
                    emit filters->activated(0);
                }
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText("kekka");
                QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save), Qt::LeftButton);
            });
        };
        answer(false);
        const auto workbook = Dialogs::chooseResultFile(nullptr, folder.path(), true);
        QCOMPARE(filterAtOpen, kWorkbookFilter);
        QVERIFY(workbook && workbook->workbookFilter);
        QCOMPARE(workbook->name, folder.file("kekka.xlsx"));
        answer(true);
        const auto csv = Dialogs::chooseResultFile(nullptr, folder.path(), true);
        QVERIFY(csv && !csv->workbookFilter);
        QCOMPARE(csv->name, folder.file("kekka"));
    }

    void evenOutChartFollowsAndItsPictureIsSaved()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        f.key(Qt::Key_G);
        QTRY_VERIFY(chartOf(f) && chartOf(f)->isVisible());
        ChartWindow* chart = chartOf(f);
        QVERIFY(chartView(chart)->isEmpty());
        QVERIFY(!child<QWidget>(chart, "savePictureButton")->isEnabled());

        // Evening out from no draw presses first; the table shown is that of the students' classes.
        f.key(Qt::Key_B);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        const Year& year = f.window->year();
        QCOMPARE(child<PictureBox>(f.w(), "Picture1")->items(), distributionTableItems(recount(year), 240, true));
        QTRY_COMPARE(chartLines(chart), expectedLines(summarizeYear(year.students(), year.classes(), recount(year), {})));

        // Ctrl+G again keeps the one chart window; a press redraws it.
        f.key(Qt::Key_G);
        QCOMPARE(f.w()->findChildren<ChartWindow*>().size(), 1);
        click(f.w(), "Command4");
        QTRY_COMPARE(chartLines(chart), expectedLines(summarizeYear(year.students(), year.classes(), recount(year), {})));

        // Old classes to mix: a third chart and the deviation; gone again without them.
        SpreadRules rules;
    rules.cells[RuleBox::Mix] = {QString()};
        const QStringList csv = textLines(f.folder.file("nen1.csv"));
        for (int r = 1; r <= 240; ++r)
            rules.cells[RuleBox::Mix].push_back(csv[r].section(u',', 1, 1));
        f.window->model().setRules(rules);
        const YearSummary mixed = summarizeYear(year.students(), year.classes(), recount(year), rules.cells[RuleBox::Mix]);
        QCOMPARE(mixed.mixValues, (QStringList{"1", "2", "3", "4", "5", "6"}));
        QTRY_COMPARE(chartLines(chart), expectedLines(mixed));
        const double deviation = mixingDeviation(year.rules(), year.classes());
        QCOMPARE(chartView(chart)->mixingDeviation(), std::optional<double>(deviation));
        f.window->model().setRules({});
        QTRY_VERIFY(chartView(chart)->year().mixValues.isEmpty() && !chartView(chart)->mixingDeviation());

        // The picture: a whole PNG, or a message and no file.
        const QString png = f.folder.file("graph.png"), unwritable = f.folder.file("missing/graph.png");
        Dialogs::queueSaveFileName(png);
        Dialogs::queueSaveFileName(unwritable);
        click(chart, "savePictureButton");
        click(chart, "savePictureButton");
        const QImage picture(png, "PNG");
        QCOMPARE(picture.size(), chartView(chart)->size());
        for (int s = 1; s <= 6; ++s) { // every band's bars are drawn
            bool found = false;
            for (int y = 0; y < picture.height() && !found; ++y)
                for (int x = 0; x < picture.width() && !found; ++x)
                    found = picture.pixel(x, y) == bandColour(s).rgb();
            QVERIFY2(found, qPrintable(bandColour(s).name()));
        }
        const QList<Message> shown = Dialogs::takeMessages();
        QVERIFY2(shown.size() == 1 && shown.first().title == QStringLiteral("エラー発生") &&
                     shown.first().text.contains(QDir::toNativeSeparators(unwritable)),
                 qPrintable(shown.value(0).text));
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
        const Year& year = f.window->year();
        auto classes = [&year] { return year.classes(); };
        QVERIFY(!openLists(f)); // nothing drawn yet
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kNoDrawForListsMessage, QString()}}));
        click(f.w(), "Command4");
        QWidget* lists = openLists(f);
        QVERIFY(lists);
        QTRY_VERIFY(lists->isVisible());
        QCOMPARE(lists->windowTitle(), QStringLiteral("クラス名簿"));
        auto* swap = child<QPushButton>(lists, "swapButton");
        auto* undo = child<QPushButton>(lists, "undoButton");
        const std::vector<int16_t> drawn = classes();
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
        QCOMPARE(std::pair(year.classOf(a), year.classOf(b)), std::pair(6, 5));
        QCOMPARE(picture(f), distributionTableItems(recount(year), 240, true));
        QVERIFY(picture(f) != drawnPicture);
        for (int k : {5, 6}) { // each header shows the table's average (item 7 of the class's row)
            const QString average = picture(f)[9 + (k - 1) * 10 + 7].text.trimmed();
            QVERIFY(child<QLabel>(lists, QStringLiteral("classHeader%1").arg(k))->text().contains("平均 " + average));
        }
        QVERIFY(!child<QLabel>(lists, "ruleNote")->text().isEmpty());

        click(lists, "undoButton");
        QCOMPARE(classes(), drawn);
        QCOMPARE(picture(f), drawnPicture);
        QVERIFY(!undo->isEnabled());

        // A press after a swap asks first; no keeps the swap, yes shows the new draw's table alone.
        swapPicked(lists, 5, 6, "書女");
        const std::vector<int16_t> swapped = classes();
        for (bool yes : {false, true}) {
            Dialogs::queueAnswer(yes);
            QCOMPARE(f.press("Command4"), QList<Message>{replaceSwapsQuestion(1)});
            QCOMPARE(year.swaps().count(), yes ? 0 : 1);
            QVERIFY(yes || classes() == swapped);
        }
        QVERIFY(!undo->isEnabled());
        QCOMPARE(picture(f), distributionTableItems(recount(year), 240, true));

        // The PDF: every name once, read back by pdftotext; an unwritable folder says so and leaves nothing.
        const QString pdf = f.folder.file("meibo.pdf"), refused = f.folder.file("missing/meibo.pdf");
        // The button asks for the meeting sheets' choices first; its OK then asks where to save.
        for (const QString& name : {pdf, refused}) {
            Dialogs::queueSaveFileName(name);
            click(lists, "pdfButton");
            QPointer<QDialog> dialog = lists->findChild<QDialog*>("MeetingSheetDialog");
            QVERIFY(dialog);
            click(dialog, "okButton");
            QCOMPARE(Dialogs::takeMessages(), name == pdf ? QList<Message>() : QList<Message>{writeFailedMessage(refused, fileNames::pdf)});
            if (name == refused) // a failed write keeps the dialog open for another place
                dialog->reject();
            QTRY_VERIFY(!dialog);
        }
        QVERIFY(!QDir(f.folder.file("missing")).exists());
#ifdef Q_OS_WIN
        QVERIFY(QFileInfo(pdf).size() > 0); // the reader below is a Linux program, which cannot open C:\...
#else
        const QString text = pdfText(pdf);
        QVERIFY2(!text.isEmpty(), "pdftotext read nothing");
        QCOMPARE(text.count(QStringLiteral("クラス名簿")), 6);
        QStringList names;
        for (int r = 1; r <= 240; ++r)
            names << withoutBlanks(year.students()[r].name);
        for (const QString& name : names) // a name inside another name counts there too
            QCOMPARE(text.count(name), names.join(u'|').count(name));
#endif

        swapPicked(lists, 1, 2, "音女");
        const std::vector<int16_t> kept = classes();
        lists->close(); // only a view: closing keeps the swap and its undo
        QTRY_VERIFY(!f.w()->findChild<QWidget*>("ClassListWindow"));
        QCOMPARE(classes(), kept);
        QCOMPARE(year.swaps().count(), 1);
    }

    void rulesByKeyboardStoredShownAgainAndKeptInTheSavedClasses()
    {
        ExampleWindow f;
        QVERIFY(f.open(false));
        // Refused values keep the dialog open and store nothing; which values, with which words, the core's
        // tests tell. All boxes empty close it and set nothing; the example's rule columns are stored and set:
        // 8 別クラス, 2 旧組, 9 同じクラス, 10 クラス指定, 11 and 12 the flags.
        const char* const boxes[] = {"marksColumn", "mixColumn", "togetherColumn", "fixedColumn", "flagColumns"};
        const std::vector<std::tuple<QStringList, QString, QByteArray>> entries{
            {{QStringLiteral("８"), "", "", "", ""}, QStringLiteral("「別のクラスにする印の列」には、1から14までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。"), ""},
            {{"8", "2", "", "", "2"}, QStringLiteral("「均等に混ぜる列」と「均等に散らす列」に同じ列は指定できません。別の列を入力してください。"), ""},
            {{"", "", "", "", ""}, "", "\r\n\r\n"},
            {{"8", "2", "9", "10", QStringLiteral("11、12")}, "", "8\r\n2\r\n9\r\n10\r\n11,12\r\n"}};
        for (const auto& [typed, message, stored] : entries) {
            QPointer<QDialog> dialog = openSpreadDialog(f);
            QVERIFY(dialog);
            for (int b = 0; b < 5; ++b) {
                QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(boxes[b]));
                typeInto(child<QLineEdit>(dialog, boxes[b]), typed[b]);
                QTest::keyClick(QApplication::focusWidget(), b < 4 ? Qt::Key_Tab : Qt::Key_Return);
            }
            const QList<Message> shown = Dialogs::takeMessages();
            QCOMPARE(shown.isEmpty() ? QString() : shown.first().text, message);
            QTRY_COMPARE(dialog.isNull(), message.isEmpty());
            QCOMPARE(readBytes(YearFiles(f.table.csvPath).rulesPath()), stored);
            if (stored.size() < 10)
                QVERIFY(f.window->year().rules() == SpreadRules{});
            if (dialog)
                QTest::keyClick(dialog, Qt::Key_Escape);
            QTRY_VERIFY(dialog.isNull());
        }
        const SpreadRules& rules = f.window->year().rules();
        QCOMPARE(rules.cells[RuleBox::Mix].at(1), QStringLiteral("1")); // 旧組 of student 1
        QCOMPARE(rules.columns[RuleBox::Flags].size(), size_t(2));
        QCOMPARE(rules.columns[RuleBox::Flags][1].name, QStringLiteral("ピアノ"));

        QPointer<QDialog> dialog = openSpreadDialog(f);
        QVERIFY(dialog);
        QStringList shownAgain;
        for (const char* box : boxes)
            shownAgain << child<QLineEdit>(dialog, box)->text();
        QCOMPARE(shownAgain, (QStringList{"8", "2", "9", "10", "11,12"}));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());

        // The next run on the same CSV starts with the same rules.
        QCOMPARE(YearModel(f.table).year().rules(), f.window->year().rules());

        // Evened out twice: both saved files keep every rule, and the second is another division.
        click(f.w(), "Command3"); // the conditions that come with the example
        const QStringList input = textLines(f.folder.file("nen1.csv"));
        QStringList saved;
        for (const QString name : {"kekka1.csv", "kekka2.csv"}) {
            f.key(Qt::Key_B);
            QCOMPARE(Dialogs::takeMessages(), QList<Message>()); // no rule left unmet, and another division found
            Dialogs::queueSaveFileName(f.folder.file(name));
            QCOMPARE(f.press("Command5"), QList<Message>());
            const QStringList output = textLines(f.folder.file(name));
            QVERIFY(output.size() > 241);
            std::map<QString, QStringList> classesOf[3]; // mark, together value, flag
            for (int r = 1; r <= 240; ++r) {
                const QString newClass = output[r].section(u',', 0, 0);
                QCOMPARE(newClass, QString::number(f.window->year().classOf(r)));
                const QStringList in = input[r].split(u',');
                QCOMPARE(rules.cells[RuleBox::Marks].at(r), in[7]);
                if (!in[9].isEmpty())
                    QCOMPARE(newClass, in[9]);
                if (!in[7].isEmpty())
                    classesOf[0][in[7]] << newClass;
                if (!in[8].isEmpty())
                    classesOf[1][in[8]] << newClass;
                for (int flag : {10, 11})
                    if (!in[flag].isEmpty())
                        classesOf[2][QString::number(flag)] << newClass;
            }
            QCOMPARE(classesOf[0].size(), size_t(4));
            for (const auto& [mark, classes] : classesOf[0])
                QVERIFY2(QSet<QString>(classes.begin(), classes.end()).size() == classes.size(), qPrintable(mark + u' ' + classes.join(u',')));
            QCOMPARE(classesOf[1].size(), size_t(4));
            for (const auto& [value, classes] : classesOf[1])
                QVERIFY2(QSet<QString>(classes.begin(), classes.end()).size() == 1, qPrintable(value + u' ' + classes.join(u',')));
            // Each pair of classes 1-2, 3-4, 5-6 takes its groups' students forty and forty: its flag holders
            // split evenly, one more on one side at most.
            QCOMPARE(classesOf[2].size(), size_t(2));
            for (const auto& [flag, classes] : classesOf[2])
                for (int k = 1; k <= 5; k += 2) {
                    const auto one = classes.count(QString::number(k)), other = classes.count(QString::number(k + 1));
                    QVERIFY2(std::abs(one - other) <= 1, qPrintable(flag + u' ' + classes.join(u',')));
                }
            saved << output.join(u'\n');
        }
        QVERIFY(saved[0] != saved[1]);
    }

    // The example's 50 m time (column 13, four absent) and 数学 (column 14) evened with the score: typed
    // in the last box, evened by Ctrl+B, shown in the lists and the chart, and even in the saved file.
    void scoreColumnsThroughTheDialogEvenTheSavedFile()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QPointer<QDialog> dialog = openSpreadDialog(f);
        QVERIFY(dialog);
        for (int b = 0; b < 5; ++b)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("scoreColumns"));
        typeInto(child<QLineEdit>(dialog, "scoreColumns"), QStringLiteral("13、14"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(readBytes(YearFiles(f.table.csvPath).rulesPath()), QByteArray("\r\n\r\n\r\n\r\n\r\n13,14\r\n"));

        f.key(Qt::Key_B);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        Dialogs::queueSaveFileName(f.folder.file("kekka.csv"));
        QCOMPARE(f.press("Command5"), QList<Message>());
        const QStringList output = textLines(f.folder.file("kekka.csv"));
        QVERIFY(output.size() > 241);
        std::vector<int16_t> saved(241, 0);
        for (int r = 1; r <= 240; ++r)
            saved[static_cast<size_t>(r)] = static_cast<int16_t>(output[r].section(u',', 0, 0).toInt());
        // Against the benchmark's figure for the example year (kExampleLargestSpread).
        const ScoreColumnSpreads spreads = scoreColumnSpreads(f.window->year(), saved);
        QCOMPARE(spreads.normalised.size(), size_t(3));
        QVERIFY2(spreads.largest <= kExampleLargestSpread, qPrintable(QString::number(spreads.largest)));
        QVERIFY(spreads.largest >= *std::max_element(spreads.normalised.begin(), spreads.normalised.end()) - 1e-12);

        QWidget* lists = openLists(f);
        QVERIFY(lists);
        QTRY_VERIFY(child<QLabel>(lists, "classHeader1")->text().contains(QStringLiteral("50m走 ")));
        QVERIFY(child<QLabel>(lists, "classHeader1")->text().contains(QStringLiteral("数学 ")));
        QVERIFY(child<QLabel>(lists, "ruleNote")->text().contains(QString::number(spreads.largest, 'f', 3)));
        f.key(Qt::Key_G);
        QTRY_VERIFY(chartOf(f));
        QCOMPARE(chartView(chartOf(f))->extraScores().size(), size_t(2));
        QCOMPARE(chartView(chartOf(f))->extraScores()[0].name, QStringLiteral("50m走"));
    }
};

CLASSDIV_GUI_TEST_MAIN(ConditionsWindowTest)
#include "tst_conditions_window.moc"
