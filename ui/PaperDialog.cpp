#include "ui/PaperDialog.h"

#include "files/SaveFile.h"
#include "export/ResultFile.h"
#include "export/RosterSheets.h"
#include "ui/CardsPdf.h"
#include "ui/Dialogs.h"
#include "ui/RosterPdf.h"
#include "session/YearModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

namespace classdiv {

PaperDialog::PaperDialog(Kind kind, YearModel& model, RosterOrder order, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_model(model), m_order(order)
{
    const bool cards = kind == Kind::Cards;
    setObjectName(cards ? QStringLiteral("CardsDialog") : QStringLiteral("MeetingSheetDialog"));
    setWindowTitle(cards ? QStringLiteral("短冊を印刷") : QStringLiteral("会議用のクラス名簿をPDFに保存"));
    setModal(true);
    const Year& year = m_model.year();
    m_columns = paperColumns(year.students(), year.rules());

    m_list = new QListWidget(this);
    m_list->setObjectName(cards ? QStringLiteral("cardColumns") : QStringLiteral("sheetColumns"));
    m_list->setToolTip(QStringLiteral("印刷する列に印を付けます（↑↓で選び、スペースで付け外し）。"));
    const std::vector<int> chosen = cards ? defaultCardColumns(m_columns) : defaultSheetColumns(m_columns);
    for (int c = 0; c < m_columns.count(); ++c) {
        const PaperColumn& column = m_columns.columns[static_cast<size_t>(c)];
        auto* item = new QListWidgetItem(QStringLiteral("%1. %2").arg(c + 1).arg(column.heading), m_list);
        const bool always = cards && alwaysOnCard(m_columns, c);
        item->setFlags(always ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool on = always || std::find(chosen.begin(), chosen.end(), c) != chosen.end();
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        if (always)
            item->setText(item->text() + QStringLiteral("（いつも印刷）"));
        else if (column.score)
            item->setText(item->text() + QStringLiteral("（点数）"));
    }
    m_list->setCurrentRow(0);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("印刷する列"), m_list);
    if (cards) {
        m_colour = new QComboBox(this);
        m_colour->setObjectName(QStringLiteral("cardColour"));
        m_colour->setToolTip(QStringLiteral("この列の値ごとに、短冊の左端を色と模様で分けます（白黒のコピーでも値の文字で分かります）。"));
        m_colour->addItem(QStringLiteral("（色を付けない）"), -1);
        for (int c = 0; c < m_columns.count(); ++c)
            m_colour->addItem(m_columns.columns[static_cast<size_t>(c)].heading, c);
        m_colour->setCurrentIndex(m_columns.mix + 1);
        form->addRow(QStringLiteral("左端の色の列"), m_colour);
        m_cardOrder = new QComboBox(this);
        m_cardOrder->setObjectName(QStringLiteral("cardOrder"));
        m_cardOrder->addItems({QStringLiteral("新しいクラス・グループ・成績の順"), QStringLiteral("元のクラス（色の列）の順")});
        m_cardOrder->setToolTip(QStringLiteral("元のクラスの順は、左端の色の列の値の順に並べます。"));
        form->addRow(QStringLiteral("並べ方"), m_cardOrder);
        // The old class is the colour column's value: without one, only the first order stands.
        const auto colourChosen = [this] {
            const bool any = m_colour->currentData().toInt() >= 0;
            if (auto* items = qobject_cast<QStandardItemModel*>(m_cardOrder->model()))
                items->item(1)->setEnabled(any);
            if (!any)
                m_cardOrder->setCurrentIndex(0);
        };
        connect(m_colour, &QComboBox::currentIndexChanged, this, colourChosen);
        colourChosen();
    }
    m_copies = new QSpinBox(this);
    m_copies->setObjectName(QStringLiteral("copies"));
    m_copies->setRange(1, kMaxCopies);
    m_copies->setValue(1);
    m_copies->setToolTip(QStringLiteral("部ごとにページ番号を振り、「n部のうち第k部」を印刷します。"));
    form->addRow(QStringLiteral("部数"), m_copies);
    m_draft = new QLineEdit(draftNameOnScreen(m_model.drafts(), year), this);
    m_draft->setObjectName(QStringLiteral("draftName"));
    m_draft->setToolTip(QStringLiteral("各ページの上に印刷する案の名前"));
    form->addRow(QStringLiteral("案の名前"), m_draft);

    auto* note = new QLabel(QStringLiteral("各ページに「機密」「会議後回収」、案の名前、印刷した日時、部の番号とページ番号が入ります。"), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("PDFに保存"));
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("やめる"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PaperDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PaperDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (m_columns.message) {
        auto* warning = new QLabel(m_columns.message->text, this);
        warning->setObjectName(QStringLiteral("columnsNote"));
        warning->setWordWrap(true);
        layout->addWidget(warning);
    }
    layout->addWidget(note);
    layout->addWidget(buttons);
    QWidget* tabOrder[] = {m_list, m_colour, m_cardOrder, m_copies, m_draft, ok, buttons->button(QDialogButtonBox::Cancel)};
    QWidget* previous = nullptr;
    for (QWidget* w : tabOrder) {
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    m_list->setFocus();
    resize(460, cards ? 520 : 480);
}

std::vector<int> PaperDialog::chosenColumns() const
{
    std::vector<int> chosen;
    for (int c = 0; c < m_list->count(); ++c)
        if (m_list->item(c)->checkState() == Qt::Checked)
            chosen.push_back(c);
    return chosen;
}

CardChoice PaperDialog::cardChoice() const
{
    CardChoice choice;
    choice.columns = chosenColumns();
    if (m_colour)
        choice.colour = m_colour->currentData().toInt();
    if (m_cardOrder && m_cardOrder->currentIndex() == 1)
        choice.order = CardOrder::OldClass;
    return choice;
}

PaperCopies PaperDialog::copies(const QDateTime& printed) const
{
    return PaperCopies{m_draft->text(), printed, m_copies->value()};
}

QByteArray PaperDialog::pdf(const QDateTime& printed) const
{
    const Year& year = m_model.year();
    if (m_kind == Kind::Cards)
        return cardsPdf(studentCards(year.students(), year.classes(), year.bands(), year.loaded().groupList, m_columns,
                                     cardChoice()),
                        copies(printed));
    return rosterPdf(meetingSheets(year.students(), year.classes(), year.distribution(), m_columns, chosenColumns(), m_order),
                     copies(printed));
}

void PaperDialog::accept()
{
    const QString csv = m_model.year().students().csvPath;
    const std::optional<QString> name =
        Dialogs::chooseSaveFile(this, QStringLiteral("PDFファイル保存"), QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"),
                                csv.isEmpty() ? QString() : QFileInfo(csv).absolutePath());
    if (!name)
        return;
    // Made in memory and written through a temporary file beside the target:
    // nothing of the paper is ever left in a temporary folder or half written.
    if (const std::optional<Message> failed = saveWholeFile(*name, pdf(QDateTime::currentDateTime()), fileNames::pdf)) {
        Dialogs::showMessage(this, *failed);
        return;
    }
    QDialog::accept();
}

} // namespace classdiv
