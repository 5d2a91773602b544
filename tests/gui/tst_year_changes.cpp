// What the year says changed, and what the windows redraw for it: a hand swap is no new draw, the rules
// are told apart, and the chart redraws a swap without building the search's model of the year again.
// A draw of classes numbered above the table's ten rows is still a draw to the chart.

#include "support/GuiTest.h"
#include "files/YearFiles.h"

#include "division/EvenAverages.h"
#include "division/lists/ClassRoster.h"
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
    SpreadRules rules;
    rules.cells[RuleBox::Mix] = {QString()};
    const QStringList csv = textLines(f.folder.file("nen1.csv"));
    for (int r = 1; r < csv.size(); ++r)
        rules.cells[RuleBox::Mix].push_back(csv[r].section(u',', 1, 1));
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


// The example's groups with 美 and 音 over classes 1-4, ten to fourteen a class, so that one pool of
// 160 students fills four classes of 40; 書 keeps classes 5 and 6.
QByteArray conditionsOfFourClassPool()
{
    const QList<QByteArray> plans{"5,18;6,18", "5,22;6,22", "1,11;2,11;3,10;4,10", "1,9;2,9;3,10;4,10",
                                  "1,10;2,10;3,10;4,10", "1,10;2,10;3,10;4,10"};
    QByteArray text;
    for (const QByteArray& plan : plans) {
        const QList<QByteArray> rows = plan.split(';');
        text += QByteArray::number(rows.size()) + "\r\n";
        for (int k = 0; k < 10; ++k)
            text += (k < rows.size() ? rows[k] : QByteArray("0,0")) + "\r\n";
    }
    return text;
}

// A 性別 column of the teacher's choice: `boysOf4` of the 160 students of classes 1-4 are 男, and half
// of the 80 of 書; the rest 女.
SpreadRules sexesOverPools(const Year& year, int boysOf4)
{
    SpreadRules rules;
    FlagColumn sex{QStringLiteral("性別"), {QString()}};
    int pool = 0, other = 0;
    for (int r = 1; r <= year.students().count(); ++r) {
        const bool boy = year.students()[r].group.startsWith(u'書') ? other++ < 40 : pool++ < boysOf4;
        sex.values.push_back(boy ? QStringLiteral("男") : QStringLiteral("女"));
    }
    rules.columns[RuleBox::Flags].push_back(sex);
    return rules;
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
            QCOMPARE(model.year().rules().cells[RuleBox::Marks].empty(), command.endsWith("refused"));
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
        const auto [a, b] = swapPair(year, &rules.cells[RuleBox::Mix]);
        QVERIFY(a > 0);

        const std::vector<std::vector<int>> drawn = mixCounts(chartView(chart)->year());
        const long before = searchProblemsBuilt();
        QCOMPARE(model.swap(a, b), SwapStatus::Swapped);
        QTRY_VERIFY(mixCounts(chartView(chart)->year()) != drawn);
        const long built = searchProblemsBuilt() - before;
        QCOMPARE(built, 0L);
        QCOMPARE(mixCounts(chartView(chart)->year()),
                 mixCounts(summarizeYear(year.students(), year.classes(), recount(year), rules.cells[RuleBox::Mix])));
        QCOMPARE(chartView(chart)->mixingDeviation(), std::optional<double>(mixingDeviation(year.rules(), year.classes())));
    }

    // Classes 11 to 16 instead of 1 to 6: the press draws them, and the chart shows that draw, not the
    // words of a year not yet divided.
    void theChartShowsADrawOfClassesAboveTen()
    {
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        QVERIFY(writeBytes(YearFiles(f.table.csvPath).conditionsPath(), conditionsRaisedBy(10)));
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

    // The lists' note gives the largest deviation of 性別 after evening out, and names the closest split once
    // where the totals of the pool force one class off an even split; a hand swap past the range is a break
    // instead, and the words go.
    void theListsNameTheClosestSplitWhereTheTotalsForceIt_data()
    {
        QTest::addColumn<int>("boys");
        QTest::addColumn<QString>("largest");
        QTest::addColumn<bool>("forced");
        QTest::newRow("81 boys: one class of 40 holds 21") << 81 << "0.75" << true;
        QTest::newRow("80 boys: 20 in every class") << 80 << "0.00" << false;
        QTest::newRow("82 boys: two classes hold 21") << 82 << "0.50" << false;
    }
    void theListsNameTheClosestSplitWhereTheTotalsForceIt()
    {
        QFETCH(int, boys);
        QFETCH(QString, largest);
        QFETCH(bool, forced);
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        QVERIFY(writeBytes(YearFiles(f.table.csvPath).conditionsPath(), conditionsOfFourClassPool()));
        QCOMPARE(f.press("Command3"), QList<Message>());
        YearModel& model = *f.model;
        model.setRules(sexesOverPools(model.year(), boys));
        f.key(Qt::Key_B);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        const Year& year = model.year();
        QApplication::setActiveWindow(f.w());
        f.key(Qt::Key_L);
        auto* lists = f.w()->findChild<QWidget*>("ClassListWindow");
        QVERIFY(lists);
        QTRY_VERIFY(lists->isVisible());

        // Boys by class, counted here from the column and the classes.
        const TypedColumn& sex = year.rules().typed[RuleBox::Flags][0];
        const auto isBoy = [&](int r) { return sex.values[size_t(sex.of(r))] == u"男"; };
        const auto boysIn = [&](int k) {
            int n = 0;
            for (int r = 1; r <= year.students().count(); ++r)
                n += year.classOf(r) == k && isBoy(r);
            return n;
        };
        int crowded = 0;
        for (int k = 1; k <= 4; ++k) {
            QVERIFY2(boysIn(k) == 20 || boysIn(k) == 21, qPrintable(QString::number(boysIn(k))));
            crowded = boysIn(k) == 21 ? k : crowded;
        }
        const bool boysFirst = sex.values[0] == u"男";
        const QString split = boysFirst ? QStringLiteral("21/19") : QStringLiteral("19/21");
        const QString words = QStringLiteral("男女の数は %1 %2 がいちばん近い分け方です").arg(classLabel(crowded), split);
        auto* note = child<QLabel>(lists, "ruleNote");
        QTRY_VERIFY2(note->text().startsWith(QStringLiteral("散らす列のずれ 性別 ") + largest), qPrintable(note->text()));
        QCOMPARE(note->text().contains(QStringLiteral("がいちばん近い分け方です")), forced);
        QVERIFY2(!forced || note->text().contains(words), qPrintable(note->text()));
        if (!forced)
            return;

        // A boy of the crowded class's group from another class takes a girl's place there: 22 is past the ceiling.
        int girl = 0, boy = 0;
        for (int r = 1; r <= year.students().count() && !boy; ++r)
            if (year.classOf(r) == crowded && !isBoy(r))
                for (int o = 1; o <= year.students().count() && !boy; ++o)
                    if (year.classOf(o) != crowded && year.classOf(o) <= 4 && isBoy(o) && year.students()[o].group == year.students()[r].group)
                        girl = r, boy = o;
        QVERIFY(boy > 0);
        QCOMPARE(model.swap(girl, boy), SwapStatus::Swapped);
        QTRY_VERIFY2(!note->text().contains(QStringLiteral("がいちばん近い分け方です")), qPrintable(note->text()));
        QVERIFY2(note->text().startsWith(QStringLiteral("散らす列のずれ 性別 1.75")), qPrintable(note->text()));
    }
};

CLASSDIV_GUI_TEST_MAIN(YearChangesTest)
#include "tst_year_changes.moc"
