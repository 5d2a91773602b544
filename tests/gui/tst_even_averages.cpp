// The menu 調整 on the example year: Ctrl+B, the chart by Ctrl+G following the
// draw, its picture, the remembered choice.
// The result file after Ctrl+B: tst_spread_columns.

#include "support/GuiTest.h"

#include "division/ClassSummary.h"
#include "division/EvenAverages.h"
#include "ui/ChartWindow.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

#include <QtCharts/QAbstractBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QChartView>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSettings>

#include <algorithm>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

ChartWindow* chartOf(const ExampleWindow& f) { return f.w()->findChild<ChartWindow*>("ChartWindow"); }
DistributionTable recount(const StudentTable& table)
{
    DistributionTable d;
    fillDistributionTable(table, d);
    return d;
}

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

} // namespace

class EvenAveragesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QSettings().remove(QStringLiteral("adjust/evenAveragesEveryPress")); }

    void evenOutChartFollowsAndBothFilesAreWritten()
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
};

CLASSDIV_GUI_TEST_MAIN(EvenAveragesTest)
#include "tst_even_averages.moc"
