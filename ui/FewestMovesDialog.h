#pragma once
// 最小の移動で直す (Ctrl+M): before anything changes, the number of moves
// found, the spread of averages it gives beside what evening out from
// scratch gives, and the students it moves. The teacher may set the largest
// number of moves and lock classes; the search runs again at each change.
// Enter applies the mend through the year model (one step of undo); Esc
// leaves everything as it was. The search is the core's
// (division/FewestMovesYear.h).

#include "division/FewestMovesYear.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace classdiv {

class YearModel;

class FewestMovesDialog : public QDialog {
    Q_OBJECT
public:
    FewestMovesDialog(YearModel& model, uint64_t seed, QWidget* parent);
    // Applies the mend found; a mend the rules refuse shows why and changes nothing.
    void accept() override;
    // The first search's refusal, to be shown once the dialog is open.
    const std::optional<Message>& firstRefusal() const { return m_found.refusal; }

private:
    MoveOptions options() const;
    void search();
    void showFound();

    YearModel& m_model;
    uint64_t m_seed;
    FewestMovesOutcome m_found;
    QSpinBox* m_largest = nullptr;
    QListWidget* m_locked = nullptr;
    QLabel* m_moves = nullptr;
    QLabel* m_spread = nullptr;
    QTableWidget* m_students = nullptr;
};

} // namespace classdiv
