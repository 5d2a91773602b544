#include "ui/DraftCompareWindow.h"

#include "files/SaveFile.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace classdiv {

namespace {

QTableWidget* tableOf(QWidget* parent, const char* name, const TextTable& text)
{
    auto* table = new QTableWidget(static_cast<int>(text.rows.size()), static_cast<int>(text.headings.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(text.headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    for (size_t r = 0; r < text.rows.size(); ++r)
        for (int c = 0; c < text.rows[r].size(); ++c)
            table->setItem(static_cast<int>(r), c, new QTableWidgetItem(text.rows[r][c]));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

class EscClosing : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            static_cast<QWidget*>(parent())->close();
            return true;
        }
        return false;
    }
};

// A4 landscape in millimetres, drawn at 300 dpi.
constexpr int kResolution = 300;
constexpr double kPageWidth = 297;
constexpr double kPageHeight = 210;
constexpr double kMargin = 12;
constexpr double kLine = 6.2;

double dots(double mm)
{
    return mm * kResolution / 25.4;
}

// Rows of a table from `top`, columns sharing the width in proportion to `weights`; the next free top.
double paintTable(QPainter& painter, const TextTable& table, const std::vector<double>& weights, double top,
                  size_t first, size_t last)
{
    double total = 0;
    for (double w : weights)
        total += w;
    const double width = kPageWidth - 2 * kMargin;
    const auto row = [&](const QStringList& cells, double y, bool bold) {
        QFont font = painter.font();
        font.setBold(bold);
        painter.setFont(font);
        double x = kMargin;
        for (int c = 0; c < cells.size() && c < static_cast<int>(weights.size()); ++c) {
            const double w = width * weights[static_cast<size_t>(c)] / total;
            const QRectF box(dots(x), dots(y), dots(w), dots(kLine));
            painter.drawRect(box);
            painter.drawText(box.adjusted(dots(0.8), 0, -dots(0.8), 0), Qt::AlignCenter | Qt::TextWordWrap, cells[c]);
            x += w;
        }
    };
    row(table.headings, top, true);
    top += kLine;
    for (size_t r = first; r < last; ++r, top += kLine)
        row(table.rows[r], top, false);
    return top;
}

} // namespace

QByteArray draftComparisonPdf(const DraftComparison& comparison)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    writer.setResolution(kResolution);
    writer.setTitle(QStringLiteral("案の比較"));
    writer.setCreator(QStringLiteral("クラス分けシステム"));
    QPainter painter(&writer);
    painter.setFont(layoutFont(kFontMincho, 8));
    const QString title = QStringLiteral("案の比較　「%1」／「%2」（学年の平均点 %3）")
                              .arg(comparison.names[0], comparison.names[1])
                              .arg(QString::number(comparison.yearAverage, 'f', 1));
    const auto heading = [&](const QString& text) {
        QFont font = layoutFont(kFontPGothic, 12);
        painter.setFont(font);
        painter.drawText(QRectF(dots(kMargin), dots(kMargin - 2), dots(kPageWidth - 2 * kMargin), dots(9)),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.setFont(layoutFont(kFontMincho, 8));
    };

    const TextTable figures = classFiguresTable(comparison);
    std::vector<double> weights(static_cast<size_t>(figures.headings.size()), 1.0);
    if (!weights.empty())
        weights[0] = 0.7;
    heading(title);
    double top = paintTable(painter, figures, weights, kMargin + 9, 0, figures.rows.size());
    painter.drawText(QRectF(dots(kMargin), dots(top + 1), dots(kPageWidth - 2 * kMargin), dots(kLine)),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("各欄は「%1」／「%2」の順。クラスが違う生徒は%3人。")
                         .arg(comparison.names[0], comparison.names[1])
                         .arg(comparison.moved.size()));

    const TextTable moved = movedStudentsTable(comparison);
    const size_t perPage = static_cast<size_t>((kPageHeight - 2 * kMargin - 9) / kLine) - 1;
    for (size_t first = 0; first < moved.rows.size(); first += perPage) {
        writer.newPage();
        heading(QStringLiteral("クラスが違う生徒　「%1」／「%2」").arg(comparison.names[0], comparison.names[1]));
        paintTable(painter, moved, {0.6, 1.4, 2.2, 1.4, 1, 1}, kMargin + 9, first,
                   std::min(moved.rows.size(), first + perPage));
    }
    painter.end();
    return bytes;
}

DraftCompareWindow::DraftCompareWindow(DraftComparison comparison, QWidget* parent)
    : QWidget(parent, Qt::Window), m_comparison(std::move(comparison))
{
    setObjectName(QStringLiteral("DraftCompareWindow"));
    setWindowTitle(QStringLiteral("案の比較: %1 と %2").arg(m_comparison.names[0], m_comparison.names[1]));
    setFont(layoutFont(kFontPMincho, 9));

    auto* figures = tableOf(this, "compareFigures", classFiguresTable(m_comparison));
    auto* moved = tableOf(this, "compareMoved", movedStudentsTable(m_comparison));
    auto* note = new QLabel(QStringLiteral("各欄は「%1」／「%2」の順です。学年の平均点: %3　クラスが違う生徒: %4人")
                                .arg(m_comparison.names[0], m_comparison.names[1])
                                .arg(QString::number(m_comparison.yearAverage, 'f', 1))
                                .arg(m_comparison.moved.size()),
                            this);
    auto* save = new QPushButton(QStringLiteral("PDFで保存"), this);
    save->setObjectName(QStringLiteral("savePdf"));
    save->setToolTip(QStringLiteral("学年会議に配れるよう、A4横のPDFに保存します。"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("closeCompare"));
    connect(save, &QPushButton::clicked, this, &DraftCompareWindow::saveClicked);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(figures, 3);
    layout->addWidget(note);
    layout->addWidget(moved, 2);
    layout->addLayout(buttons);
    setTabOrder(figures, moved);
    setTabOrder(moved, save);
    setTabOrder(save, close);
    // Kept by pointer: EscClosing has no meta-object of its own, so a
    // findChild for it would return the first child of any kind.
    auto* escClosing = new EscClosing(this);
    installEventFilter(escClosing);
    for (QWidget* w : {static_cast<QWidget*>(figures), static_cast<QWidget*>(moved), static_cast<QWidget*>(save),
                       static_cast<QWidget*>(close)})
        w->installEventFilter(escClosing);
    save->setFocus();
    resize(980, 560);
}

void DraftCompareWindow::saveClicked()
{
    const std::optional<QString> name = Dialogs::chooseSaveFile(this, QStringLiteral("案の比較をPDFで保存"),
                                                                QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!name)
        return;
    if (const std::optional<Message> failed = saveWholeFile(*name, draftComparisonPdf(m_comparison), fileNames::pdf))
        Dialogs::showMessage(this, *failed);
}

} // namespace classdiv
