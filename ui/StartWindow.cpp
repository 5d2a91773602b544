#include "ui/StartWindow.h"

#include "ui/CommandButton.h"
#include "ui/Layout.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace classdiv {

StartWindow::StartWindow(const Deliverable& deliverable, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kStartCaption);

    // Created in tab order, so the focus chain is the Tab column's order.
    auto* run = new CommandButton(QStringLiteral("プログラム実行"), this);
    run->setObjectName(QStringLiteral("Command1"));
    run->setFont(layoutFont(kFontPMincho, 9));
    placeTwips(run, 2060, 3240, 2535, 855);

    auto* explain = new CommandButton(QStringLiteral("プログラムの解説文を読む"), this);
    explain->setObjectName(QStringLiteral("Command2"));
    explain->setFont(layoutFont(kFontPMincho, 9));
    placeTwips(explain, 2060, 1680, 2535, 855);

    auto* title = new QLabel(QStringLiteral("クラス分けシステム"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(layoutFont(kFontPGothic, 26.25));
    title->setFocusPolicy(Qt::NoFocus);
    title->adjustSize();
    title->move(twipsToPixels(1230), twipsToPixels(480));

    setTabOrder(run, explain);

    connect(run, &QPushButton::clicked, this, &StartWindow::runRequested);
    connect(explain, &QPushButton::clicked, this, &StartWindow::explanationRequested);

    setupWindowFrame(this, 6720, 4770, deliverable);
}

void StartWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closedByUser();
}

} // namespace classdiv
