#include "ui/ChartWindow.h"

#include "common/TextFile.h"
#include "division/lists/ClassSummary.h"
#include "division/lists/FlagSplits.h"
#include "division/EvenAverages.h"
#include "ui/ChartView.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/QueuedRefresh.h"
#include "session/YearModel.h"

#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace classdiv {

ChartWindow::ChartWindow(YearModel& model, QWidget* parent) : QWidget(parent, Qt::Window), m_model(model)
{
    setObjectName(QStringLiteral("ChartWindow"));
    setWindowTitle(QStringLiteral("成績分布グラフ"));
    setFont(layoutFont(kFontPMincho, 9));

    m_charts = new ChartView(this);
    m_charts->setObjectName(QStringLiteral("charts"));

    m_savePicture = new QPushButton(QStringLiteral("画像として保存"), this);
    m_savePicture->setObjectName(QStringLiteral("savePictureButton"));
    m_savePicture->setToolTip(QStringLiteral("表示中のグラフを PNG 画像のファイルに保存します。"));
    connect(m_savePicture, &QPushButton::clicked, this, &ChartWindow::saveClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_savePicture);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_charts, 1);
    layout->addLayout(buttons);

    // Redrawn once the press has shown its table: presses in quick
    // succession then cost one redraw. A new draw, new rules and a hand swap
    // each change the figures of the classes.
    connect(&m_model, &YearModel::drawChanged, this, &ChartWindow::queueRefresh);
    connect(&m_model, &YearModel::rulesChanged, this, &ChartWindow::queueRefresh);
    connect(&m_model, &YearModel::swapped, this, &ChartWindow::queueRefresh);
    resize(960, 660); // fits a 1024 x 768 screen
}

void ChartWindow::queueRefresh()
{
    queueRefreshOnce(this, m_refreshQueued, [this] { refresh(); });
}

void ChartWindow::showEvent(QShowEvent* event)
{
    // A change made while the window was closed is shown when it opens again.
    refresh();
    QWidget::showEvent(event);
}

void ChartWindow::refresh()
{
    const Year& shown = m_model.year();
    // Drawn is the year's word, not whether the summary found classes to show.
    const bool drawn = shown.hasDraw();
    YearSummary year = summarizeYear(shown.students(), shown.classes(), shown.distribution(), shown.rules().mixValues);
    std::optional<double> deviation;
    if (drawn && !year.mixValues.isEmpty())
        deviation = mixingDeviation(shown);
    m_charts->setExtraScores(extraColumnAverages(shown.rules(), drawn ? shown.classes() : std::vector<int16_t>{}));
    m_charts->setFlagNote(drawn && !shown.rules().flagColumns.empty() ? flagSplitNote(shown.rules(), shown.classes()) : QString());
    m_charts->setYear(std::move(year), drawn, deviation);
    m_savePicture->setEnabled(drawn);
}

void ChartWindow::saveClicked()
{
    const std::optional<QString> name = Dialogs::chooseSaveFile(
        this, QStringLiteral("グラフを画像として保存"), QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    if (!name)
        return;
    QByteArray png;
    QBuffer buffer(&png);
    const bool encoded = buffer.open(QIODevice::WriteOnly) && m_charts->grab().toImage().save(&buffer, "PNG");
    // Written whole through a temporary file, or not at all.
    if (encoded && writeFileAtomically(*name, png) == WriteStatus::Ok)
        return;
    Dialogs::showMessage(this, Message{QStringLiteral("グラフの画像を保存できませんでした。\n%1\n"
                                                      "保存先のフォルダに書き込めるか、空き容量があるかを確かめてください。")
                                           .arg(QDir::toNativeSeparators(*name)),
                                       titles::error});
}

} // namespace classdiv
