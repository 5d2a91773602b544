#include "ui/RosterChangesWindow.h"

#include "files/SaveFile.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/PaperPainter.h"

#include <QAction>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace classdiv {

namespace {

// A4 portrait in millimetres (ui/PaperPainter.h).
constexpr double kPageWidth = 210;
constexpr double kPageHeight = 297;
constexpr double kMargin = 14;
constexpr double kLine = 6;
const std::vector<double> kWeights{1.3, 0.9, 1.2, 1.8, 1.1, 3.7};

double dots(double mm) { return PaperPainter::dots(mm); }

void paintRow(QPainter& painter, const QStringList& cells, double top, bool bold)
{
    double total = 0;
    for (double w : kWeights)
        total += w;
    QFont font = painter.font();
    font.setBold(bold);
    painter.setFont(font);
    double x = kMargin;
    for (int c = 0; c < cells.size() && c < int(kWeights.size()); ++c) {
        const double w = (kPageWidth - 2 * kMargin) * kWeights[size_t(c)] / total;
        const QRectF box(dots(x), dots(top), dots(w), dots(kLine));
        painter.drawRect(box);
        painter.drawText(box.adjusted(dots(0.8), 0, -dots(0.8), 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
                         cells[c]);
        x += w;
    }
}

// The title and the time and page at the top of a page; returns where the page goes on (millimetres).
double paintHeading(QPainter& painter, const QString& printed, int page)
{
    const double width = kPageWidth - 2 * kMargin;
    painter.setFont(layoutFont(kFontPGothic, 13));
    painter.drawText(QRectF(dots(kMargin), dots(kMargin - 4), dots(width), dots(9)), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("名簿の変更"));
    painter.setFont(layoutFont(kFontMincho, 8));
    painter.drawText(QRectF(dots(kMargin), dots(kMargin - 4), dots(width), dots(9)), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1　%2ページ").arg(printed).arg(page));
    return kMargin + 7;
}

// The consequences, a paragraph each, from `top`; returns where the page goes on.
double paintConsequences(QPainter& painter, const QStringList& consequences, double top)
{
    const double width = kPageWidth - 2 * kMargin;
    for (const QString& line : consequences) {
        const QRectF box(dots(kMargin), dots(top), dots(width), dots(40));
        const QRectF used = painter.boundingRect(box, Qt::AlignLeft | Qt::TextWordWrap, line);
        painter.drawText(box, Qt::AlignLeft | Qt::TextWordWrap, line);
        top += used.height() * 25.4 / PaperPainter::kResolution + 1;
    }
    return top;
}

} // namespace

QByteArray rosterChangesPdf(const TextTable& changes, const QStringList& consequences)
{
    const QString printed = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/M/d H:mm"));
    size_t next = 0; // the first row not on a page yet
    return runningPaperPdf(QStringLiteral("名簿の変更"), [&](PaperPainter& page, int index) {
        QPainter& painter = page.painter();
        painter.setPen(QPen()); // thin lines, as the window's table
        double top = paintHeading(painter, printed, index + 1);
        if (index == 0)
            top = paintConsequences(painter, consequences, top) + 2;
        painter.setFont(layoutFont(kFontMincho, 8));
        paintRow(painter, changes.headings, top, true);
        top += kLine;
        while (next < changes.rows.size() && top + kLine <= kPageHeight - kMargin) {
            paintRow(painter, changes.rows[next++], top, false);
            top += kLine;
        }
        return next < changes.rows.size();
    });
}

RosterChangesWindow::RosterChangesWindow(TextTable changes, QStringList consequences, QWidget* parent)
    : QWidget(parent, Qt::Window), m_changes(std::move(changes)), m_consequences(std::move(consequences))
{
    setObjectName(QStringLiteral("RosterChangesWindow"));
    setWindowTitle(QStringLiteral("名簿の変更"));
    setFont(layoutFont(kFontPMincho, 9));

    auto* note = new QLabel(m_consequences.join(u'\n'), this);
    note->setObjectName(QStringLiteral("rosterConsequences"));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    auto* table = new QTableWidget(int(m_changes.rows.size()), int(m_changes.headings.size()), this);
    table->setObjectName(QStringLiteral("rosterChanges"));
    table->setHorizontalHeaderLabels(m_changes.headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    for (size_t r = 0; r < m_changes.rows.size(); ++r)
        for (int c = 0; c < m_changes.rows[r].size(); ++c)
            table->setItem(int(r), c, new QTableWidgetItem(m_changes.rows[r][c]));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);

    auto* save = new QPushButton(QStringLiteral("PDFで保存"), this);
    save->setObjectName(QStringLiteral("savePdf"));
    save->setToolTip(QStringLiteral("学年会議に配れるよう、A4のPDFに保存します。"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("closeChanges"));
    connect(save, &QPushButton::clicked, this, &RosterChangesWindow::saveClicked);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* esc = new QAction(this);
    esc->setShortcut(QKeySequence(Qt::Key_Escape));
    esc->setShortcutContext(Qt::WindowShortcut);
    addAction(esc);
    connect(esc, &QAction::triggered, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
    setTabOrder(table, save);
    setTabOrder(save, close);
    save->setFocus();
    resize(900, 520);
}

void RosterChangesWindow::saveClicked()
{
    const std::optional<QString> name = Dialogs::chooseSaveFile(this, QStringLiteral("名簿の変更をPDFで保存"),
                                                                QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!name)
        return;
    if (const std::optional<Message> failed =
            saveWholeFile(*name, rosterChangesPdf(m_changes, m_consequences), fileNames::pdf))
        Dialogs::showMessage(this, *failed);
}

} // namespace classdiv
