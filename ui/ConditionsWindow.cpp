#include "ui/ConditionsWindow.h"

namespace classdiv {

ConditionsWindow::ConditionsWindow(StudentTable& students, const Deliverable&, RandomSource& random, QWidget* parent)
    : QWidget(parent), m_students(students), m_random(random)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("条件入力・ファイル書き出し"));
}

} // namespace classdiv
