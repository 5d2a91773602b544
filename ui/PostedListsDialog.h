#pragma once
// 新しいクラスの名簿: the teacher chooses the reading the 出席番号 follow
// (a column of the roster, the furigana of a workbook, or the names), mixed
// or by sex, and which sex first; Enter saves the posted lists' PDF where the
// teacher chooses and the numbers' CSV beside it, and the result workbook
// takes the numbers from then on. The numbers and the files are the core's.

#include "export/PostedLists.h"

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace classdiv {

class YearModel;

class PostedListsDialog : public QDialog {
    Q_OBJECT
public:
    PostedListsDialog(YearModel& model, QWidget* parent);

    // Accepted once both files are written.
    void accept() override;

private:
    void orderChanged();

    YearModel& m_model;
    PostedListsView m_view;
    QComboBox* m_reading = nullptr;
    QComboBox* m_order = nullptr;
    QComboBox* m_sex = nullptr;
    QCheckBox* m_girlsFirst = nullptr;
};

} // namespace classdiv
