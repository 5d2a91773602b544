#include "ui/PostedListsDialog.h"

#include "files/SaveFile.h"
#include "export/CheckSheet.h"
#include "export/ResultFile.h"
#include "ui/Dialogs.h"
#include "ui/PostedListsPdf.h"
#include "session/YearModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace classdiv {

PostedListsDialog::PostedListsDialog(YearModel& model, QWidget* parent)
    : QDialog(parent), m_model(model), m_view(model.postedListsView())
{
    setObjectName(QStringLiteral("PostedListsDialog"));
    setWindowTitle(QStringLiteral("新しいクラスの名簿"));
    setModal(true);
    if (m_view.message)
        Dialogs::showMessage(parent, *m_view.message);

    auto* explanation = new QLabel(QStringLiteral("クラスごとに、五十音順の出席番号と氏名だけを大きな字で印刷するPDFと、\n"
                                                  "出席番号のＣＳＶファイル（ファイル名_出席番号.csv）を保存します。\n"
                                                  "成績や備考は印刷しません。"),
                                   this);
    m_reading = new QComboBox(this);
    m_reading->setObjectName(QStringLiteral("readingColumn"));
    m_reading->setToolTip(QStringLiteral("出席番号を五十音順に付けるときの読み（ふりがな）の列"));
    m_sex = new QComboBox(this);
    m_sex->setObjectName(QStringLiteral("sexColumn"));
    m_sex->setToolTip(QStringLiteral("男女別のとき、男・女が書いてある列"));
    for (const ReadingSource& source : m_view.sources) {
        m_reading->addItem(source.label);
        m_sex->addItem(source.label);
    }
    m_reading->setCurrentIndex(m_view.reading);
    m_sex->setCurrentIndex(m_view.sexColumn);
    m_order = new QComboBox(this);
    m_order->setObjectName(QStringLiteral("numberOrder"));
    m_order->addItems({QStringLiteral("男女混合"), QStringLiteral("男女別")});
    m_girlsFirst = new QCheckBox(QStringLiteral("女子を先にする"), this);
    m_girlsFirst->setObjectName(QStringLiteral("girlsFirst"));
    m_girlsFirst->setToolTip(QStringLiteral("男女別のとき、印を付けると女子が１番から、付けないと男子が１番からです。"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("読みの列(&R)"), m_reading);
    form->addRow(QStringLiteral("番号の付け方(&O)"), m_order);
    form->addRow(QStringLiteral("性別の列(&S)"), m_sex);
    form->addRow(QString(), m_girlsFirst);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("保存…"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("saveButton"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PostedListsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PostedListsDialog::reject);
    connect(m_order, &QComboBox::currentIndexChanged, this, &PostedListsDialog::orderChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setTabOrder(m_reading, m_order);
    setTabOrder(m_order, m_sex);
    setTabOrder(m_sex, m_girlsFirst);
    setTabOrder(m_girlsFirst, buttons);
    orderChanged();
    m_reading->setFocus(Qt::OtherFocusReason);
}

void PostedListsDialog::orderChanged()
{
    // The sex matters only in 男女別.
    const bool bySex = m_order->currentIndex() == 1;
    m_sex->setEnabled(bySex);
    m_girlsFirst->setEnabled(bySex);
}

void PostedListsDialog::accept()
{
    const Year& year = m_model.year();
    const Students& students = year.students();
    const ReadingSource& reading = m_view.sources[size_t(std::max(0, m_reading->currentIndex()))];
    NumberingChoice choice{reading.heading, reading.values, NumberOrder::Mixed, {}};
    if (m_order->currentIndex() == 1) {
        const int sex = m_sex->currentIndex();
        const std::vector<QString> cells = sex >= 0 ? m_view.sources[size_t(sex)].values : std::vector<QString>{};
        if (std::none_of(cells.begin(), cells.end(), [](const QString& c) { return sexOf(c) != Sex::Unknown; })) {
            Dialogs::showMessage(this, Message{QStringLiteral("男女別にするには、「男」「女」が書いてある性別の列を選んでください。"),
                                               titles::reenter});
            m_sex->setFocus(Qt::OtherFocusReason);
            return;
        }
        choice.order = m_girlsFirst->isChecked() ? NumberOrder::GirlsFirst : NumberOrder::BoysFirst;
        choice.sexes = cells;
    }
    const AttendanceNumbers numbers = attendanceNumbers(students, year.classes(), choice);
    const NumbersFileContent table = formatNumbersFile(students, year.classes(), numbers);
    if (!table.bytes) { // refused before anything is asked or written
        Dialogs::showMessage(this, unwritableTextMessage(students, table.unencodableRow));
        return;
    }

    // Students the school's record keeps apart, in one class: said before the file is chosen.
    if (const std::optional<Message> question =
            recordBreakQuestion(students, year.rules(), year.classes(), RecordUse::PrintPostedLists);
        question && !Dialogs::ask(this, *question))
        return;
    const QString csvPath = students.csvPath;
    const std::optional<QString> name =
        Dialogs::chooseSaveFile(this, QStringLiteral("新しいクラスの名簿の保存"), QStringLiteral("PDF (*.pdf)"),
                                QStringLiteral("pdf"), csvPath.isEmpty() ? QString() : QFileInfo(csvPath).absolutePath());
    if (!name)
        return;
    const QString numbersPath = numbersFilePath(*name);
    if (QFileInfo::exists(numbersPath) &&
        !Dialogs::ask(this, Message{QStringLiteral("出席番号のファイル「%1」は既にあります。置き換えますか。")
                                        .arg(QDir::toNativeSeparators(numbersPath)),
                                    QString()}))
        return;
    // Built in memory and written through a temporary file beside the target:
    // no copy of the lists is ever left anywhere else.
    const QByteArray pdf = postedListsPdf(postedPages(students, year.classes(), numbers));
    for (const auto& [path, bytes, what] :
         {std::tuple{*name, pdf, fileNames::pdf}, std::tuple{numbersPath, *table.bytes, fileNames::numbers}}) {
        if (const std::optional<Message> failed = saveWholeFile(path, bytes, what)) {
            Dialogs::showMessage(this, *failed);
            return;
        }
    }
    m_model.setNumbering(choice);
    if (const std::optional<Message> notice = numberingNotice(students, year.classes(), choice, numbers))
        Dialogs::showMessage(this, *notice);
    QDialog::accept();
}

} // namespace classdiv
