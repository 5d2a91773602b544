// The menu 調整 of the conditions window and its commands: evening out, the
// chart, the class lists, the student cards, the check sheet, the rules, the
// drafts, a press by number and a draft made from a result file.

#include "ui/ConditionsWindow.h"

#include "division/lists/ClassSwaps.h"
#include "export/CheckSheet.h"
#include "ui/Dialogs.h"
#include "ui/FewestMovesDialog.h"
#include "ui/PaperDialog.h"
#include "ui/RecordKeeper.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

namespace classdiv {

namespace {

const QString kEveryPressKey = QStringLiteral("adjust/evenAveragesEveryPress");

} // namespace

QMenuBar* ConditionsWindow::setupMenuBar()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu* adjust = bar->addMenu(QStringLiteral("調整(&A)"));
    adjust->setObjectName(QStringLiteral("menuAdjust"));
    auto add = [&](const char* name, const QString& text, const QKeySequence& shortcut) {
        QAction* action = adjust->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        // The shortcut works wherever the focus is in the window.
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    connect(add("actionBalance", QStringLiteral("平均点をそろえる"), QKeySequence(Qt::CTRL | Qt::Key_B)),
            &QAction::triggered, this, &ConditionsWindow::evenAveragesTriggered);
    m_everyPress = add("actionBalanceEveryPress", QStringLiteral("分布表表示のたびにそろえる"), QKeySequence());
    m_everyPress->setCheckable(true);
    m_everyPress->setChecked(QSettings().value(kEveryPressKey, false).toBool());
    connect(m_everyPress, &QAction::toggled, this, [](bool on) { QSettings().setValue(kEveryPressKey, on); });
    adjust->addSeparator();
    connect(add("actionChart", QStringLiteral("グラフで見る"), QKeySequence(Qt::CTRL | Qt::Key_G)),
            &QAction::triggered, this, &ConditionsWindow::chartTriggered);
    connect(add("actionClassLists", QStringLiteral("クラス名簿"), QKeySequence(Qt::CTRL | Qt::Key_L)),
            &QAction::triggered, this, &ConditionsWindow::classListsTriggered);
    connect(add("actionCards", QStringLiteral("短冊を印刷…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)),
            &QAction::triggered, this, &ConditionsWindow::cardsTriggered);
    connect(add("actionPostedLists", QStringLiteral("新しいクラスの名簿…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)),
            &QAction::triggered, this, &ConditionsWindow::postedListsTriggered);
    connect(add("actionCheckSheet", QStringLiteral("確認票…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)),
            &QAction::triggered, this, &ConditionsWindow::checkSheetTriggered);
    adjust->addSeparator();
    connect(add("actionSpreadColumns", QStringLiteral("クラス分けの決まり…"), QKeySequence(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, &ConditionsWindow::spreadColumnsTriggered);
    connect(add("actionSeparationRecord", QStringLiteral("離す記録…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)),
            &QAction::triggered, this, &ConditionsWindow::separationRecordTriggered);
    // The school's record is held against the roster just loaded, once the window stands.
    QTimer::singleShot(0, this, [this] { RecordKeeper::of(m_model).reload(this); });
    adjust->addSeparator();
    connect(add("actionDrafts", QStringLiteral("案…"), QKeySequence(Qt::CTRL | Qt::Key_D)), &QAction::triggered, this,
            &ConditionsWindow::draftsTriggered);
    connect(add("actionPressNumber", QStringLiteral("番号を指定して分ける…"), QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, &ConditionsWindow::pressNumberTriggered);
    connect(add("actionDraftFromResult", QStringLiteral("結果ファイルから案を作る…"), QKeySequence()),
            &QAction::triggered, this, &ConditionsWindow::draftFromResultTriggered);
    // 最小の移動で直す: a division that no longer fits (new students, changed plans) mended.
    connect(add("actionFewestMoves", QStringLiteral("最小の移動で直す…"), QKeySequence(Qt::CTRL | Qt::Key_M)),
            &QAction::triggered, this, [this] {
                if (!year().hasDraw()) {
                    Dialogs::showMessage(this, Message{kNothingToMendMessage, QString()});
                    return;
                }
                auto* dialog = qobject_cast<FewestMovesDialog*>(m_session.show(Satellite::FewestMoves));
                if (dialog && dialog->firstRefusal())
                    Dialogs::showMessage(dialog, *dialog->firstRefusal());
            });
    return bar;
}

void ConditionsWindow::evenAveragesTriggered()
{
    if (!mayReplaceSwaps())
        return;
    if (const std::optional<Message> message = m_session.evenOut().message)
        Dialogs::showMessage(this, *message);
}

void ConditionsWindow::chartTriggered()
{
    m_session.show(Satellite::Chart);
}

void ConditionsWindow::classListsTriggered()
{
    if (!year().hasDraw()) {
        Dialogs::showMessage(this, Message{kNoDrawForListsMessage, QString()});
        return;
    }
    m_session.show(Satellite::ClassLists);
}

void ConditionsWindow::cardsTriggered()
{
    if (!year().hasDraw()) {
        Dialogs::showMessage(this, Message{kNoDrawForCardsMessage, QString()});
        return;
    }
    m_session.show(Satellite::Cards);
}

void ConditionsWindow::postedListsTriggered()
{
    if (!year().hasDraw()) {
        Dialogs::showMessage(this, Message{kNoDrawForListsMessage, QString()});
        return;
    }
    // Modal; the dialog writes its files when accepted.
    m_session.show(Satellite::PostedLists);
}

void ConditionsWindow::checkSheetTriggered()
{
    if (!year().hasDraw()) {
        Dialogs::showMessage(this, Message{kNoDrawForCheckSheetMessage, QString()});
        return;
    }
    m_session.show(Satellite::CheckSheet);
}

void ConditionsWindow::spreadColumnsTriggered()
{
    // Modal; the year takes the rules when the dialog's OK is accepted.
    m_session.show(Satellite::Rules);
}

void ConditionsWindow::separationRecordTriggered()
{
    // What other teachers entered since is read in first.
    RecordKeeper::of(m_model).reload(this);
    m_session.show(Satellite::SeparationRecord);
}

void ConditionsWindow::draftsTriggered()
{
    m_session.show(Satellite::Drafts);
}

void ConditionsWindow::pressNumberTriggered()
{
    const std::optional<QString> text =
        Dialogs::askText(this, QStringLiteral("番号を指定して分ける"),
                         QStringLiteral("クラス分けの番号（案の一覧の「番号」）を入れて下さい。"
                                        "同じ条件と同じ番号なら、同じクラス分けになります。"));
    if (!text)
        return;
    const std::optional<uint32_t> number = drawNumberFromText(*text);
    if (!number) {
        Dialogs::showMessage(this, Message{kBadDrawNumberMessage, titles::reenter});
        return;
    }
    if (!mayReplaceSwaps())
        return;
    if (const std::optional<Message> message = m_model.pressNumber(*number).message)
        Dialogs::showMessage(this, *message);
}

void ConditionsWindow::draftFromResultTriggered()
{
    const QString csvPath = year().students().csvPath;
    const std::optional<QString> path =
        Dialogs::chooseOpenFile(this, QStringLiteral("結果のファイルを開く"), QStringLiteral("結果のファイル(*.CSV *.XLSX)"),
                                csvPath.isEmpty() ? QString() : QFileInfo(csvPath).absolutePath());
    if (!path)
        return;
    ResultDraftOutcome outcome = m_session.draftFromResult(*path);
    if (outcome.refusal) {
        Dialogs::showMessage(this, *outcome.refusal);
        return;
    }
    if (!mayReplaceSwaps())
        return;
    m_model.keepAndOpen(std::move(*outcome.draft));
    if (outcome.note)
        Dialogs::showMessage(this, *outcome.note);
    // The class lists show every break of a division made by hand.
    classListsTriggered();
}

} // namespace classdiv
