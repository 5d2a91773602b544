#include "ui/ChartWindow.h"

#include "files/SaveFile.h"
#include "division/lists/ClassSummary.h"
#include "division/DivisionFigures.h"
#include "ui/ChartView.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "session/YearModel.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace classdiv {

ChartWindow::ChartWindow(YearModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(model),
      m_queued(this, [this](const std::set<int>* changed) { draw(changed); })
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
    // succession then cost one redraw. A new draw and new rules change every
    // figure; a hand swap the two classes' and the year's deviations.
    connect(&m_model, &YearModel::drawChanged, this, [this] { m_queued.everything(); });
    connect(&m_model, &YearModel::rulesChanged, this, [this] { m_queued.everything(); });
    connect(&m_model, &YearModel::swapped, this, [this](int a, int b) { m_queued.swapped(a, b); });
    resize(960, 660); // fits a 1024 x 768 screen
}


void ChartWindow::showEvent(QShowEvent* event)
{
    // A change made while the window was closed is shown when it opens again.
    refresh();
    QWidget::showEvent(event);
}

void ChartWindow::refresh()
{
    draw(nullptr);
}

void ChartWindow::refreshClasses(const std::set<int>& changed)
{
    draw(&changed);
}

void ChartWindow::draw(const std::set<int>* changed)
{
    const Year& shown = m_model.year();
    // Drawn is the year's word, not whether the summary found classes to show.
    const bool drawn = shown.hasDraw();
    if (!drawn) {
        m_charts->setExtraScores({});
        m_charts->setFlagNote(QString());
        m_charts->setYear(summarizeYear(shown.students(), shown.classes(), shown.distribution(), shown.rules().cells[RuleBox::Mix]),
                          false, std::nullopt);
        m_savePicture->setEnabled(false);
        return;
    }
    const DivisionFigures figures = divisionFigures(shown, SpreadOfAverages::Left);
    YearSummary year = summarizeYear(shown.students(), shown.classes(), shown.distribution(), shown.rules().cells[RuleBox::Mix],
                                     figures.classes);
    const std::optional<double> deviation = year.mixValues.isEmpty() ? std::nullopt : figures.mixingDeviation;
    QString note = figures.flags.empty() ? QString() : flagSplitNote(shown.rules(), figures.flags);
    m_savePicture->setEnabled(drawn);
    if (changed)
        return m_charts->setSwapped(std::move(year), deviation, figures.extraAverages, std::move(note), *changed);
    m_charts->setExtraScores(figures.extraAverages);
    m_charts->setFlagNote(std::move(note));
    m_charts->setYear(std::move(year), true, deviation);
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
    const std::optional<Message> failed =
        encoded ? saveWholeFile(*name, png, fileNames::image) : writeFailedMessage(*name, fileNames::image);
    if (failed)
        Dialogs::showMessage(this, *failed);
}

} // namespace classdiv
