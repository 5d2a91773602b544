#pragma once
// The pictures of 成績分布グラフ, drawn with QPainter from the figures of one
// draw: a box plot of every class's scores with the year's average, each
// class's counts in the score bands as stacked bars in the distribution
// table's colours and, when a mixing column is set, each class's counts of its
// values with the largest deviation from a fair share (each panel painted by
// ChartPanels.h). Before the first press it says how to get there.

#include "division/lists/ClassSummary.h"
#include "division/lists/ScoreAverages.h"
#include "ui/ChartPanels.h"

#include <QWidget>

#include <optional>

namespace classdiv {

class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    // What to draw. Not drawn: the empty state. mixingDeviation is shown with
    // the mixing bars, which appear when the year has mixing values.
    void setYear(YearSummary year, bool drawn, std::optional<double> mixingDeviation);
    const YearSummary& year() const { return m_year; }
    std::optional<double> mixingDeviation() const { return m_mixingDeviation; }
    bool isEmpty() const { return !m_drawn; }
    // The score columns evened beside the main one: a panel each, below the others.
    void setExtraScores(std::vector<ColumnAverages> extras);
    const std::vector<ColumnAverages>& extraScores() const { return m_extras; }
    // Each flag column's largest deviation (division/lists/FlagSplits.h), a line below the panels; empty: none.
    void setFlagNote(QString note);
    const QString& flagNote() const { return m_flagNote; }

    QSize sizeHint() const override { return {940, 610}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    YearSummary m_year;
    bool m_drawn = false;
    std::optional<double> m_mixingDeviation;
    std::vector<ColumnAverages> m_extras;
    QString m_flagNote;
};

} // namespace classdiv
