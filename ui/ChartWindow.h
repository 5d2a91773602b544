#pragma once
// 成績分布グラフ: the current draw as charts beside the conditions window. A
// box plot of every class's scores with the year's average, each class's
// counts in the six score bands of the distribution table and, when a mixing
// column is set, each class's counts of its values (drawn by ChartView). It
// follows every change of the draw while open.

#include "ui/QueuedRefresh.h"

#include <QWidget>

#include <set>

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
    // After hand swaps between the `changed` classes: the figures counted
    // again, and only those classes painted again when nothing else moved.
    void refreshClasses(const std::set<int>& changed);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The charts from the year's draw: all of them, or after swaps between the changed classes.
    void draw(const std::set<int>* changed);
    void saveClicked();

    YearModel& m_model;
    ChartView* m_charts = nullptr; // also what the picture shows
    QPushButton* m_savePicture = nullptr;
    // One refresh after the changes of this turn of the event loop, while the window is shown.
    QueuedRefresh m_queued;
};

} // namespace classdiv
