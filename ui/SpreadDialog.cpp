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

#include <array>

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
    auto addRow = [&](const char* name, const QString& label, const QString& text, const QString& note, int digits) {
        auto* box = new QLineEdit(text, this);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(note);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(digits, u'0')) + 16);
        auto* row = new QHBoxLayout;
        row->addWidget(box);
        row->addWidget(new QLabel(note, this), 1);
        form->addRow(label, row);
        return box;
    };
    m_marks = addRow("marksColumn", kMarksColumnLabel, view.texts.marks,
                     QStringLiteral("同じ印（例えば A）を書いた生徒どうしを、別々のクラスにします。"), 5);
    m_mix = addRow("mixColumn", kMixColumnLabel, view.texts.mix,
                   QStringLiteral("例えば旧組の列。値ごとの人数を、どのクラスにも同じくらいずつ分けます。"), 5);
    m_together = addRow("togetherColumn", kTogetherColumnLabel, view.texts.together,
                        QStringLiteral("同じ印を書いた生徒どうしを、同じクラスにします。"), 5);
    m_fixed = addRow("fixedColumn", kFixedColumnLabel, view.texts.fixed,
                     QStringLiteral("クラスの番号を書いた生徒を、そのクラスにします。"), 5);
    m_flags = addRow("flagColumns", kFlagColumnsLabel, view.texts.flags,
                     QStringLiteral("例えばリーダーやピアノの列。4つまでコンマで区切り、大事な順に。\n"
                                    "印ごとの人数を、どのクラスにも同じくらいずつ分けます。"),
                     14);
    m_scores = addRow("scoreColumns", kScoreColumnsLabel, view.texts.scores,
                      QStringLiteral("例えば50m走や数学の列。3つまでコンマで区切ります。\n"
                                     "成績といっしょに、クラスの平均がそろうようにします。"),
                      14);

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
    setTabOrder(m_marks, m_mix);
    setTabOrder(m_mix, m_together);
    setTabOrder(m_together, m_fixed);
    setTabOrder(m_fixed, m_flags);
    setTabOrder(m_flags, m_scores);
    setTabOrder(m_scores, buttons);
    m_marks->setFocus(Qt::OtherFocusReason);
}

void SpreadDialog::accept()
{
    const SpreadAcceptOutcome outcome = m_model.acceptSpreadColumns(
        {m_marks->text(), m_mix->text(), m_together->text(), m_fixed->text(), m_flags->text(), m_scores->text()});
    if (outcome.message) {
        Dialogs::showMessage(this, *outcome.message);
        if (outcome.focus) {
            QLineEdit* box = std::array{m_marks, m_mix, m_together, m_fixed, m_flags, m_scores}[size_t(*outcome.focus)];
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        }
        return;
    }
    QDialog::accept();
}

} // namespace classdiv
