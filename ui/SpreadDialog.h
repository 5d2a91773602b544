#pragma once
// クラス分けの決まり: the teacher names the CSV columns of the rules evening
// out follows: marks to keep apart, a column to mix (the old class), values
// to keep together, a class to go to, and columns spread fairly. The checks,
// the reading and the file are the core's, reached through the year: the
// dialog only shows its boxes, passes their texts on and shows the outcome,
// staying open while a value is refused.

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
    QLineEdit* m_marks = nullptr;
    QLineEdit* m_mix = nullptr;
    QLineEdit* m_together = nullptr;
    QLineEdit* m_fixed = nullptr;
    QLineEdit* m_flags = nullptr;
    QLineEdit* m_scores = nullptr;
};

} // namespace classdiv
