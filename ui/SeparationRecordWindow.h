#pragma once
// 離す記録: the school's record of students who must be kept apart, kept
// from year to year. The file is chosen once; the entries are listed with a
// search box (ended ones greyed, never deleted); an entry is added by
// identifiers with a reason and who entered it, or ended with a reason.
// What applies to this year's roster is said at the top.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace classdiv {

class RecordKeeper;
class YearModel;

class SeparationRecordWindow : public QWidget {
    Q_OBJECT
public:
    SeparationRecordWindow(YearModel& model, QWidget* parent);

    void refresh();

private:
    void setupUi();
    void chooseClicked();
    void addClicked();
    void endClicked();
    void filter();

    YearModel& m_model;
    RecordKeeper& m_keeper;
    QLabel* m_file = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_search = nullptr;
    QTableWidget* m_table = nullptr;
    QLineEdit* m_ids = nullptr;
    QLineEdit* m_reason = nullptr;
    QLineEdit* m_enteredBy = nullptr;
    QLineEdit* m_endReason = nullptr;
    QLineEdit* m_endDate = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_end = nullptr;
};

} // namespace classdiv
