#include "ui/SeparationRecordWindow.h"

#include "division/rules/RecordMatch.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/RecordKeeper.h"
#include "session/YearModel.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace classdiv {

namespace {

enum Column { kYear, kEntered, kStudents, kReason, kBy, kEnded, kEndReason, kColumns };

QString studentsText(const RecordEntry& e)
{
    QStringList out;
    for (const RecordStudent& s : e.students)
        out << (s.id.isEmpty() ? s.name : QStringLiteral("%1 %2").arg(s.id, s.name));
    return out.join(QStringLiteral("・"));
}

} // namespace

SeparationRecordWindow::SeparationRecordWindow(YearModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(model), m_keeper(RecordKeeper::of(model))
{
    setupUi();
    connect(&m_keeper, &RecordKeeper::changed, this, &SeparationRecordWindow::refresh);
    refresh();
}

void SeparationRecordWindow::setupUi()
{
    setObjectName(QStringLiteral("SeparationRecordWindow"));
    setWindowTitle(QStringLiteral("離す記録"));
    setFont(layoutFont(kFontPGothic, 9));
    const auto box = [this](const char* name, const QString& hint) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setPlaceholderText(hint);
        return edit;
    };
    const auto button = [this](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("recordFile"));
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_choose = button("chooseRecordFile", QStringLiteral("記録ファイルを選ぶ…"),
                      QStringLiteral("学校で１つの離す記録のファイル（ふつうは共有フォルダーに置きます）を選ぶか、新しく名前を付けます。"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("recordStatus"));
    m_status->setWordWrap(true);
    m_search = box("recordSearch", QStringLiteral("氏名・識別番号・理由・記入者で探す"));
    m_table = new QTableWidget(0, kColumns, this);
    m_table->setObjectName(QStringLiteral("recordEntries"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("年度"), QStringLiteral("記入日"), QStringLiteral("生徒"),
                                        QStringLiteral("理由"), QStringLiteral("記入者"), QStringLiteral("終えた日"),
                                        QStringLiteral("終えた理由")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(kStudents, QHeaderView::Stretch);
    m_ids = box("recordIds", QStringLiteral("例: 2301、2315（読点かコンマで区切る）"));
    m_reason = box("recordReason", QStringLiteral("例: トラブル、保護者要望"));
    m_enteredBy = box("recordEnteredBy", QStringLiteral("記入した先生の名前"));
    m_enteredBy->setText(QSettings().value(RecordKeeper::kEnteredByKey).toString());
    m_add = button("addRecordEntry", QStringLiteral("記録に加える"),
                   QStringLiteral("識別番号の生徒たちを、これからずっと別々のクラスにする記録に加えます。"));
    m_endReason = box("recordEndReason", QStringLiteral("例: 関係が改善した"));
    m_endDate = box("recordEndDate", QStringLiteral("空欄なら今日（例: 2026/3/31）"));
    m_end = button("endRecordEntry", QStringLiteral("選んだ記録を終える"),
                   QStringLiteral("一覧で選んだ記録を、終えた日（空欄なら今日）で終えます。記録はファイルに残り、灰色で表示されます。"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("記録ファイル："), this));
    top->addWidget(m_file, 1);
    top->addWidget(m_choose);
    auto* add = new QFormLayout;
    add->addRow(QStringLiteral("識別番号"), m_ids);
    add->addRow(QStringLiteral("理由"), m_reason);
    add->addRow(QStringLiteral("記入者"), m_enteredBy);
    add->addRow(QString(), m_add);
    auto* end = new QHBoxLayout;
    end->addWidget(new QLabel(QStringLiteral("終える理由"), this));
    end->addWidget(m_endReason, 1);
    end->addWidget(new QLabel(QStringLiteral("終えた日"), this));
    end->addWidget(m_endDate);
    end->addWidget(m_end);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_status);
    layout->addWidget(m_search);
    layout->addWidget(m_table, 1);
    layout->addLayout(add);
    layout->addLayout(end);

    connect(m_choose, &QPushButton::clicked, this, &SeparationRecordWindow::chooseClicked);
    connect(m_add, &QPushButton::clicked, this, &SeparationRecordWindow::addClicked);
    connect(m_end, &QPushButton::clicked, this, &SeparationRecordWindow::endClicked);
    connect(m_search, &QLineEdit::textChanged, this, &SeparationRecordWindow::filter);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> chosen = m_table->selectedItems();
        m_end->setEnabled(!chosen.isEmpty() && chosen.first()->data(Qt::UserRole + 1).toBool());
    });
    resize(900, 560);
}

void SeparationRecordWindow::refresh()
{
    const QString path = m_keeper.path();
    m_file->setText(path.isEmpty() ? QStringLiteral("（まだ選んでいません）") : QDir::toNativeSeparators(path));
    const SeparationRecord& record = m_keeper.record();
    const long open = std::count_if(record.entries.begin(), record.entries.end(), [](const RecordEntry& e) { return e.open(); });
    const RecordMatch& match = m_keeper.match();
    QString status = path.isEmpty() ? QStringLiteral("記録ファイルを選ぶと、名簿を読み込むたびに記録が別クラスの決まりになります。")
                     : !m_keeper.usable() ? QStringLiteral("このファイルは読めないので、使っていません。")
                                          : QStringLiteral("今年の名簿にあてはまる記録 %1件　（記録 %2件、うち終えたもの %3件）")
                                                .arg(match.applied.size())
                                                .arg(record.entries.size())
                                                .arg(long(record.entries.size()) - open);
    if (!match.toConfirm.empty())
        status += QStringLiteral("　確かめていない生徒 %1人").arg(match.toConfirm.size());
    if (match.byName)
        status += QStringLiteral("　（識別番号が重なる名簿なので、氏名で照らし合わせています）");
    m_status->setText(status);

    m_table->setRowCount(0);
    m_table->setRowCount(static_cast<int>(record.entries.size()));
    int row = 0;
    // The latest first: the one just added is at the top.
    for (auto e = record.entries.rbegin(); e != record.entries.rend(); ++e, ++row) {
        const QStringList cells = {QStringLiteral("%1年度").arg(e->schoolYear), e->entered.toString(QStringLiteral("yyyy/M/d")),
                                   studentsText(*e), e->reason, e->enteredBy,
                                   e->ended.isValid() ? e->ended.toString(QStringLiteral("yyyy/M/d")) : QString(), e->endReason};
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, e->key);
            item->setData(Qt::UserRole + 1, e->open());
            if (!e->open())
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            m_table->setItem(row, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    const bool writable = !path.isEmpty() && m_keeper.usable();
    m_add->setEnabled(writable);
    m_end->setEnabled(false);
    filter();
}

void SeparationRecordWindow::filter()
{
    const QString words = m_search->text().trimmed();
    for (int r = 0; r < m_table->rowCount(); ++r) {
        bool shown = words.isEmpty();
        for (int c = 0; c < kColumns && !shown; ++c)
            shown = m_table->item(r, c)->text().contains(words, Qt::CaseInsensitive);
        m_table->setRowHidden(r, !shown);
    }
}

void SeparationRecordWindow::chooseClicked()
{
    const QString now = m_keeper.path();
    const QString folder = now.isEmpty() ? QFileInfo(m_model.year().students().csvPath).absolutePath() : QFileInfo(now).absolutePath();
    const std::optional<QString> chosen = Dialogs::chooseKeptFile(this, QStringLiteral("離す記録のファイルを選ぶ"),
                                                                  QStringLiteral("離す記録 (*.txt)"), QStringLiteral("txt"), folder);
    if (chosen)
        m_keeper.choose(this, *chosen);
}

void SeparationRecordWindow::addClicked()
{
    const QStringList ids = m_ids->text().split(QRegularExpression(QStringLiteral("[,、，\\s]+")), Qt::SkipEmptyParts);
    if (ids.size() < 2) {
        Dialogs::showMessage(this, Message{QStringLiteral("別々にする生徒の識別番号を２つ以上入れて下さい。"), QStringLiteral("離す記録")});
        return;
    }
    if (m_keeper.addIdentifiers(this, ids, m_reason->text(), m_enteredBy->text())) {
        m_ids->clear();
        m_reason->clear();
    }
}

void SeparationRecordWindow::endClicked()
{
    const QList<QTableWidgetItem*> chosen = m_table->selectedItems();
    if (chosen.isEmpty())
        return;
    if (m_endReason->text().trimmed().isEmpty()) {
        Dialogs::showMessage(this, Message{QStringLiteral("記録を終える理由を入れて下さい。"), QStringLiteral("離す記録")});
        return;
    }
    const QString dateText = m_endDate->text().trimmed();
    const QDate date = dateText.isEmpty() ? QDate::currentDate() : QDate::fromString(dateText, QStringLiteral("yyyy/M/d"));
    if (!date.isValid()) {
        Dialogs::showMessage(this, Message{QStringLiteral("終えた日「%1」が読めません。2026/3/31 のように入れて下さい。").arg(dateText),
                                           QStringLiteral("離す記録")});
        return;
    }
    if (m_keeper.end(this, chosen.first()->data(Qt::UserRole).toString(), date, m_endReason->text())) {
        m_endReason->clear();
        m_endDate->clear();
    }
}

} // namespace classdiv
