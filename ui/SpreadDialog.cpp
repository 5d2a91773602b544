#include "ui/SpreadDialog.h"

#include "ui/Dialogs.h"
#include "session/YearModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>


namespace classdiv {

SpreadDialog::SpreadDialog(YearModel& model, QWidget* parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("SpreadDialog"));
    setWindowTitle(QStringLiteral("クラス分けの決まり"));
    setModal(true);

    const SpreadDialogView view = m_model.spreadView();
    if (view.message)
        Dialogs::showMessage(parent, *view.message);

    auto* explanation = new QLabel(QStringLiteral("「平均点をそろえる」は、ＣＳＶファイルの次の列にも従います。\n"
                                                  "列の番号を半角で入力してください。使わない列は空欄にします。"),
                                   this);

    auto* form = new QFormLayout;
    for (const RuleBox kind : allRuleBoxes()) {
        const RuleKindRow& row = ruleKindOf(kind);
        auto* box = new QLineEdit(view.texts[kind], this);
        box->setObjectName(QLatin1String(row.shape.objectName));
        box->setToolTip(row.shape.note);
        const int digits = row.shape.most > 1 ? 14 : 5; // room for a list of columns, or for one number
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(digits, u'0')) + 16);
        auto* line = new QHBoxLayout;
        line->addWidget(box);
        line->addWidget(new QLabel(row.shape.note, this), 1);
        form->addRow(row.label, line);
        m_boxes[kind] = box;
    }

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
    // The separation record beside the columns: what of it holds this year.
    auto* record = new QLabel(QStringLiteral("離す記録：今年あてはまる記録 %1件（調整 → 離す記録…）")
                                  .arg(model.year().rules().recordEntries.size()), this);
    record->setObjectName(QStringLiteral("recordCount"));
    layout->addWidget(record);
    layout->addWidget(buttons);
    for (size_t b = 1; b < m_boxes.size(); ++b)
        setTabOrder(m_boxes[b - 1], m_boxes[b]);
    setTabOrder(m_boxes.back(), buttons);
    m_boxes.front()->setFocus(Qt::OtherFocusReason);
}

void SpreadDialog::accept()
{
    RuleTexts texts;
    for (const RuleBox box : allRuleBoxes())
        texts[box] = m_boxes[box]->text();
    const SpreadAcceptOutcome outcome = m_model.acceptSpreadColumns(texts);
    if (outcome.message) {
        Dialogs::showMessage(this, *outcome.message);
        if (outcome.focus) {
            QLineEdit* box = m_boxes[*outcome.focus];
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        }
        return;
    }
    QDialog::accept();
}

} // namespace classdiv
