#pragma once
// 成績分布グラフ: the current draw as charts beside the conditions window. A
// box plot of every class's scores with the year's average, each class's
// counts in the six score bands of the distribution table and, when a mixing
// column is set, each class's counts of its values (drawn by ChartView). It
// follows every change of the draw while open.

#include <QWidget>

class QPushButton;

namespace classdiv {

class ChartView;
class YearModel;

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
    // One refresh after the changes of this turn of the event loop, while the window is shown.
    void queueRefresh();
    void saveClicked();

    YearModel& m_model;
    ChartView* m_charts = nullptr; // also what the picture shows
    QPushButton* m_savePicture = nullptr;
    bool m_refreshQueued = false;
};

} // namespace classdiv
