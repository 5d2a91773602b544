#include "ui/ChartWindow.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "division/ClassSummary.h"
#include "division/EvenAverages.h"
#include "ui/YearModel.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace classdiv {

namespace {

// From the top band to the bottom one: blues above the average, reds below,
// so a class short of one end stands out at a glance.
const std::array<QColor, 7> kBandColours{QColor(),          QColor(0x21, 0x66, 0xac), QColor(0x67, 0xa9, 0xcf),
                                         QColor(0xd1, 0xe5, 0xf0), QColor(0xfd, 0xdb, 0xc7), QColor(0xef, 0x8a, 0x62),
                                         QColor(0xb2, 0x18, 0x2b)};

QFont chartFont(double pointSize) { return layoutFont(kFontPGothic, pointSize); }

QChart* newChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(chartFont(11));
    chart->legend()->setFont(chartFont(9));
    chart->setAnimationOptions(QChart::NoAnimation); // the picture must be complete when saved
    return chart;
}

void styleAxis(QAbstractAxis* axis)
{
    axis->setLabelsFont(chartFont(9));
    axis->setTitleFont(chartFont(9));
}

QBarCategoryAxis* classAxis(const YearSummary& year)
{
    auto* axis = new QBarCategoryAxis;
    for (const ClassSummary& c : year.classes)
        axis->append(c.label);
    styleAxis(axis);
    return axis;
}

QValueAxis* countAxis(const std::vector<int>& totals)
{
    auto* axis = new QValueAxis;
    const int most = totals.empty() ? 1 : std::max(1, *std::max_element(totals.begin(), totals.end()));
    axis->setRange(0, most);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(QStringLiteral("人数"));
    styleAxis(axis);
    return axis;
}

// Horizontal stacked bars: a bar per class, １組 at the top as in the table's
// rows, the sets from left to right. The category axis of a horizontal bar
// chart runs upwards and will not reverse, so the classes go in last first.
void addClassBars(QChart* chart, const YearSummary& year, const std::vector<QBarSet*>& sets,
                  const std::function<int(const ClassSummary&, size_t)>& count, Qt::Alignment legend)
{
    auto* bars = new QHorizontalStackedBarSeries;
    auto* classes = new QBarCategoryAxis;
    std::vector<int> totals;
    for (auto c = year.classes.rbegin(); c != year.classes.rend(); ++c) {
        classes->append(c->label);
        int total = 0;
        for (size_t i = 0; i < sets.size(); ++i) {
            sets[i]->append(count(*c, i));
            total += count(*c, i);
        }
        totals.push_back(total);
    }
    for (QBarSet* set : sets)
        bars->append(set);
    chart->addSeries(bars);
    styleAxis(classes);
    QValueAxis* counts = countAxis(totals);
    chart->addAxis(classes, Qt::AlignLeft);
    chart->addAxis(counts, Qt::AlignBottom);
    bars->attachAxis(classes);
    bars->attachAxis(counts);
    chart->legend()->setAlignment(legend);
}

} // namespace

ChartWindow::ChartWindow(YearModel& model, QWidget* parent) : QWidget(parent, Qt::Window), m_model(model)
{
    setObjectName(QStringLiteral("ChartWindow"));
    setWindowTitle(QStringLiteral("成績分布グラフ"));
    setFont(layoutFont(kFontPMincho, 9));

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("chartPages"));
    auto* empty = new QLabel(
        QStringLiteral("まだクラス分けをしていません。\n"
                       "「分布表表示(何回もクリック)」を押すと、ここにクラスごとの成績分布が出ます。"),
        m_pages);
    empty->setObjectName(QStringLiteral("emptyLabel"));
    empty->setAlignment(Qt::AlignCenter);
    empty->setFont(layoutFont(kFontPMincho, 12));
    m_pages->addWidget(empty);

    m_charts = new QWidget(m_pages);
    m_charts->setObjectName(QStringLiteral("charts"));
    m_charts->setAutoFillBackground(true); // the saved picture has the window's background
    auto makeView = [&](const char* name) {
        auto* view = new QChartView(m_charts);
        view->setObjectName(QString::fromLatin1(name));
        view->setRenderHint(QPainter::Antialiasing);
        view->setChart(newChart(QString()));
        return view;
    };
    m_boxPlot = makeView("boxPlotView");
    m_bands = makeView("bandView");
    m_mixArea = new QWidget(m_charts);
    m_mixing = makeView("mixView");
    m_mixing->setParent(m_mixArea);
    m_mixDeviation = new QLabel(m_mixArea);
    m_mixDeviation->setObjectName(QStringLiteral("mixDeviationLabel"));
    m_mixDeviation->setFont(layoutFont(kFontPGothic, 10));
    auto* mixLayout = new QVBoxLayout(m_mixArea);
    mixLayout->setContentsMargins(0, 0, 0, 0);
    mixLayout->addWidget(m_mixing, 1);
    mixLayout->addWidget(m_mixDeviation);
    // The mixing view below the other two; hidden, it takes no room.
    auto* row = new QHBoxLayout;
    row->addWidget(m_boxPlot, 1);
    row->addWidget(m_bands, 1);
    auto* column = new QVBoxLayout(m_charts);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row, 1);
    column->addWidget(m_mixArea, 1);
    m_pages->addWidget(m_charts);

    m_savePicture = new QPushButton(QStringLiteral("画像として保存"), this);
    m_savePicture->setObjectName(QStringLiteral("savePictureButton"));
    m_savePicture->setToolTip(QStringLiteral("表示中のグラフを PNG 画像のファイルに保存します。"));
    connect(m_savePicture, &QPushButton::clicked, this, &ChartWindow::saveClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_savePicture);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    // Redrawn once the press has shown its table: building the charts takes
    // longer than the press itself, and presses in quick succession then
    // cost one redraw.
    connect(&m_model, &YearModel::changed, this, [this] {
        if (!isVisible() || m_refreshQueued)
            return;
        m_refreshQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_refreshQueued = false;
            refresh();
        });
    });
    resize(960, 660); // fits a 1024 x 768 screen
}

void ChartWindow::showEvent(QShowEvent* event)
{
    // A change made while the window was closed is shown when it opens again.
    refresh();
    QWidget::showEvent(event);
}

void ChartWindow::refresh()
{
    const Year& shown = m_model.year();
    const YearSummary year =
        summarizeYear(shown.students(), shown.classes(), shown.distribution(), shown.rules().mixValues);
    const bool drawn = !year.classes.empty();
    m_pages->setCurrentWidget(drawn ? m_charts : m_pages->widget(0));
    m_savePicture->setEnabled(drawn);
    if (!drawn)
        return;
    showBoxPlot(year);
    showBands(year);
    showMixing(year);
}

void ChartWindow::replaceChart(QChartView* view, QChart* chart)
{
    // The view gives up the old chart without deleting it.
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

void ChartWindow::showBoxPlot(const YearSummary& year)
{
    QChart* chart = newChart(QStringLiteral("クラスごとの得点 (箱ひげ図)"));
    auto* boxes = new QBoxPlotSeries;
    boxes->setName(QStringLiteral("得点 (最低・25%・中央・75%・最高)"));
    double low = year.overallAverage, high = year.overallAverage;
    for (const ClassSummary& c : year.classes) {
        auto* set = new QBoxSet(c.label);
        set->setValue(QBoxSet::LowerExtreme, c.box.lowest);
        set->setValue(QBoxSet::LowerQuartile, c.box.lowerQuartile);
        set->setValue(QBoxSet::Median, c.box.median);
        set->setValue(QBoxSet::UpperQuartile, c.box.upperQuartile);
        set->setValue(QBoxSet::UpperExtreme, c.box.highest);
        boxes->append(set);
        low = std::min(low, c.box.lowest);
        high = std::max(high, c.box.highest);
    }
    chart->addSeries(boxes);

    // The category axis puts class i at x = i; the line spans all of them.
    auto* average = new QLineSeries;
    average->setName(QStringLiteral("学年平均 %1点").arg(printNumber(year.overallAverage, 7).trimmed()));
    const double last = static_cast<double>(year.classes.size()) - 0.5;
    average->append(-0.5, year.overallAverage);
    average->append(last, year.overallAverage);
    QPen pen(QColor(0xb2, 0x18, 0x2b));
    pen.setWidth(2);
    pen.setStyle(Qt::DashLine);
    average->setPen(pen);
    chart->addSeries(average);

    QBarCategoryAxis* x = classAxis(year);
    auto* y = new QValueAxis;
    y->setRange(std::floor(low) - 1, std::ceil(high) + 1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("得点"));
    styleAxis(y);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    replaceChart(m_boxPlot, chart);
}

void ChartWindow::showBands(const YearSummary& year)
{
    QChart* chart = newChart(QStringLiteral("層ごとの人数 (分布表の層)"));
    std::vector<QBarSet*> sets;
    for (int s = 1; s <= 6; ++s) {
        auto* set = new QBarSet(year.bandLabels[s]);
        set->setColor(kBandColours[s]);
        set->setBorderColor(kBandColours[s].darker(130));
        sets.push_back(set);
    }
    addClassBars(chart, year, sets, [](const ClassSummary& c, size_t set) { return c.bandCounts[set + 1]; },
                 Qt::AlignRight);
    replaceChart(m_bands, chart);
}

void ChartWindow::showMixing(const YearSummary& year)
{
    m_mixArea->setVisible(!year.mixValues.isEmpty());
    if (year.mixValues.isEmpty())
        return;
    QChart* chart = newChart(QStringLiteral("元のクラスの混ざり方"));
    std::vector<QBarSet*> sets;
    for (const QString& value : year.mixValues)
        sets.push_back(new QBarSet(value));
    addClassBars(chart, year, sets, [](const ClassSummary& c, size_t set) { return c.mixCounts[set]; },
                 Qt::AlignBottom); // values of any number in one row
    replaceChart(m_mixing, chart);

    const double deviation = mixingDeviation(m_model.year());
    m_mixDeviation->setText(QStringLiteral("公平な割り当てからの最大のずれ: %1人").arg(QString::number(deviation, 'f', 1)));
}

void ChartWindow::saveClicked()
{
    const std::optional<QString> name = Dialogs::chooseSaveFile(
        this, QStringLiteral("グラフを画像として保存"), QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    if (!name)
        return;
    QByteArray png;
    QBuffer buffer(&png);
    const bool encoded = buffer.open(QIODevice::WriteOnly) && m_charts->grab().toImage().save(&buffer, "PNG");
    // Written whole through a temporary file, or not at all.
    if (encoded && writeFileAtomically(*name, png) == WriteStatus::Ok)
        return;
    Dialogs::showMessage(this, Message{QStringLiteral("グラフの画像を保存できませんでした。\n%1\n"
                                                      "保存先のフォルダに書き込めるか、空き容量があるかを確かめてください。")
                                           .arg(QDir::toNativeSeparators(*name)),
                                       titles::error});
}

} // namespace classdiv
