#pragma once
// Form3, the conditions window. (Being built: layout and behaviour follow.)

#include "division/RandomSource.h"
#include "import/StudentTable.h"
#include "ui/Deliverable.h"

#include <QWidget>

namespace classdiv {

class ConditionsWindow : public QWidget {
    Q_OBJECT
public:
    // Constructing the window is its load step: it reads the student table.
    ConditionsWindow(StudentTable& students, const Deliverable& deliverable, RandomSource& random,
                     QWidget* parent = nullptr);

signals:
    void closedByUser();

private:
    StudentTable& m_students;
    RandomSource& m_random;
};

} // namespace classdiv
