#pragma once
// クラス名簿: one list per class side by side, hand swaps between two of
// them, their undo, and the lists printed to PDF. Only a view: the swaps are
// the year's, passed on to it.

#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSwaps.h"
#include "division/DivisionFigures.h"
#include "ui/ClassListColumns.h"

#include <QList>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace classdiv {

class YearModel;
class YearSession;

class ClassListWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own over `parent`, which owns it, showing the session's draw.
    ClassListWindow(YearSession& session, QWidget* parent);

    // Shows the classes as they now stand: after a press, a swap, an undo,
    // or new columns of marks.
    void refresh();
    // A hand swap or its undo between the two classes: their lists filled
    // again, the others only where their marks or figures changed.
    void swapped(int classA, int classB);

private:
    void refill(std::optional<std::pair<int, int>> swappedClasses);
    void showNote(const RuleBreaks& breaks, const QString& unplaced);
    void setupUi();
    void rebuildColumns(const std::vector<int>& classes, const QStringList& headings);
    void fillList(int index, const RosterColumns& columns);
    void listSelectionChanged(QTableWidget* list);
    void updateButtons();
    // The student rows selected in the two lists last chosen; 0 for none.
    std::pair<int, int> selectedStudents() const;
    // Every student row selected in the lists chosen, ascending.
    std::vector<int> selectedRows() const;

    void swapClicked();
    void undoClicked();
    void pdfClicked();
    void addToRecordClicked();

    YearSession& m_session; // opens the meeting sheets
    YearModel& m_model;
    RosterOrder m_order = RosterOrder::Score;
    std::vector<int> m_classes;
    QStringList m_headings;
    DivisionFigures m_figures; // of the classes shown
    std::vector<QTableWidget*> m_lists;
    std::vector<QLabel*> m_headers;
    std::vector<ClassListLook> m_looks; // as each list shows it
    QList<QTableWidget*> m_chosen; // lists with a selection, the latest last; at most two

    QWidget* m_listArea = nullptr;
    QHBoxLayout* m_listRow = nullptr;
    QComboBox* m_orderBox = nullptr;
    QPushButton* m_swap = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_addToRecord = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace classdiv
