#include "ui/CheckSheetWindow.h"

#include "files/SaveFile.h"
#include "export/PaperHeader.h"
#include "export/ResultFile.h"
#include "ui/CheckSheetPaper.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "session/YearModel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace classdiv {

namespace {

constexpr double kScreenDpi = 90; // the pages on screen: the whole width of A4 in about 740 pixels

} // namespace

CheckSheetWindow::CheckSheetWindow(YearModel& model, QWidget* parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("CheckSheetWindow"));
    setWindowTitle(QStringLiteral("確認票"));
    setFont(layoutFont(kFontPGothic, 10));

    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("verdict"));
    m_verdict->setWordWrap(true);
    m_broken = new QListWidget(this);
    m_broken->setObjectName(QStringLiteral("brokenRules"));
    m_broken->setToolTip(QStringLiteral("守られていない決まりです。クラス名簿で直してから、もう一度確かめて下さい。"));
    m_broken->setMaximumHeight(110);

    auto* pages = new QWidget;
    m_pages = new QVBoxLayout(pages);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("checkSheetPages"));
    scroll->setWidget(pages);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Dark);

    auto* save = new QPushButton(QStringLiteral("PDFに保存"), this);
    save->setObjectName(QStringLiteral("savePdf"));
    save->setToolTip(QStringLiteral("学年主任が署名できるよう、A4のPDFに保存します。"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(save, &QPushButton::clicked, this, &CheckSheetWindow::saveClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_verdict);
    layout->addWidget(m_broken);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    setTabOrder(m_broken, scroll);
    setTabOrder(scroll, save);
    setTabOrder(save, close);
    save->setDefault(true);
    save->setFocus();

    // Esc closes (QDialog's own reject); the window follows the classes while it is open.
    connect(&m_model, &YearModel::drawChanged, this, &CheckSheetWindow::yearChanged);
    connect(&m_model, &YearModel::swapped, this, &CheckSheetWindow::yearChanged);
    connect(&m_model, &YearModel::rulesChanged, this, &CheckSheetWindow::yearChanged);
    connect(&m_model, &YearModel::draftsChanged, this, &CheckSheetWindow::yearChanged);
    refresh();
    resize(820, 760);
}

CheckSheet CheckSheetWindow::makeSheet() const
{
    const Year& year = m_model.year();
    const QString path = year.students().csvPath;
    return checkSheet(year, {path, rosterFingerprint(path), draftNameOnScreen(m_model.drafts(), year),
                             QDateTime::currentDateTime()});
}

void CheckSheetWindow::yearChanged()
{
    // A closed window is made again when it is opened: a swap never waits for its pages.
    if (isVisible())
        refresh();
}

void CheckSheetWindow::refresh()
{
    if (!m_model.year().hasDraw()) {
        reject();
        return;
    }
    m_sheet = makeSheet();
    m_verdict->setText(m_sheet.broken > 0
                           ? QStringLiteral("%1。守られていない決まりが %2 あります。").arg(m_sheet.verdict).arg(m_sheet.broken)
                           : m_sheet.verdict + QStringLiteral("。"));
    QFont bold = m_verdict->font();
    bold.setBold(m_sheet.broken > 0);
    bold.setPointSizeF(12);
    m_verdict->setFont(bold);
    m_verdict->setStyleSheet(m_sheet.broken > 0 ? QStringLiteral("color: #b00000;") : QString());

    m_broken->clear();
    for (const CheckLine& line : m_sheet.lines)
        if (line.broken)
            m_broken->addItem(line.rule + QStringLiteral("：") + line.detail);
    m_broken->setVisible(m_sheet.broken > 0);

    while (QLayoutItem* item = m_pages->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const int count = checkSheetPageCount(m_sheet);
    for (int p = 0; p < count; ++p) {
        auto* page = new QLabel;
        page->setObjectName(QStringLiteral("checkSheetPage%1").arg(p + 1));
        page->setPixmap(QPixmap::fromImage(checkSheetPageImage(m_sheet, p, kScreenDpi)));
        page->setAlignment(Qt::AlignHCenter);
        m_pages->addWidget(page);
    }
}

void CheckSheetWindow::saveClicked()
{
    const QString csvPath = m_model.year().students().csvPath;
    const std::optional<QString> name =
        Dialogs::chooseSaveFile(this, QStringLiteral("確認票をPDFで保存"), QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"),
                                csvPath.isEmpty() ? QString() : QFileInfo(csvPath).absolutePath());
    if (!name)
        return;
    // The time printed is the time of saving.
    refresh();
    if (const std::optional<Message> failed = saveWholeFile(*name, checkSheetPdf(m_sheet), fileNames::pdf))
        Dialogs::showMessage(this, *failed);
}

} // namespace classdiv
