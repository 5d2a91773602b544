#include "ui/DraftWindow.h"

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "session/YearSession.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace classdiv {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

DraftWindow::DraftWindow(YearSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_model(session.model()),
      m_queued(this, [this](const std::set<int>* swapped) { swapped ? refreshScreenRow() : refresh(); })
{
    setObjectName(QStringLiteral("DraftWindow"));
    setWindowTitle(QStringLiteral("案の一覧"));
    setFont(layoutFont(kFontPMincho, 9));

    auto* nameLabel = new QLabel(QStringLiteral("案の名前(&N)"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("draftName"));
    m_name->setToolTip(QStringLiteral("画面のクラス分けを残すときの名前です。Enterで残します。"
                                      "一覧で選んだ案の名前を変えるときも、ここに新しい名前を入れます。"));
    nameLabel->setBuddy(m_name);
    m_keep = button(this, "keepDraft", QStringLiteral("残す"), QStringLiteral("画面のクラス分けを、この名前で残します。"));

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("draftTable"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->setColumnCount(static_cast<int>(draftListHeadings().size()));
    m_table->setHorizontalHeaderLabels(draftListHeadings());
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setToolTip(QStringLiteral("残した案と、最後に画面にあったクラス分け（作業中）です。"
                                       "Enterで選んだ案を画面に戻します。２つ選ぶと比べられます。"));
    m_table->installEventFilter(this);
    m_name->installEventFilter(this);

    m_open = button(this, "openDraft", QStringLiteral("この案に戻す"), QStringLiteral("選んだ案のクラス分けを画面に戻します。"));
    m_rename = button(this, "renameDraft", QStringLiteral("名前を変える"),
                      QStringLiteral("選んだ案の名前を、上の欄の名前に変えます。"));
    m_delete = button(this, "deleteDraft", QStringLiteral("削除"), QStringLiteral("選んだ案を消します（確かめてから）。"));
    m_compare = button(this, "compareDrafts", QStringLiteral("比べる"),
                       QStringLiteral("選んだ２つの案を、クラスごとの数字と違う生徒の一覧で比べます。"));
    auto* close = button(this, "closeDrafts", QStringLiteral("閉じる"), QStringLiteral("この一覧を閉じます（Esc）。"));

    auto* top = new QHBoxLayout;
    top->addWidget(nameLabel);
    top->addWidget(m_name, 1);
    top->addWidget(m_keep);
    auto* bottom = new QHBoxLayout;
    for (QPushButton* b : {m_open, m_rename, m_delete, m_compare})
        bottom->addWidget(b);
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    chainTabOrder({m_name, m_table, m_keep, m_open, m_rename, m_delete, m_compare, close});

    connect(m_name, &QLineEdit::returnPressed, this, &DraftWindow::keepClicked);
    connect(m_keep, &QPushButton::clicked, this, &DraftWindow::keepClicked);
    connect(m_open, &QPushButton::clicked, this, &DraftWindow::openClicked);
    connect(m_rename, &QPushButton::clicked, this, &DraftWindow::renameClicked);
    connect(m_delete, &QPushButton::clicked, this, &DraftWindow::deleteClicked);
    connect(m_compare, &QPushButton::clicked, this, &DraftWindow::compareClicked);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<int> rows = selectedRows();
        const bool one = rows.size() == 1;
        m_open->setEnabled(one);
        m_rename->setEnabled(one && rows.front() < static_cast<int>(m_model.drafts().drafts().size()));
        m_delete->setEnabled(m_rename->isEnabled());
        m_compare->setEnabled(rows.size() == 2);
    });
    // The figures follow the screen (今と違う生徒) and the list; one redraw for a run of changes.
    for (auto change : {&YearModel::drawChanged, &YearModel::rulesChanged, &YearModel::draftsChanged})
        connect(&m_model, change, this, [this] { m_queued.everything(); });
    connect(&m_model, &YearModel::swapped, this, [this](int a, int b) { m_queued.swapped(a, b); });
    resize(900, 420);
}

void DraftWindow::showEvent(QShowEvent* event)
{
    // What other programs on the roster kept since comes in with the next redraw.
    m_model.syncDrafts();
    refresh();
    m_name->setText(m_model.drafts().nextFreeName());
    m_name->selectAll();
    m_name->setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
    if (m_model.drafts().takeChangesNotice()) {
        // The roster changed since the drafts were kept: what changed comes first.
        m_session.open(SatelliteRequest{Satellite::RosterChanges}, this);
    }
    if (const std::optional<Message> message = m_model.drafts().takeReadMessage())
        Dialogs::showMessage(this, *message);
}

void DraftWindow::refresh()
{
    const QList<int> selected = selectedRows();
    m_model.drafts().takeScreen(m_model.year(), QDateTime::currentDateTime());
    const DraftBook& book = m_model.drafts();
    const Year& year = m_model.year();
    m_table->setRowCount(book.rowCount());
    m_figures.clear();
    for (int r = 0; r < book.rowCount(); ++r) {
        m_figures.push_back(draftFigures(year, book.row(r)));
        const QStringList cells = draftListRow(book.row(r), m_figures.back());
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    }
    // Every row chosen before stays chosen (selectRow would keep only the last).
    for (int r : selected)
        if (r < book.rowCount())
            m_table->setRangeSelected(QTableWidgetSelectionRange(r, 0, r, m_table->columnCount() - 1), true);
    if (m_table->selectedItems().isEmpty() && book.rowCount() > 0)
        selectOnly(book.rowCount() - 1);
    emit m_table->itemSelectionChanged();
}

void DraftWindow::refreshScreenRow()
{
    m_model.drafts().takeScreen(m_model.year(), QDateTime::currentDateTime());
    const DraftBook& book = m_model.drafts();
    const Year& year = m_model.year();
    // 「作業中」 taken for the first time adds a row: everything is drawn.
    if (!book.working() || !year.hasDraw() || book.rowCount() != m_table->rowCount() ||
        m_figures.size() != static_cast<size_t>(book.rowCount()))
        return refresh();
    // The list ends with this program's 「作業中」; the rows before it keep their classes.
    const int screen = book.rowCount() - 1;
    for (int r = 0; r < screen; ++r) {
        m_figures[static_cast<size_t>(r)].moved = movedStudents(book.row(r).classes, year.classes());
        showRow(r, draftListRow(book.row(r), m_figures[static_cast<size_t>(r)]));
    }
    m_figures.back() = draftFigures(year, book.row(screen));
    showRow(screen, draftListRow(book.row(screen), m_figures.back()));
}

void DraftWindow::showRow(int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c)
        if (QTableWidgetItem* item = m_table->item(row, c); item && item->text() != cells[c])
            item->setText(cells[c]);
}

void DraftWindow::selectOnly(int row)
{
    // selectRow adds to a selection of several rows instead of replacing it.
    m_table->clearSelection();
    m_table->setCurrentCell(row, 0);
    m_table->selectRow(row);
}

QList<int> DraftWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DraftWindow::keepClicked()
{
    const QString name = m_name->text().trimmed();
    const int used = m_model.drafts().indexOf(name);
    if (used >= 0 && m_model.year().hasDraw() &&
        !Dialogs::ask(this, Message{QStringLiteral("「%1」という案はもうあります。画面のクラス分けで置き換えますか？").arg(name),
                                    QString()}))
        return;
    if (const std::optional<Message> refusal = m_model.keepDraft(name)) {
        Dialogs::showMessage(this, *refusal);
        return;
    }
    refresh();
    selectOnly(m_model.drafts().indexOf(name));
    m_name->setText(m_model.drafts().nextFreeName());
    m_name->selectAll();
}

void DraftWindow::openClicked()
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 1)
        return;
    if (m_model.year().swaps().count() > 0 &&
        !Dialogs::ask(this, replaceSwapsQuestion(m_model.year().swaps().count())))
        return;
    if (const std::optional<Message> refusal = m_model.openDraft(rows.front()))
        Dialogs::showMessage(this, *refusal);
}

void DraftWindow::renameClicked()
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 1)
        return;
    if (const std::optional<Message> refusal = m_model.renameDraft(rows.front(), m_name->text()))
        Dialogs::showMessage(this, *refusal);
}

void DraftWindow::deleteClicked()
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 1 || rows.front() >= static_cast<int>(m_model.drafts().drafts().size()))
        return;
    const QString name = m_model.drafts().row(rows.front()).name;
    if (!Dialogs::ask(this, Message{QStringLiteral("案「%1」を消します。よろしいですか？").arg(name), QString()}))
        return;
    m_model.deleteDraft(rows.front());
}

void DraftWindow::compareClicked()
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 2) {
        Dialogs::showMessage(this, Message{QStringLiteral("比べる案を２つ選んで下さい（Ctrlを押しながらクリック）。"), QString()});
        return;
    }
    m_session.open(SatelliteRequest{Satellite::DraftComparison, RosterOrder::Score, {rows[0], rows[1]}}, this);
}

bool DraftWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == m_table) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openClicked();
            return true;
        }
        // Home and End go to the first and the last draft, not along a row's columns.
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && m_table->rowCount() > 0) {
            selectOnly(key->key() == Qt::Key_Home ? 0 : m_table->rowCount() - 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DraftWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace classdiv
