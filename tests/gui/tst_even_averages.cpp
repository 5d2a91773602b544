// The menu 調整 of the conditions window on the example year: evening out by
// Ctrl+B, the chart window by Ctrl+G following the draw, its picture saved,
// and the every-press choice remembered. With CLASSDIV_SCREENSHOTS set,
// `screenshots` takes the pictures of the menu and the chart for the manual.

#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "division/ClassSummary.h"
#include "division/EvenAverages.h"
#include "ui/ChartWindow.h"
#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

#include <QtCharts/QBarSet>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalStackedBarSeries>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>

#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

const QString kEveryPressKey = QStringLiteral("adjust/evenAveragesEveryPress");

QStringList fileLines(const QString& path)
{
    const std::optional<DecodedText> decoded = decodeText(readBytes(path));
    return decoded ? decoded->text.split(QStringLiteral("\r\n")) : QStringList();
}

struct Fixture {
    TempFolder folder;
    StudentTable table;
    ClockRandomSource random;
    std::unique_ptr<ConditionsWindow> window;

    // The example year with its conditions read back, the window active.
    bool open()
    {
        if (!copyExamples(folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}) || !readExampleYear(folder.path(), table))
            return false;
        window = std::make_unique<ConditionsWindow>(table, Deliverable::varmesto(), random);
        window->show();
        click(window.get(), "Command3");
        return QTest::qWaitForWindowExposed(window.get()) && activate();
    }
    QWidget* w() const { return window.get(); }
    // Shortcuts reach only the active window, as on the desktop.
    bool activate() const
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    void press(Qt::Key key) const { QTest::keyClick(window.get(), key, Qt::ControlModifier); }
    ChartWindow* chart() const { return window->findChild<ChartWindow*>(QStringLiteral("ChartWindow")); }
};

DistributionTable recount(const StudentTable& table)
{
    DistributionTable d;
    fillDistributionTable(table, d);
    return d;
}

template <class Series>
Series* seriesOf(const QWidget* chart, const char* view)
{
    const QList<QAbstractSeries*> all = child<QChartView>(chart, view)->chart()->series();
    return all.isEmpty() ? nullptr : qobject_cast<Series*>(all.first());
}

// What the chart shows against the figures of the year: empty when they agree.
QString chartMismatch(const QWidget* chart, const YearSummary& year)
{
    auto* boxes = seriesOf<QBoxPlotSeries>(chart, "boxPlotView");
    auto* bands = seriesOf<QHorizontalStackedBarSeries>(chart, "bandView");
    if (!boxes || !bands || boxes->count() != int(year.classes.size()) || bands->count() != 6)
        return QStringLiteral("series missing");
    for (int i = 0; i < boxes->count(); ++i) {
        const ClassSummary& c = year.classes[i];
        const QBoxSet* set = boxes->boxSets()[i];
        const BoxFigures shown{set->at(QBoxSet::LowerExtreme), set->at(QBoxSet::LowerQuartile), set->at(QBoxSet::Median),
                               set->at(QBoxSet::UpperQuartile), set->at(QBoxSet::UpperExtreme)};
        if (set->label() != c.label || !(shown == c.box))
            return QStringLiteral("box of %1").arg(c.label);
        const int bar = boxes->count() - 1 - i; // the bars list the classes from the top
        for (int s = 1; s <= 6; ++s)
            if (bands->barSets()[s - 1]->at(bar) != c.bandCounts[s] || bands->barSets()[s - 1]->label() != year.bandLabels[s])
                return QStringLiteral("band %1 of %2").arg(s).arg(c.label);
    }
    return QString();
}

// The screen cut to the window (and its open menu), with ImageMagick's import.
bool capture(const QRect& area, const QString& path)
{
    QTest::qWait(400); // let the X server show what Qt has just drawn
    const QRect r = area.adjusted(-8, -8, 8, 8);
    const QString crop = QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    return QProcess::execute("import", {"-window", "root", "-crop", crop, "+repage", path}) == 0;
}

} // namespace

class EvenAveragesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true); // never the teacher's own settings
        QSettings().remove(kEveryPressKey);
    }
    void init()
    {
        Dialogs::setRecording(true);
        Dialogs::takeMessages();
    }

    void evenOutChartFollowsAndBothFilesAreWritten()
    {
        Fixture f;
        QVERIFY(f.open());
        f.press(Qt::Key_G);
        QTRY_VERIFY(f.chart() && f.chart()->isVisible());
        auto* pages = child<QStackedWidget>(f.chart(), "chartPages");
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("emptyLabel"));
        QVERIFY(!child<QWidget>(f.chart(), "savePictureButton")->isEnabled());

        // Evening out from no draw at all presses first; the table shown is that of the students' classes.
        QVERIFY(f.activate());
        f.press(Qt::Key_B);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QVERIFY(!child<PictureBox>(f.w(), "Picture1")->items().empty());
        QCOMPARE(child<PictureBox>(f.w(), "Picture1")->items(),
                 distributionTableItems(recount(f.table), f.table.studentCount()));
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("charts"));
        QCOMPARE(chartMismatch(f.chart(), summarizeYear(f.table, recount(f.table), {})), QString());
        QVERIFY(!child<QWidget>(f.chart(), "mixDeviationLabel")->isVisibleTo(f.chart()));

        // Ctrl+G again raises the one chart window; a press redraws it.
        QVERIFY(f.activate());
        f.press(Qt::Key_G);
        QCOMPARE(f.window->findChildren<ChartWindow*>().size(), 1);
        click(f.w(), "Command4");
        QCOMPARE(chartMismatch(f.chart(), summarizeYear(f.table, recount(f.table), {})), QString());

        // The result file holds the classes the window shows.
        const QString result = f.folder.file("kekka.csv");
        Dialogs::queueSaveFileName(result);
        click(f.w(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        const QStringList lines = fileLines(result);
        QVERIFY(lines.size() > 241);
        for (int r = 1; r <= 240; ++r)
            QCOMPARE(lines[r].section(u',', 0, 0), f.table.records[r].newClass);

        // Old classes to mix: a third chart with the deviation, gone again without them.
        SpreadRules rules;
        rules.mixValues.resize(1);
        const QStringList csv = fileLines(f.folder.file("nen1.csv"));
        for (int r = 1; r <= 240; ++r)
            rules.mixValues.push_back(csv[r].section(u',', 1, 1));
        f.window->setSpreadRules(rules);
        const YearSummary mixed = summarizeYear(f.table, recount(f.table), rules.mixValues);
        QCOMPARE(mixed.mixValues.size(), 6);
        auto* mixBars = seriesOf<QHorizontalStackedBarSeries>(f.chart(), "mixView");
        QVERIFY(mixBars && child<QWidget>(f.chart(), "mixView")->isVisibleTo(f.chart()));
        QCOMPARE(mixBars->count(), 6);
        for (int v = 0; v < 6; ++v) {
            QCOMPARE(mixBars->barSets()[v]->label(), mixed.mixValues[v]);
            for (int i = 0; i < 6; ++i)
                QCOMPARE(mixBars->barSets()[v]->at(5 - i), double(mixed.classes[i].mixCounts[v]));
        }
        const double deviation = mixingDeviation(f.window->workspace(), f.table, rules);
        QVERIFY(child<QLabel>(f.chart(), "mixDeviationLabel")->text().contains(QString::number(deviation, 'f', 1)));
        f.window->setSpreadRules({});
        QVERIFY(!child<QWidget>(f.chart(), "mixView")->isVisibleTo(f.chart()));

        // The picture: a whole PNG, or a message and no file at all.
        const QString png = f.folder.file("graph.png");
        Dialogs::queueSaveFileName(png);
        click(f.chart(), "savePictureButton");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QVERIFY(readBytes(png).startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(QImage(png).size(), child<QWidget>(f.chart(), "charts")->size());
        const QString unwritable = f.folder.file("missing/graph.png");
        Dialogs::queueSaveFileName(unwritable);
        click(f.chart(), "savePictureButton");
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("エラー発生"));
        QVERIFY(shown.first().text.contains(QDir::toNativeSeparators(unwritable)));
        QVERIFY(!QFileInfo::exists(unwritable));
    }

    void everyPressChoiceIsRemembered()
    {
        for (const bool on : {true, false}) {
            Fixture f;
            QVERIFY(f.open());
            auto* everyPress = child<QAction>(f.w(), "actionBalanceEveryPress");
            QCOMPARE(everyPress->isChecked(), !on); // off the first time, then as the last window left it
            everyPress->trigger();
            QCOMPARE(everyPress->isChecked(), on);
            Fixture next;
            QVERIFY(next.open());
            QCOMPARE(child<QAction>(next.w(), "actionBalanceEveryPress")->isChecked(), on);
        }
    }

    void screenshots()
    {
        const QString out = qEnvironmentVariable("CLASSDIV_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("CLASSDIV_SCREENSHOTS is not set");
        const QString target = QDir(out).absolutePath();
        Fixture f;
        QVERIFY(f.open());
        click(f.w(), "Command4");
        auto* bar = child<QMenuBar>(f.w(), "menuBar");
        auto* menu = child<QMenu>(f.w(), "menuAdjust");
        bar->setActiveAction(menu->menuAction());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(capture(f.w()->frameGeometry().united(menu->geometry()), target + QStringLiteral("/form3-menu.png")));
        menu->close();
        f.press(Qt::Key_B);
        f.press(Qt::Key_G);
        QTRY_VERIFY(f.chart() && QTest::qWaitForWindowExposed(f.chart()));
        f.chart()->move(f.chart()->screen()->availableGeometry().topLeft());
        QVERIFY(capture(f.chart()->frameGeometry(), target + QStringLiteral("/chart.png")));
    }
};

CLASSDIV_GUI_TEST_MAIN(EvenAveragesTest)
#include "tst_even_averages.moc"
