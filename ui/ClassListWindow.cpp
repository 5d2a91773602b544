#include "ui/ClassListWindow.h"

#include "division/lists/ClassSwaps.h"
#include "division/lists/FlagSplits.h"
#include "division/lists/Unplaced.h"
#include "division/DivisionFigures.h"
#include "export/ResultFile.h"
#include "session/YearSession.h"
#include "ui/ClassListColumns.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/RecordKeeper.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

namespace classdiv {

namespace {

const QColor kBrokenCell(255, 196, 196);

} // namespace

ClassListWindow::ClassListWindow(YearSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_model(session.model())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setupUi();
    // The lists, their marks of broken rules and the averages follow every
    // change of the classes or the rules; a hand swap fills again only the
    // lists it changed.
    connect(&m_model, &YearModel::drawChanged, this, &ClassListWindow::refresh);
    connect(&m_model, &YearModel::rulesChanged, this, &ClassListWindow::refresh);
    connect(&m_model, &YearModel::swapped, this, &ClassListWindow::swapped);
    refresh();
}

void ClassListWindow::setupUi()
{
    setObjectName(QStringLiteral("ClassListWindow"));
    setWindowTitle(QStringLiteral("クラス名簿"));
    setFont(layoutFont(kFontPGothic, 9));

    m_orderBox = new QComboBox(this);
    m_orderBox->setObjectName(QStringLiteral("sortOrder"));
    m_orderBox->addItems({QStringLiteral("成績順"), QStringLiteral("氏名順"), QStringLiteral("元の順")});
    m_orderBox->setToolTip(QStringLiteral("名簿の並べ方。PDFもこの順に印刷します。"));
    m_swap = new QPushButton(QStringLiteral("入れ替え"), this);
    m_swap->setObjectName(QStringLiteral("swapButton"));
    m_undo = new QPushButton(QStringLiteral("元に戻す"), this);
    m_undo->setObjectName(QStringLiteral("undoButton"));
    m_pdf = new QPushButton(QStringLiteral("PDFに保存"), this);
    m_pdf->setObjectName(QStringLiteral("pdfButton"));
    m_pdf->setToolTip(QStringLiteral("会議用に、クラスごとに１ページずつ、選んだ列の名簿と人数・層別人数を「機密」の印と部数の番号つきでPDFに保存します。"));

    m_addToRecord = new QPushButton(QStringLiteral("離す記録に加える"), this);
    m_addToRecord->setObjectName(QStringLiteral("addToRecordButton"));
    m_addToRecord->setToolTip(QStringLiteral("選んだ生徒（Ctrl を押しながら同じ名簿の２人も選べます）を、学校の離す記録に加えます。(Ctrl+R)"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("並べ方"), this));
    bar->addWidget(m_orderBox);
    bar->addSpacing(16);
    bar->addWidget(m_swap);
    bar->addWidget(m_undo);
    bar->addWidget(m_addToRecord);
    bar->addStretch(1);
    bar->addWidget(m_pdf);

    // The lists stand side by side; a wide year scrolls sideways.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("classListArea"));
    scroll->setWidgetResizable(true);
    m_listArea = new QWidget(scroll);
    m_listRow = new QHBoxLayout(m_listArea);
    m_listRow->setContentsMargins(4, 4, 4, 4);
    scroll->setWidget(m_listArea);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ruleNote"));
    m_note->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_note);

    connect(m_orderBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_order = static_cast<RosterOrder>(index);
        m_model.setRosterOrder(m_order); // the result workbook's class sheets follow it
        refresh();
    });
    connect(m_swap, &QPushButton::clicked, this, &ClassListWindow::swapClicked);
    connect(m_undo, &QPushButton::clicked, this, &ClassListWindow::undoClicked);
    connect(m_pdf, &QPushButton::clicked, this, &ClassListWindow::pdfClicked);
    connect(m_addToRecord, &QPushButton::clicked, this, &ClassListWindow::addToRecordClicked);
    // The keys work wherever the focus is in the window, as a press of the
    // button would when it is enabled.
    for (auto [button, key] : {std::pair{m_swap, Qt::Key_E}, std::pair{m_undo, Qt::Key_Z}, std::pair{m_addToRecord, Qt::Key_R}}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    }
    resize(1000, 640);
}

void ClassListWindow::refresh()
{
    refill(std::nullopt);
}

void ClassListWindow::swapped(int classA, int classB)
{
    refill(std::pair{classA, classB});
}

void ClassListWindow::refill(std::optional<std::pair<int, int>> swappedClasses)
{
    const Year& year = m_model.year();
    std::vector<int> classes = classesInUse(year.classes());
    // A division not whole (a draft carried over to a changed roster): the
    // students not placed in a column of their own, and every break shown,
    // not only those made by hand.
    const QString unplaced = unplacedNote(year.workspace(), year.classes());
    if (!unplacedRows(year.classes()).empty())
        classes.push_back(kUnplacedClass);
    const RosterColumns columns = rosterColumns(year.students(), year.rules());
    if (classes != m_classes || columns.headings != m_headings) {
        rebuildColumns(classes, columns.headings);
        swappedClasses.reset();
    }
    m_chosen.clear();
    const RuleBreaks breaks =
        unplaced.isEmpty() ? year.swaps().breaksMadeByHand(year.students(), year.classes(), year.bands(), year.rules())
                           : findRuleBreaks(year.students(), year.classes(), year.bands(), year.rules());
    m_figures = divisionFigures(year, SpreadOfAverages::Left);
    // One repaint for all lists; after a swap only the lists filled again are repainted.
    if (!swappedClasses)
        setUpdatesEnabled(false);
    for (int i = 0; i < static_cast<int>(m_lists.size()); ++i) {
        const int classNumber = m_classes[static_cast<size_t>(i)];
        ClassListLook look = classListLook(year, classNumber, columns, breaks, m_figures);
        // A swap leaves the other classes' rows as they were; their marks may still change.
        const bool same = swappedClasses && classNumber != swappedClasses->first &&
                          classNumber != swappedClasses->second && look == m_looks[static_cast<size_t>(i)];
        if (same) {
            const QSignalBlocker blocker(m_lists[static_cast<size_t>(i)]);
            m_lists[static_cast<size_t>(i)]->clearSelection();
            continue;
        }
        m_looks[static_cast<size_t>(i)] = std::move(look);
        fillList(i, columns);
    }
    if (!swappedClasses)
        setUpdatesEnabled(true);
    showNote(breaks, unplaced);
    updateButtons();
}

void ClassListWindow::showNote(const RuleBreaks& breaks, const QString& unplaced)
{
    const Year& year = m_model.year();
    const ClassSwaps& swaps = year.swaps();
    if (swaps.count() == 0)
        m_note->setText(QStringLiteral("２つのクラスから同じグループの生徒を１人ずつ選んで「入れ替え」を押します。"));
    else if (breaks.empty())
        m_note->setText(QStringLiteral("入れ替え%1件。入れ替えで破れた決まりはありません。").arg(swaps.count()));
    else
        m_note->setText(QStringLiteral("入れ替え%1件。").arg(swaps.count()) +
                        ruleBreakNote(breaks, year.bands(), year.students(), year.rules()));
    if (!unplaced.isEmpty())
        m_note->setText(unplaced + QStringLiteral("　") + ruleBreakNote(breaks, year.bands(), year.students(), year.rules()));
    if (!year.rules().typed[RuleBox::Flags].empty()) // before the broken rules, as the score columns' figure
        m_note->setText(flagSplitNote(year.rules(), m_figures.flags) + QStringLiteral("　") + m_note->text());
    if (!year.rules().numbers[RuleBox::Scores].empty()) // first, so that a long list of broken rules never hides it
        m_note->setText(largestSpreadText(m_figures.scoreSpreads->largest) + QStringLiteral("　") +
                        m_note->text());
}

void ClassListWindow::rebuildColumns(const std::vector<int>& classes, const QStringList& headings)
{
    while (QLayoutItem* item = m_listRow->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_lists.clear();
    m_headers.clear();
    m_looks.assign(classes.size(), ClassListLook());
    m_classes = classes;
    m_headings = headings;

    int width = 0;
    for (int c = 0; c < headings.size(); ++c)
        width += classListColumnWidth(c);
    for (const int classNumber : m_classes) {
        auto* column = new QWidget(m_listArea);
        auto* stack = new QVBoxLayout(column);
        stack->setContentsMargins(0, 0, 0, 0);
        auto* header = new QLabel(column);
        header->setObjectName(classObjectName("classHeader", classNumber));
        auto* list = new QTableWidget(0, static_cast<int>(headings.size()), column);
        list->setObjectName(classObjectName("classList", classNumber));
        list->setHorizontalHeaderLabels(headings);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection); // two of one class for the record
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->verticalHeader()->setVisible(false);
        list->verticalHeader()->setDefaultSectionSize(20);
        for (int c = 0; c < headings.size(); ++c)
            list->horizontalHeader()->resizeSection(c, classListColumnWidth(c));
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setFixedWidth(width + list->verticalScrollBar()->sizeHint().width() + 2 * list->frameWidth());
        stack->addWidget(header);
        stack->addWidget(list, 1);
        m_listRow->addWidget(column);
        m_lists.push_back(list);
        m_headers.push_back(header);
        connect(list, &QTableWidget::itemSelectionChanged, this, [this, list] { listSelectionChanged(list); });
    }
    m_listRow->addStretch(1);
}

void ClassListWindow::fillList(int index, const RosterColumns& columns)
{
    const Year& year = m_model.year();
    const Students& students = year.students();
    const int classNumber = m_classes[static_cast<size_t>(index)];
    const std::set<std::pair<int, int>>& broken = m_looks[static_cast<size_t>(index)].broken;
    m_headers[static_cast<size_t>(index)]->setText(m_looks[static_cast<size_t>(index)].header);

    QTableWidget* list = m_lists[static_cast<size_t>(index)];
    const QSignalBlocker blocker(list);
    const std::vector<int> rows = rosterRows(students, year.classes(), classNumber, m_order);
    list->clearSelection();
    list->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const int row = rows[static_cast<size_t>(i)];
        const QStringList cells = rosterCells(students, year.rules(), columns, row);
        const bool moved = year.swaps().movedByHand(year.classes(), row);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, row);
            if (c == columns.scoreColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (moved && c == 0) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setToolTip(QStringLiteral("入れ替えでこのクラスに来た生徒"));
            }
            if (broken.count({row, c})) {
                item->setBackground(kBrokenCell);
                item->setToolTip(brokenTip(columns, c));
            }
            list->setItem(i, c, item);
        }
    }
}

void ClassListWindow::listSelectionChanged(QTableWidget* list)
{
    m_chosen.removeAll(list);
    if (!list->selectedItems().isEmpty())
        m_chosen.append(list);
    // Only the two lists chosen last keep their selection.
    while (m_chosen.size() > 2) {
        QTableWidget* oldest = m_chosen.takeFirst();
        const QSignalBlocker blocker(oldest);
        oldest->clearSelection();
    }
    updateButtons();
}

std::pair<int, int> ClassListWindow::selectedStudents() const
{
    int rows[2] = {0, 0};
    for (int i = 0; i < std::min<int>(2, m_chosen.size()); ++i) {
        const QList<QTableWidgetItem*> items = m_chosen[i]->selectedItems();
        if (!items.isEmpty() && m_chosen[i]->selectionModel()->selectedRows().size() == 1) // a swap is of one each
            rows[i] = items.first()->data(Qt::UserRole).toInt();
    }
    return {rows[0], rows[1]};
}

std::vector<int> ClassListWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QTableWidget* list : m_chosen)
        for (const QTableWidgetItem* item : list->selectedItems())
            if (const int row = item->data(Qt::UserRole).toInt(); row > 0 && std::find(rows.begin(), rows.end(), row) == rows.end())
                rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ClassListWindow::addToRecordClicked()
{
    RecordKeeper::of(m_model).addChosen(this, selectedRows());
}

void ClassListWindow::updateButtons()
{
    const Year& year = m_model.year();
    const auto [a, b] = selectedStudents();
    const SwapStatus status = checkSwap(year.students(), year.classes(), a, b);
    m_swap->setEnabled(status == SwapStatus::Swapped);
    if (status == SwapStatus::Swapped) {
        const auto who = [&](int row) {
            const Student& s = year.students()[row];
            return QStringLiteral("%1（%2）").arg(s.name.isEmpty() ? s.id : s.name, classLabel(year.classOf(row)));
        };
        m_swap->setToolTip(QStringLiteral("%1と%2のクラスを入れ替えます。(Ctrl+E)").arg(who(a), who(b)));
    } else {
        m_swap->setToolTip(swapStatusText(status));
    }
    // A mend (最小の移動で直す) is taken back whole, as one step.
    const int count = year.swaps().count() + year.mendCount();
    m_undo->setEnabled(count > 0);
    m_undo->setToolTip(count > 0 ? QStringLiteral("最後の入れ替えを元に戻します（あと%1件）。(Ctrl+Z)").arg(count)
                                 : QStringLiteral("元に戻す入れ替えはありません。"));
}

void ClassListWindow::swapClicked()
{
    const auto [a, b] = selectedStudents();
    m_model.swap(a, b); // refreshes this window when the year says students moved
}

void ClassListWindow::undoClicked()
{
    m_model.undoSwap();
}

void ClassListWindow::pdfClicked()
{
    // The meeting sheets: columns, copies and the draft's name chosen first;
    // the dialog asks where to save and writes the file.
    m_session.open(SatelliteRequest{Satellite::MeetingSheets, m_order, {}}, this);
}

} // namespace classdiv
