#include "ui/ConditionsWindow.h"

#include "division/FewestMovesYear.h"
#include "division/lists/Unplaced.h"

#include "division/lists/ClassSwaps.h"
#include "export/CheckSheet.h"
#include "export/ResultWorkbook.h"
#include "common/FileKinds.h"
#include "ui/CommandButton.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/PictureBox.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace classdiv {

namespace {

// The design's plan row 1; rows 2..10 stand directly below it.
constexpr int kRowTop = 1440;
constexpr int kRowHeight = 270;
constexpr int kClassNumberLeft = 360;
constexpr int kHeadCountLeft = 1440;
constexpr int kRowBoxWidth = 615;
constexpr int kClientWidth = 9015;
constexpr int kClientHeight = 6810;

} // namespace

ConditionsWindow::ConditionsWindow(YearSession& session, const Deliverable& deliverable, QWidget* parent)
    : QWidget(parent), m_session(session), m_model(session.model())
{
    setupUi(deliverable);
    load();
    // The table is that of the students' classes: a new draw or a hand swap changes it, the rules do not.
    connect(&m_model, &YearModel::drawChanged, this, &ConditionsWindow::showTable);
    connect(&m_model, &YearModel::swapped, this, &ConditionsWindow::showTable);
    connect(&m_model, &YearModel::draftsWriteFailed, this, [this](const Message& m) { Dialogs::showMessage(this, m); });
}

void ConditionsWindow::setupUi(const Deliverable& deliverable)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("条件入力・ファイル書き出し"));
    setFont(layoutFont(kFontPMincho, 9));

    // The controls stand in a client area of the designed size; the menu bar
    // sits above it, so nothing moves and the client keeps its size.
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Form3Client"));
    m_client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->addWidget(m_client, 0, Qt::AlignLeft | Qt::AlignTop);
    frame->setMenuBar(setupMenuBar());

    m_picture = new PictureBox(m_client);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setToolTip(QStringLiteral("境界点は、上位10％、（上位10％＋平均点）÷２、平均点、（下位10％＋平均点）÷２、下位10％、で設定しています。"));
    m_picture->setFocusPolicy(Qt::StrongFocus);
    placeTwips(m_picture, 2880, 1800, 6015, 3615);

    const QFont heading = layoutFont(kFontPMincho, 12);
    makeSizedLabel(m_client, QStringLiteral("Label6"), QStringLiteral("分布表"), 5400, 1440, &heading);

    m_combo = new QComboBox(m_client);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setToolTip(QStringLiteral("条件を入力するグループをチェックしてください。"));
    placeTwips(m_combo, 240, 600, 2535, 300);

    m_classCount = makeTextBox(m_client, QStringLiteral("Text3"),
                           QStringLiteral("左のBoxで選択されているグループを何クラスに振り分けるかのクラス数を入力してください。"),
                           3240, 600, 615, 270);

    makeSizedLabel(m_client, QStringLiteral("Label1"), QStringLiteral("下のBoxからクループを選択する"), 240, 240);

    m_setClassCount = makeCommandButton(m_client, QStringLiteral("Command1"),
                                 QStringLiteral("グループを選択し振り分けるクラス数を入力したらクリック"),
                                 QStringLiteral("条件を入力する枠が生じます。"), 5040, 240, 1695, 855);

    m_classNumbers[1] = makeTextBox(m_client, QStringLiteral("Text1(1)"), QString(), kClassNumberLeft, kRowTop,
                                kRowBoxWidth, kRowHeight);
    m_headCounts[1] = makeTextBox(m_client, QStringLiteral("Text2(1)"), QString(), kHeadCountLeft, kRowTop, kRowBoxWidth,
                              kRowHeight);

    makeSizedLabel(m_client, QStringLiteral("Label2"), QStringLiteral("クラス番号"), 240, 1080);
    makeSizedLabel(m_client, QStringLiteral("Label3"), QStringLiteral("振り分け人数"), 1320, 1080);
    makeSizedLabel(m_client, QStringLiteral("Label4"), QStringLiteral("振り分けるクラス数"), 3120, 240);

    m_confirm = makeCommandButton(m_client, QStringLiteral("Command2"), QStringLiteral("　各グループ　入力データ確認ボタン"),
                           QStringLiteral("各グループの条件入力完了時に必ずクリックしてください。入力データがファイルに保存されています。"),
                           600, 4680, 1335, 855);
    m_readBack = makeCommandButton(m_client, QStringLiteral("Command3"), QStringLiteral("前回条件の読み込み"),
                            QStringLiteral("前回起動時に入力した条件を呼び出す際に押してください。初めての時は使用しません。"),
                            600, 5880, 1335, 585);

    makeSizedLabel(m_client, QStringLiteral("Label5"), QStringLiteral("Ｔａｂｷｰで次の入力枠に移動"), 240, 4320);

    m_draw = makeCommandButton(m_client, QStringLiteral("Command4"), QStringLiteral("分布表表示(何回もクリック)"),
                        QStringLiteral("クリックする度にクラス分けします。分布、平均点など最適の条件のクラス分けができます。"),
                        3720, 5880, 1575, 615);
    m_save = makeCommandButton(m_client, QStringLiteral("Command5"), QStringLiteral("ファイルに保存"),
                        QStringLiteral("最適なクラス分けができたらファイル保存。csvファイルで新クラスと分布表データが保存されます。"),
                        5880, 5880, 1455, 615);

    const QFont countsFont = layoutFont(kFontPMincho, 9.75);
    makeSizedLabel(m_client, QStringLiteral("Label8"), QStringLiteral("生徒人数"), 7200, 360, &countsFont);
    makeSizedLabel(m_client, QStringLiteral("Label9"), QStringLiteral("グループ数"), 7200, 840);
    m_studentCount = makeSizedLabel(m_client, QStringLiteral("Label10"), QStringLiteral("Label10"), 8280, 360);
    m_groupCount = makeSizedLabel(m_client, QStringLiteral("Label11"), QStringLiteral("Label11"), 8280, 840);

    m_exit = makeCommandButton(m_client, QStringLiteral("Command7"), QStringLiteral("終了"), QStringLiteral("ソフトを終了します"),
                        7920, 5880, 615, 615);

    // Selecting an entry, by the user (even the entry already shown) or by
    // the program, shows that group's condition; showing it twice is harmless.
    connect(m_combo, &QComboBox::currentIndexChanged, this, &ConditionsWindow::groupSelected);
    connect(m_combo, &QComboBox::activated, this, &ConditionsWindow::groupSelected);
    connect(m_setClassCount, &QPushButton::clicked, this, &ConditionsWindow::setClassCountClicked);
    connect(m_confirm, &QPushButton::clicked, this, &ConditionsWindow::confirmEntryClicked);
    connect(m_readBack, &QPushButton::clicked, this, &ConditionsWindow::readConditionsClicked);
    connect(m_draw, &QPushButton::clicked, this, &ConditionsWindow::drawClassesClicked);
    connect(m_save, &QPushButton::clicked, this, &ConditionsWindow::saveResultClicked);
    connect(m_exit, &QPushButton::clicked, this, [] { Dialogs::endProgram(); });

    setupWindowFrame(this, kClientWidth, kClientHeight, deliverable, layout()->menuBar()->sizeHint().height());
}

void ConditionsWindow::load()
{
    const Year::Loaded& loaded = year().loaded();
    {
        // Filling the list is no selection: nothing is selected afterwards.
        const QSignalBlocker blocker(m_combo);
        m_combo->addItems(loaded.groupList);
        m_combo->setCurrentIndex(-1);
    }

    createPlanRows();

    m_studentCount->setText(loaded.studentCountText);
    m_studentCount->adjustSize();
    m_groupCount->setText(loaded.groupCountText);
    m_groupCount->adjustSize();

    if (loaded.refusal)
        Dialogs::showMessage(this, *loaded.refusal);
}

void ConditionsWindow::createPlanRows()
{
    for (int k = 2; k <= kMaxPlanRows; ++k) {
        const QLineEdit* above = m_classNumbers[k - 1];
        const int top = kRowTop + kRowHeight * (k - 1);
        m_classNumbers[k] = makeTextBox(m_client, QStringLiteral("Text1(%1)").arg(k), above->toolTip(), kClassNumberLeft,
                                    top, kRowBoxWidth, kRowHeight);
        m_headCounts[k] = makeTextBox(m_client, QStringLiteral("Text2(%1)").arg(k), m_headCounts[1]->toolTip(),
                                  kHeadCountLeft, top, kRowBoxWidth, kRowHeight);
    }

    // The Tab key walks the Tab column; the plan rows come right after the
    // row-1 boxes, class number before head count, row by row.
    QList<QWidget*> chain{m_picture, m_combo, m_classCount, m_setClassCount};
    for (int k = 1; k <= kMaxPlanRows; ++k)
        chain << m_classNumbers[k] << m_headCounts[k];
    chain << m_confirm << m_readBack << m_draw << m_save << m_exit;
    chainTabOrder(chain);

    showRows(kMaxPlanRows);
}

void ConditionsWindow::groupSelected()
{
    const SelectGroupOutcome outcome = m_model.selectGroup(m_combo->currentIndex());
    showPlanRows(outcome.view);
    applyFocus(outcome.focus);
}

void ConditionsWindow::setClassCountClicked()
{
    const SetClassCountOutcome outcome = m_model.setClassCount(m_combo->currentIndex(), m_classCount->text());
    if (outcome.clearClassCount)
        m_classCount->clear();
    if (outcome.visibleRows)
        showRows(*outcome.visibleRows);
    if (outcome.message)
        Dialogs::showMessage(this, *outcome.message);
    applyFocus(outcome.focus);
}

void ConditionsWindow::confirmEntryClicked()
{
    ConfirmEntryInput input;
    input.listPosition = m_combo->currentIndex();
    for (int k = 1; k <= kMaxPlanRows; ++k) {
        input.classNumbers[k] = m_classNumbers[k]->text();
        input.headCounts[k] = m_headCounts[k]->text();
    }
    const ConfirmEntryOutcome outcome = m_model.confirmEntry(input);
    if (outcome.message)
        Dialogs::showMessage(this, *outcome.message);
    if (outcome.writeFailure)
        Dialogs::showMessage(this, *outcome.writeFailure);
}

void ConditionsWindow::offerFittingCounts()
{
    // The roster gained or lost students since the conditions were saved.
    const std::vector<FittingCounts> fits = fittingHeadCounts(m_model.year().workspace());
    if (fits.empty())
        return;
    const Message question{fittingCountsQuestion(m_model.year().workspace(), fits), QStringLiteral("振り分け人数の確認")};
    if (!Dialogs::ask(this, question))
        return;
    if (const std::optional<Message> failure = m_model.fitHeadCounts(fits))
        Dialogs::showMessage(this, *failure);
    if (m_combo->count() > 0)
        groupSelected(); // the group shown with its counts as they are now
}

void ConditionsWindow::readConditionsClicked()
{
    const ReadConditionsOutcome outcome = m_model.readConditions();
    switch (outcome.status) {
    case ReadConditionsOutcome::Status::Read:
        // Selecting the first group shows it as a selection does; the rows
        // read are then shown with their zeros.
        if (m_combo->count() > 0) {
            if (m_combo->currentIndex() == 0)
                groupSelected();
            else
                m_combo->setCurrentIndex(0);
        }
        if (outcome.view)
            showPlanRows(*outcome.view);
        offerFittingCounts();
        break;
    case ReadConditionsOutcome::Status::Missing:
        if (outcome.message)
            Dialogs::showMessage(this, *outcome.message);
        Dialogs::endProgram();
        break;
    case ReadConditionsOutcome::Status::Failed:
        break;
    }
}

void ConditionsWindow::drawClassesClicked()
{
    if (!mayReplaceSwaps())
        return;
    // The table is shown when the year says its draw changed; a message comes after it.
    const std::optional<Message> message = m_everyPress->isChecked() ? m_session.evenOut(true).message
                                                                     : m_session.press().message;
    if (message)
        Dialogs::showMessage(this, *message);
}

void ConditionsWindow::showTable()
{
    m_picture->setItems(distributionTableItems(year().distribution(), year().students().count(), year().hasDraw()));
    // shown before the next press can come
    m_picture->repaint();
}

bool ConditionsWindow::mayReplaceSwaps()
{
    const int swaps = year().swaps().count();
    if (swaps == 0 && year().mendCount() > 0)
        return Dialogs::ask(this, kReplaceMendQuestion);
    return swaps == 0 || Dialogs::ask(this, replaceSwapsQuestion(swaps));
}

void ConditionsWindow::saveResultClicked()
{
    // A draft carried over to a changed roster may leave students without a class.
    if (const std::optional<Message> unplaced = unplacedSaveRefusal(year().students(), year().classes())) {
        Dialogs::showMessage(this, *unplaced);
        return;
    }
    // Students the school's record keeps apart, in one class: said before anything is chosen or written.
    if (const std::optional<Message> question =
            recordBreakQuestion(year().students(), year().rules(), year().classes(), RecordUse::SaveResult);
        question && !Dialogs::ask(this, *question))
        return;
    // Beside the CSV, where the conditions file is, whatever folder the program was started in.
    const QString csvPath = year().students().csvPath;
    const QString csvFolder = csvPath.isEmpty() ? QString() : QFileInfo(csvPath).absolutePath();
    // A roster read from a workbook is offered a workbook back first.
    const std::optional<Dialogs::ResultChoice> choice = Dialogs::chooseResultFile(this, csvFolder, isWorkbookName(csvPath));
    if (!choice)
        return;
    const ResultTarget target =
        resultTarget(choice->name, choice->workbookFilter ? ResultFormat::Workbook : ResultFormat::Csv);
    const std::optional<Message> failure = target.format == ResultFormat::Workbook
                                               ? m_model.saveResultWorkbook(target.path)
                                               : m_model.saveResult(target.path);
    if (failure)
        Dialogs::showMessage(this, *failure);
}

void ConditionsWindow::showPlanRows(const PlanRowsView& view)
{
    m_classCount->setText(view.classCount);
    for (int k = 1; k <= kMaxPlanRows; ++k) {
        m_classNumbers[k]->setText(view.classNumbers[k]);
        m_headCounts[k]->setText(view.headCounts[k]);
    }
    showRows(view.visibleRows);
}

void ConditionsWindow::showRows(int visibleRows)
{
    for (int k = 1; k <= kMaxPlanRows; ++k) {
        m_classNumbers[k]->setVisible(k <= visibleRows);
        m_headCounts[k]->setVisible(k <= visibleRows);
    }
}

void ConditionsWindow::applyFocus(ConditionsFocus focus)
{
    switch (focus) {
    case ConditionsFocus::Unchanged:
        break;
    case ConditionsFocus::ClassCount:
        m_classCount->setFocus(Qt::OtherFocusReason);
        break;
    case ConditionsFocus::FirstClassNumber:
        m_classNumbers[1]->setFocus(Qt::OtherFocusReason);
        break;
    }
}

void ConditionsWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closedByUser();
}

} // namespace classdiv
