#include "ui/SpreadDialog.h"

#include "conditions/SpreadColumns.h"
#include "ui/Dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace classdiv {

SpreadDialog::SpreadDialog(const StudentTable& students, QWidget* parent) : QDialog(parent), m_students(students)
{
    setObjectName(QStringLiteral("SpreadDialog"));
    setWindowTitle(QStringLiteral("別クラス・混合の列"));
    setModal(true);

    const SpreadDialogView view = openSpreadColumns(students);
    if (view.message)
        Dialogs::showMessage(parent, *view.message);

    auto* explanation = new QLabel(
        QStringLiteral("「平均点をそろえる」が、ＣＳＶファイルのこの列に従います。使わない列は空欄のままにします。\n"
                       "・印の列: 同じ印（例えば A）を書いた生徒どうしを、別々のクラスにします。\n"
                       "・混ぜる列: 例えば旧クラスの列。その値ごとの人数を、どのクラスにも同じくらいずつ分けます。"),
        this);
    explanation->setWordWrap(true);

    m_marks = new QLineEdit(view.marksText, this);
    m_marks->setObjectName(QStringLiteral("marksColumn"));
    m_marks->setToolTip(QStringLiteral("印を書いた列の番号（半角）。例えば 8"));
    m_mix = new QLineEdit(view.mixText, this);
    m_mix->setObjectName(QStringLiteral("mixColumn"));
    m_mix->setToolTip(QStringLiteral("均等に混ぜる列の番号（半角）。例えば旧組の列 2"));
    for (QLineEdit* box : {m_marks, m_mix})
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) * 2);

    auto* form = new QFormLayout;
    form->addRow(kMarksColumnLabel, m_marks);
    form->addRow(kMixColumnLabel, m_mix);

    auto* columns = new QLabel(view.columnsHint.isEmpty() ? QString() : QStringLiteral("列: ") + view.columnsHint, this);
    columns->setObjectName(QStringLiteral("columnsHint"));
    columns->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &SpreadDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SpreadDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(columns);
    layout->addWidget(buttons);
    setTabOrder(m_marks, m_mix);
    setTabOrder(m_mix, buttons);
    m_marks->setFocus(Qt::OtherFocusReason);
    resize(520, sizeHint().height());
}

void SpreadDialog::accept()
{
    const SpreadAcceptOutcome outcome = acceptSpreadColumns(m_students, m_marks->text(), m_mix->text());
    if (outcome.message) {
        Dialogs::showMessage(this, *outcome.message);
        QLineEdit* box = outcome.focus == SpreadAcceptOutcome::Focus::Mix ? m_mix
                         : outcome.focus == SpreadAcceptOutcome::Focus::Marks ? m_marks
                                                                              : nullptr;
        if (box) {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        }
        return;
    }
    m_rules = *outcome.rules;
    QDialog::accept();
}

} // namespace classdiv
