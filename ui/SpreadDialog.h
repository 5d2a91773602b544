#pragma once
// クラス分けの決まり: the teacher names the CSV columns of the rules evening
// out follows, a box for each kind the table of rule kinds gives one
// (conditions/RuleKinds.h): marks to keep apart, a column to mix (the old
// class), values to keep together, a class to go to, columns spread fairly
// and score columns evened out. The checks,
// the reading and the file are the core's, reached through the year: the
// dialog only shows its boxes, passes their texts on and shows the outcome,
// staying open while a value is refused.

#include "conditions/RuleKinds.h"

#include <QDialog>

class QLineEdit;

namespace classdiv {

class YearModel;

class SpreadDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the stored choice; says first, over the window, why a stored
    // choice or the CSV cannot be used.
    SpreadDialog(YearModel& model, QWidget* parent);

    // Accepted once the year has taken the rules of the boxes.
    void accept() override;

private:
    YearModel& m_model;
    PerBox<QLineEdit*> m_boxes{}; // a box for every kind the table of rule kinds gives one
};

} // namespace classdiv
