#pragma once
// 成績分布グラフ: the current draw as charts beside the conditions window. A
// box plot of every class's scores with the year's average, each class's
// counts in the six score bands of the distribution table and, when a mixing
// column is set, each class's counts of its values. It follows every change
// of the draw while open.

#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace classdiv {

class YearModel;
struct YearSummary;

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own over `parent`, which owns it, showing the year's draw.
    ChartWindow(YearModel& model, QWidget* parent);

    // Draws the charts again from the year's current draw.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void saveClicked();
    void showBoxPlot(const YearSummary& year);
    void showBands(const YearSummary& year);
    void showMixing(const YearSummary& year);
    static void replaceChart(QChartView* view, QChart* chart);

    YearModel& m_model;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_charts = nullptr; // what the picture shows
    QChartView* m_boxPlot = nullptr;
    QChartView* m_bands = nullptr;
    QWidget* m_mixArea = nullptr;
    QChartView* m_mixing = nullptr;
    QLabel* m_mixDeviation = nullptr;
    QPushButton* m_savePicture = nullptr;
    bool m_refreshQueued = false;
};

} // namespace classdiv
