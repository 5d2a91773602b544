#pragma once
// Form3, the conditions window: group list, plan rows, the distribution
// table and the save button, and the menu 調整 (ConditionsMenu.cpp). The
// window only reads its boxes, calls the action of the button and shows what
// the action returns. The year it shows is the session's, which the shell
// hands to it; the windows its menu opens are the session's too.

#include "conditions/ConditionsEntry.h"
#include "ui/Deliverable.h"
#include "session/YearSession.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QAction;
class QComboBox;
class QMenuBar;
class QLabel;
class QLineEdit;
class QPushButton;

namespace classdiv {

class PictureBox;

class ConditionsWindow : public QWidget {
    Q_OBJECT
public:
    // Constructing the window is its load step: it shows the year just made
    // from the student table. The session outlives the window.
    ConditionsWindow(YearSession& session, const Deliverable& deliverable, QWidget* parent = nullptr);

    // Plan row k (1..10): class number box Text1(k), head count box Text2(k).
    QLineEdit* classNumberBox(int k) const { return m_classNumbers.at(k); }
    QLineEdit* headCountBox(int k) const { return m_headCounts.at(k); }

    // The year this window was handed; the chart and the class lists watch it too.
    YearSession& session() { return m_session; }
    YearModel& model() { return m_model; }
    const Year& year() const { return m_model.year(); }
    // The area of the designed size that holds every control, below the menu bar.
    QWidget* clientArea() const { return m_client; }

signals:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi(const Deliverable& deliverable);
    void load();
    void createPlanRows();

    void groupSelected();      // Combo1, an entry selected
    void setClassCountClicked(); // Command1
    void confirmEntryClicked();  // Command2
    void readConditionsClicked(); // Command3
    void offerFittingCounts();    // after Command3: head counts that no longer add up
    void drawClassesClicked();   // Command4
    void saveResultClicked();    // Command5

    // The menu 調整 (ConditionsMenu.cpp)
    QMenuBar* setupMenuBar();
    void evenAveragesTriggered();
    void chartTriggered();
    void classListsTriggered();
    void cardsTriggered();
    void postedListsTriggered();
    void checkSheetTriggered();
    void spreadColumnsTriggered();
    void draftsTriggered();
    void pressNumberTriggered();
    void draftFromResultTriggered();
    void separationRecordTriggered();
    // The distribution table of the draw as it now stands.
    void showTable();
    // A press replaces hand-swapped classes only when the user agrees.
    bool mayReplaceSwaps();

    void showPlanRows(const PlanRowsView& view);
    void showRows(int visibleRows);
    void applyFocus(ConditionsFocus focus);

    YearSession& m_session;
    YearModel& m_model;

    QWidget* m_client = nullptr;
    QAction* m_everyPress = nullptr;

    PictureBox* m_picture = nullptr;
    QComboBox* m_combo = nullptr;
    QLineEdit* m_classCount = nullptr; // Text3
    QLabel* m_studentCount = nullptr;  // Label10
    QLabel* m_groupCount = nullptr;    // Label11
    QPushButton* m_setClassCount = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_readBack = nullptr;
    QPushButton* m_draw = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    std::array<QLineEdit*, kMaxPlanRows + 1> m_classNumbers{}; // [1..10]
    std::array<QLineEdit*, kMaxPlanRows + 1> m_headCounts{};   // [1..10]
};

} // namespace classdiv
