// What the year says changed, and what the windows redraw for it: a hand swap is no new draw, the rules
// are told apart, and the chart redraws a swap without building the search's model of the year again.
// A draw of classes numbered above the table's ten rows is still a draw to the chart.

#include "support/GuiTest.h"

#include "division/EvenAverages.h"
#include "division/lists/ClassSummary.h"
#include "ui/ChartView.h"
#include "ui/ChartWindow.h"

#include <QSignalSpy>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// Two students of one group in different classes; with `mix`, also of different values of the mixing column.
std::pair<int, int> swapPair(const Year& year, const std::vector<QString>* mix = nullptr)
{
    const int n = year.students().count();
    for (int a = 1; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b)
            if (year.students()[a].group == year.students()[b].group && year.classOf(a) != year.classOf(b) &&
                (!mix || (*mix)[size_t(a)] != (*mix)[size_t(b)]))
                return {a, b};
    return {0, 0};
}

// Two students of one class.
std::pair<int, int> sameClassPair(const Year& year)
{
    for (int b = 2; b <= year.students().count(); ++b)
        if (year.classOf(1) == year.classOf(b))
            return {1, b};
    return {0, 0};
}

// The example's 旧組 (column 2) as the mixing column.
SpreadRules oldClassesToMix(const ExampleWindow& f)
{
    SpreadRules rules{{}, {QString()}};
    const QStringList csv = textLines(f.folder.file("nen1.csv"));
    for (int r = 1; r < csv.size(); ++r)
        rules.mixValues.push_back(csv[r].section(u',', 1, 1));
    return rules;
}

ChartWindow* openChart(const ExampleWindow& f)
{
    f.key(Qt::Key_G);
    auto* chart = f.w()->findChild<ChartWindow*>("ChartWindow");
    return chart && QTest::qWaitFor([chart] { return chart->isVisible(); }) ? chart : nullptr;
}
ChartView* chartView(const QWidget* chart) { return child<ChartView>(chart, "charts"); }

std::vector<std::vector<int>> mixCounts(const YearSummary& year)
{
    std::vector<std::vector<int>> counts;
    for (const ClassSummary& c : year.classes)
        counts.push_back(c.mixCounts);
    return counts;
}

std::vector<int> classNumbers(const YearSummary& year)
{
    std::vector<int> numbers;
    for (const ClassSummary& c : year.classes)
        numbers.push_back(c.classNumber);
    return numbers;
}

// The example's conditions file with every class number raised by `by`.
QByteArray conditionsRaisedBy(int by)
{
    QByteArray raised;
    const QByteArray example = readBytes(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/nen1.csvJYOKEN.TXT"));
    for (const QByteArray& line : example.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (line.isEmpty())
            continue;
        raised += fields.size() == 2 && fields[0].toInt() > 0
                      ? QByteArray::number(fields[0].toInt() + by) + ',' + fields[1] + "\r\n"
                      : line.trimmed() + "\r\n";
    }
    return raised;
}

} // namespace

class YearChangesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QSettings().remove(QStringLiteral("adjust/evenAveragesEveryPress")); }
    void init() { resetDialogs(); }

    // Each command on a drawn year, and the signals it gives: drawChanged, rulesChanged, swapped.
    void eachChangeIsToldForWhatItIs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("told");
        QTest::newRow("press") << "press" << QList<int>{1, 0, 0};
        QTest::newRow("press by number") << "press by number" << QList<int>{1, 0, 0};
        QTest::newRow("draft opened") << "draft opened" << QList<int>{1, 0, 0};
        QTest::newRow("hand swap") << "hand swap" << QList<int>{0, 0, 1};
        QTest::newRow("undo of a swap") << "undo" << QList<int>{0, 0, 1};
        QTest::newRow("swap refused") << "swap refused" << QList<int>{0, 0, 0};
        QTest::newRow("rules set") << "rules set" << QList<int>{0, 1, 0};
        QTest::newRow("rule columns accepted") << "rule columns accepted" << QList<int>{0, 1, 0};
        QTest::newRow("rule columns refused") << "rule columns refused" << QList<int>{0, 0, 0};
    }
    void eachChangeIsToldForWhatItIs()
    {
        QFETCH(QString, command);
        QFETCH(QList<int>, told);
        ExampleWindow f;
        QVERIFY(f.open());
        YearModel& model = *f.model;
        QCOMPARE(f.press("Command4"), QList<Message>());
        const auto [a, b] = swapPair(model.year());
        QVERIFY(a > 0);
        if (command == "undo")
            QCOMPARE(model.swap(a, b), SwapStatus::Swapped);
        if (command == "draft opened")
            QVERIFY(!model.keepDraft(QStringLiteral("案A")));

        QSignalSpy draw(&model, &YearModel::drawChanged), rules(&model, &YearModel::rulesChanged),
            swapped(&model, &YearModel::swapped);
        if (command == "press")
            QCOMPARE(f.press("Command4"), QList<Message>());
        else if (command == "press by number")
            QVERIFY(model.pressNumber(12345).drawn);
        else if (command == "draft opened")
            QVERIFY(!model.openDraft(0));
        else if (command == "hand swap")
            QCOMPARE(model.swap(a, b), SwapStatus::Swapped);
        else if (command == "undo")
            QVERIFY(model.undoSwap());
        else if (command == "swap refused")
            QCOMPARE(model.swap(sameClassPair(model.year()).first, sameClassPair(model.year()).second), SwapStatus::SameClass);
        else if (command == "rules set")
            model.setRules(oldClassesToMix(f));
        else if (command == "rule columns accepted")
            QVERIFY(model.acceptSpreadColumns({"8", "2"}).rules);
        else if (command == "rule columns refused")
            QVERIFY(model.acceptSpreadColumns({QStringLiteral("８")}).message);
        QCOMPARE((QList<int>{int(draw.count()), int(rules.count()), int(swapped.count())}), told);
        if (command.startsWith("rule columns")) // the year took exactly what the dialog's OK gave
            QCOMPARE(model.year().rules().marks.empty(), command.endsWith("refused"));
    }

    // A hand swap changes the chart's figures of the classes; the model the search builds of the year
    // stays as it was, so the chart must not build it again.
    void aSwapRedrawsTheChartWithoutBuildingTheSearchModel()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        YearModel& model = *f.model;
        const SpreadRules rules = oldClassesToMix(f);
        model.setRules(rules);
        QCOMPARE(f.press("Command4"), QList<Message>());
        ChartWindow* chart = openChart(f);
        QVERIFY(chart);
        QTRY_VERIFY(chartView(chart)->mixingDeviation().has_value());
        const Year& year = model.year();
        const auto [a, b] = swapPair(year, &rules.mixValues);
        QVERIFY(a > 0);

        const std::vector<std::vector<int>> drawn = mixCounts(chartView(chart)->year());
        const long before = searchProblemsBuilt();
        QCOMPARE(model.swap(a, b), SwapStatus::Swapped);
        QTRY_VERIFY(mixCounts(chartView(chart)->year()) != drawn);
        const long built = searchProblemsBuilt() - before;
        QCOMPARE(built, 0L);
        QCOMPARE(mixCounts(chartView(chart)->year()),
                 mixCounts(summarizeYear(year.students(), year.classes(), recount(year), rules.mixValues)));
        QCOMPARE(chartView(chart)->mixingDeviation(), std::optional<double>(mixingDeviation(year)));
    }

    // Classes 11 to 16 instead of 1 to 6: the press draws them, and the chart shows that draw, not the
    // words of a year not yet divided.
    void theChartShowsADrawOfClassesAboveTen()
    {
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        QVERIFY(writeBytes(conditionsFilePath(f.table.csvPath), conditionsRaisedBy(10)));
        QCOMPARE(f.press("Command3"), QList<Message>());
        ChartWindow* chart = openChart(f);
        QVERIFY(chart);
        QVERIFY(chartView(chart)->isEmpty());
        QVERIFY(!child<QWidget>(chart, "savePictureButton")->isEnabled());

        QCOMPARE(f.press("Command4"), QList<Message>());
        const Year& year = f.window->year();
        QVERIFY(year.hasDraw());
        QVERIFY(std::all_of(year.classes().begin() + 1, year.classes().end(), [](int16_t k) { return k >= 11 && k <= 16; }));
        QTRY_VERIFY(!chartView(chart)->isEmpty());
        QVERIFY(child<QWidget>(chart, "savePictureButton")->isEnabled());
        QCOMPARE(classNumbers(chartView(chart)->year()), (std::vector<int>{11, 12, 13, 14, 15, 16}));
    }
};

CLASSDIV_GUI_TEST_MAIN(YearChangesTest)
#include "tst_year_changes.moc"
