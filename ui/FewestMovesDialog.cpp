#include "ui/FewestMovesDialog.h"

#include "ui/Dialogs.h"
#include "session/YearModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace classdiv {

namespace {

QString spreadText(double spread) { return QString::number(spread, 'f', 2); }

} // namespace

FewestMovesDialog::FewestMovesDialog(YearModel& model, uint64_t seed, QWidget* parent)
    : QDialog(parent), m_model(model), m_seed(seed)
{
    setObjectName(QStringLiteral("FewestMovesDialog"));
    setWindowTitle(QStringLiteral("最小の移動で直す"));
    setModal(true);
    const Year& year = model.year();

    auto* explanation = new QLabel(QStringLiteral("クラスのない生徒をすべて入れ、振り分け人数・成績の層・クラス分けの決まりを守ったまま、\n"
                                                  "すでにクラスのある生徒をできるだけ少なく動かします。Enter で直し、Esc でやめます。"),
                                   this);
    m_largest = new QSpinBox(this);
    m_largest->setObjectName(QStringLiteral("largestMoves"));
    m_largest->setRange(-1, year.students().count());
    m_largest->setValue(-1);
    m_largest->setSpecialValueText(QStringLiteral("上限なし"));
    m_largest->setToolTip(QStringLiteral("これより多くの生徒は動かしません。"));
    m_locked = new QListWidget(this);
    m_locked->setObjectName(QStringLiteral("lockedClasses"));
    m_locked->setToolTip(QStringLiteral("印を付けたクラスの生徒は動かしません（↑↓で選び、スペースで印を付け外し）。"));
    m_locked->setMaximumHeight(110);
    QSet<int> classes;
    for (size_t row = 1; row < year.classes().size(); ++row)
        if (year.classes()[row] != kUnplacedClass)
            classes.insert(year.classes()[row]);
    QList<int> sorted = classes.values();
    std::sort(sorted.begin(), sorted.end());
    for (int c : sorted) {
        auto* item = new QListWidgetItem(classText(c), m_locked);
        item->setData(Qt::UserRole, c);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_moves = new QLabel(this);
    m_moves->setObjectName(QStringLiteral("movesFound"));
    m_spread = new QLabel(this);
    m_spread->setObjectName(QStringLiteral("spreadFound"));
    m_spread->setWordWrap(true);
    m_students = new QTableWidget(0, 5, this);
    m_students->setObjectName(QStringLiteral("movedStudents"));
    m_students->setHorizontalHeaderLabels({QStringLiteral("CSVの行"), QStringLiteral("識別番号"), QStringLiteral("氏名"),
                                           QStringLiteral("元のクラス"), QStringLiteral("新しいクラス")});
    m_students->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_students->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_students->verticalHeader()->hide();
    m_students->horizontalHeader()->setStretchLastSection(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("動かす人数の上限(&L)"), m_largest);
    form->addRow(QStringLiteral("動かさないクラス(&K)"), m_locked);
    form->addRow(QStringLiteral("動かす人数"), m_moves);
    form->addRow(QStringLiteral("平均点の開き"), m_spread);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* apply = buttons->button(QDialogButtonBox::Ok);
    apply->setText(QStringLiteral("直す"));
    apply->setObjectName(QStringLiteral("applyButton"));
    apply->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("やめる"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FewestMovesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FewestMovesDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(m_students, 1);
    layout->addWidget(buttons);
    setTabOrder(m_largest, m_locked);
    setTabOrder(m_locked, m_students);
    setTabOrder(m_students, buttons);
    resize(620, 520);

    search();
    connect(m_largest, &QSpinBox::valueChanged, this, &FewestMovesDialog::search);
    connect(m_locked, &QListWidget::itemChanged, this, &FewestMovesDialog::search);
    m_largest->setFocus(Qt::OtherFocusReason);
}

MoveOptions FewestMovesDialog::options() const
{
    MoveOptions options;
    options.largestMoves = m_largest->value();
    for (int i = 0; i < m_locked->count(); ++i)
        if (m_locked->item(i)->checkState() == Qt::Checked)
            options.lockedClasses.push_back(m_locked->item(i)->data(Qt::UserRole).toInt());
    return options;
}

void FewestMovesDialog::search()
{
    m_found = findFewestMoves(m_model.year(), options(), m_seed);
    showFound();
}

void FewestMovesDialog::showFound()
{
    m_students->setRowCount(0);
    if (m_found.refusal) {
        m_moves->setText(QStringLiteral("直せません"));
        m_spread->setText(m_found.refusal->text.section(u'\n', 0, 0));
        return;
    }
    const Year& year = m_model.year();
    const double scratch = scratchSpread(year, m_found.classes, m_seed);
    const int placed = static_cast<int>(m_found.students.size()) - m_found.moves;
    m_moves->setText(placed > 0 ? QStringLiteral("%1人（ほかにクラスのなかった生徒 %2人を入れます）").arg(m_found.moves).arg(placed)
                                : QStringLiteral("%1人").arg(m_found.moves));
    m_spread->setText(QStringLiteral("%1（最初から平均点をそろえると %2）").arg(spreadText(m_found.spread), spreadText(scratch)));
    m_students->setRowCount(static_cast<int>(m_found.students.size()));
    for (int i = 0; i < m_students->rowCount(); ++i) {
        const MovedStudent& m = m_found.students[static_cast<size_t>(i)];
        const Student& s = year.students()[m.row];
        const QStringList cells{QString::number(m.row + 1), s.id, s.name, classText(m.from), classText(m.to)};
        for (int k = 0; k < cells.size(); ++k)
            m_students->setItem(i, k, new QTableWidgetItem(cells[k]));
    }
    m_students->resizeColumnsToContents();
}

void FewestMovesDialog::accept()
{
    if (m_found.refusal) {
        Dialogs::showMessage(this, *m_found.refusal);
        return;
    }
    m_model.applyMoves(m_found.classes);
    QDialog::accept();
}

} // namespace classdiv
