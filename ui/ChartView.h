#pragma once
// The pictures of 成績分布グラフ, drawn with QPainter from the figures of one
// draw: a box plot of every class's scores with the year's average, each
// class's counts in the score bands as stacked bars in the distribution
// table's colours and, when a mixing column is set, each class's counts of its
// values with the largest deviation from a fair share (each panel painted by
// ChartPanels.h). Before the first press it says how to get there.

#include "division/lists/ClassSummary.h"
#include "division/lists/ScoreAverages.h"
#include "ui/ChartDrawing.h"
#include "ui/ChartPanels.h"

#include <QRegion>
#include <QWidget>

#include <optional>
#include <set>

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

    // All of it after hand swaps that moved students between the `changed`
    // classes only. When the rest stays as it was (the axes, the other
    // classes, the deviations, the extra columns' averages and the flags'
    // note), only the places of the changed classes are painted again.
    void setSwapped(YearSummary year, std::optional<double> mixingDeviation, std::vector<ColumnAverages> extras,
                    QString flagNote, const std::set<int>& changed);
    // What the last change asked to paint again: the whole view, or the changed classes' places.
    const QRegion& lastAsked() const { return m_asked; }
    // The place of each class as last painted, by class number.
    const charts::ClassSlots& classSlots() const { return m_slots; }

    QSize sizeHint() const override { return {940, 610}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Whether `next` leaves everything but the changed classes' places as painted now.
    bool keepsFrame(const YearSummary& next, const std::set<int>& changed) const;
    void changedAll();

    YearSummary m_year;
    bool m_drawn = false;
    std::optional<double> m_mixingDeviation;
    std::vector<ColumnAverages> m_extras;
    QString m_flagNote;
    charts::ClassSlots m_slots;
    QRegion m_asked;
};

} // namespace classdiv
