#pragma once
// クラス名簿: one list per class side by side, hand swaps between two of
// them, their undo, and the lists printed to PDF. Only a view: the swaps are
// made by the conditions window, which owns the classes.

#include "division/ClassRoster.h"
#include "division/ClassSwaps.h"

#include <QList>
#include <QWidget>

#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace classdiv {

class ConditionsWindow;

class ClassListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClassListWindow(ConditionsWindow* conditions);

    // Shows the classes as they now stand: after a press, a swap, an undo,
    // or new columns of marks.
    void refresh();

private:
    void setupUi();
    void rebuildColumns(const std::vector<QString>& classes, const QStringList& headings);
    void fillList(int index, const RosterColumns& columns, const RuleBreaks& breaks);
    void listSelectionChanged(QTableWidget* list);
    void updateButtons();
    // The student rows selected in the two lists last chosen; 0 for none.
    std::pair<int, int> selectedStudents() const;

    void swapClicked();
    void undoClicked();
    void pdfClicked();

    ConditionsWindow* m_conditions;
    RosterOrder m_order = RosterOrder::Score;
    std::vector<QString> m_classes;
    QStringList m_headings;
    std::vector<QTableWidget*> m_lists;
    std::vector<QLabel*> m_headers;
    QList<QTableWidget*> m_chosen; // lists with a selection, the latest last; at most two

    QWidget* m_listArea = nullptr;
    QHBoxLayout* m_listRow = nullptr;
    QComboBox* m_orderBox = nullptr;
    QPushButton* m_swap = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_pdf = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace classdiv
