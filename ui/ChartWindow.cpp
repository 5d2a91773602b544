#include "ui/ChartWindow.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "division/ClassSummary.h"
#include "division/EvenAverages.h"
#include "ui/ConditionsWindow.h"
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
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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

} // namespace

ChartWindow::ChartWindow(ConditionsWindow& conditions)
    : QWidget(&conditions, Qt::Window), m_conditions(conditions)
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
    auto* grid = new QGridLayout(m_charts);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_boxPlot, 0, 0);
    grid->addWidget(m_bands, 0, 1);
    grid->addWidget(m_mixArea, 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 3);
    grid->setRowStretch(1, 2);
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

    connect(&m_conditions, &ConditionsWindow::drawChanged, this, [this] {
        if (isVisible())
            refresh();
    });
    resize(960, 620);
    refresh();
}

void ChartWindow::showEvent(QShowEvent* event)
{
    // A change made while the window was closed is shown when it opens again.
    refresh();
    QWidget::showEvent(event);
}

void ChartWindow::refresh()
{
    const YearSummary year =
        summarizeYear(m_conditions.students(), m_conditions.distribution(), m_conditions.spreadRules().mixValues);
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
    y->setTitleText(QStringLiteral("点"));
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
    auto* bars = new QHorizontalStackedBarSeries;
    std::vector<int> totals(year.classes.size(), 0);
    for (int s = 1; s <= 6; ++s) {
        auto* set = new QBarSet(year.bandLabels[s]);
        set->setColor(kBandColours[s]);
        set->setBorderColor(kBandColours[s].darker(130));
        for (size_t i = 0; i < year.classes.size(); ++i) {
            set->append(year.classes[i].bandCounts[s]);
            totals[i] += year.classes[i].bandCounts[s];
        }
        bars->append(set);
    }
    chart->addSeries(bars);
    QBarCategoryAxis* classes = classAxis(year);
    classes->setReverse(true); // １組 at the top, as in the table
    QValueAxis* counts = countAxis(totals);
    chart->addAxis(classes, Qt::AlignLeft);
    chart->addAxis(counts, Qt::AlignBottom);
    bars->attachAxis(classes);
    bars->attachAxis(counts);
    chart->legend()->setAlignment(Qt::AlignRight);
    replaceChart(m_bands, chart);
}

void ChartWindow::showMixing(const YearSummary& year)
{
    const SpreadRules& rules = m_conditions.spreadRules();
    m_mixArea->setVisible(!year.mixValues.isEmpty());
    if (year.mixValues.isEmpty())
        return;
    QChart* chart = newChart(QStringLiteral("元のクラスの混ざり方"));
    auto* bars = new QHorizontalStackedBarSeries;
    std::vector<int> totals(year.classes.size(), 0);
    for (qsizetype v = 0; v < year.mixValues.size(); ++v) {
        auto* set = new QBarSet(year.mixValues[v]);
        for (size_t i = 0; i < year.classes.size(); ++i) {
            set->append(year.classes[i].mixCounts[v]);
            totals[i] += year.classes[i].mixCounts[v];
        }
        bars->append(set);
    }
    chart->addSeries(bars);
    QBarCategoryAxis* classes = classAxis(year);
    classes->setReverse(true);
    QValueAxis* counts = countAxis(totals);
    chart->addAxis(classes, Qt::AlignLeft);
    chart->addAxis(counts, Qt::AlignBottom);
    bars->attachAxis(classes);
    bars->attachAxis(counts);
    chart->legend()->setAlignment(Qt::AlignRight);
    replaceChart(m_mixing, chart);

    const double deviation = mixingDeviation(m_conditions.workspace(), m_conditions.students(), rules);
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
