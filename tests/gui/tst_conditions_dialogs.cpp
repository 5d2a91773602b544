// The real modal boxes of the conditions window: the message box and the
// save dialog with its overwrite question, driven as a user would.

#include "support/GuiTest.h"
#include "support/TestFiles.h"

#include "import/ImportActions.h"
#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// Calls `act` with the modal widget on top once there is one that `act`
// accepts (returns true). A box nobody handles within ten seconds is closed,
// so a broken test fails instead of hanging.
void whenModal(std::function<bool(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, act]() {
        QWidget* modal = QApplication::activeModalWidget();
        bool done = false;
        if (modal && modal->isVisible()) {
            timer->stop(); // act may open further boxes while it runs
            done = act(modal);
            if (!done)
                timer->start();
        }
        if (!done && clock->elapsed() > 10000) {
            if (modal)
                modal->close();
            done = true;
        }
        if (done) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

QStringList listedNames(QFileDialog* dialog)
{
    auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (!list || !list->model())
        return names;
    const QModelIndex root = list->rootIndex();
    for (int row = 0; row < list->model()->rowCount(root); ++row)
        if (!list->isRowHidden(row))
            names << list->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

QPushButton* dialogButton(QFileDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(which) : nullptr;
}

// A dialog that did not close on its own fails the test instead of hanging it.
void closeIfStillOpen(QDialog* dialog)
{
    if (dialog->isVisible()) {
        QTest::qFail("the dialog stayed open", __FILE__, __LINE__);
        dialog->reject();
    }
}

struct Year {
    TempFolder folder;
    StudentTable table;
    ClockRandomSource random;
    std::unique_ptr<ConditionsWindow> window;

    bool open()
    {
        const QString examples = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/");
        if (!writeBytes(folder.file(QStringLiteral("nen1.csv")), readBytes(examples + "nen1.csv")))
            return false;
        ImportWindowState state;
        const QString dir = folder.path();
        if (preview({dir, dir, QStringLiteral("nen1.csv"), QStringLiteral("nen1.csv")}, state, table).message)
            return false;
        if (readColumns({"7", "1", "3", "6", "7"}, state, table).message)
            return false;
        window = std::make_unique<ConditionsWindow>(table, Deliverable::varmesto(), random);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(QLatin1String(name)); }
};

} // namespace

class ConditionsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dialogs::setRecording(false);
        Dialogs::setProgramTitle(QStringLiteral("varmesto"));
    }
    void cleanup() { Dialogs::setRecording(true); }

    void realMessageBoxHasTheTitleAndOnlyOk_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("own title") << "Command1" << "入力ミス"
                                   << "クラス数に誤りがあります。もう一度入力してください。10クラスまで。";
        QTest::newRow("program title") << "Command4" << "varmesto"
                                       << "CSVファイルにある生徒総数と入力した生徒総数が違います。確認して下さい。";
    }
    void realMessageBoxHasTheTitleAndOnlyOk()
    {
        QFETCH(QString, press);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Year year;
        QVERIFY(year.open());

        QString seenTitle, seenText;
        QMessageBox::StandardButtons seenButtons;
        bool wasModal = false;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenButtons = box->standardButtons();
            wasModal = box->isModal() && box->parentWidget() == year.window.get();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return true;
        });
        QTest::mouseClick(year.button(qPrintable(press)), Qt::LeftButton);

        QCOMPARE(seenTitle, title);
        QCOMPARE(seenText, text);
        QCOMPARE(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(wasModal);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // Title, the one filter listing .csv in any case, no proposed name, the
    // overwrite question (no keeps the dialog open), no extension added,
    // cancel keeps the last name.
    void realSaveDialog()
    {
        Year year;
        QVERIFY(year.open());
        const QString dir = year.folder.path();
        QVERIFY(writeBytes(year.folder.file("old.csv"), "old"));
        QVERIFY(writeBytes(year.folder.file("other.CSV"), "other"));
        QVERIFY(writeBytes(year.folder.file("note.txt"), "note"));

        struct Seen {
            QString title;
            QStringList filters;
            QString proposed;
            QStringList listed;
            QString question;
            bool openAfterNo = false;
        } first, second;

        auto typeName = [](QFileDialog* dialog, const QString& name) {
            // set whole: typed keys would open the name completer's popup
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setFocus();
            edit->setText(name);
        };
        auto answerQuestion = [](Seen& seen, QMessageBox::StandardButton answer) {
            whenModal([&seen, answer](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box)
                    return false;
                seen.question = box->text();
                QTest::mouseClick(box->button(answer), Qt::LeftButton);
                return true;
            });
        };
        auto observe = [&](QFileDialog* dialog, Seen& seen) {
            seen.title = dialog->windowTitle();
            seen.filters = dialog->nameFilters();
            seen.proposed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            dialog->setDirectory(dir);
            QTest::qWaitFor([&] { return listedNames(dialog).contains(QStringLiteral("old.csv")); }, 5000);
            seen.listed = listedNames(dialog);
        };

        // First save: try to replace old.csv, say no, then give a new name without extension.
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            observe(dialog, first);
            typeName(dialog, QStringLiteral("old.csv"));
            answerQuestion(first, QMessageBox::No);
            QTest::mouseClick(dialogButton(dialog, QDialogButtonBox::Save), Qt::LeftButton);
            first.openAfterNo = dialog->isVisible();
            typeName(dialog, QStringLiteral("kekka"));
            QTest::mouseClick(dialogButton(dialog, QDialogButtonBox::Save), Qt::LeftButton);
            closeIfStillOpen(dialog);
            return true;
        });
        QTest::mouseClick(year.button("Command5"), Qt::LeftButton);

        QCOMPARE(first.title, QStringLiteral("CSVファイル保存"));
        QCOMPARE(first.filters, QStringList{QStringLiteral("CSV Files(*.CSV)")});
        QCOMPARE(first.proposed, QString());
        QCOMPARE(first.listed, (QStringList{"nen1.csv", "old.csv", "other.CSV"}));
        QVERIFY2(first.question.contains(QStringLiteral("old.csv")), qPrintable(first.question));
        QVERIFY(first.openAfterNo);
        QCOMPARE(readBytes(year.folder.file("old.csv")), QByteArray("old"));
        const QString kekka = year.folder.file("kekka");
        QCOMPARE(year.table.resultPath, kekka);
        QVERIFY(readBytes(kekka).startsWith(cp932(QStringLiteral("\"新組\","))));

        // Second save: nothing proposed again; replacing old.csv after yes.
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            observe(dialog, second);
            typeName(dialog, QStringLiteral("old.csv"));
            answerQuestion(second, QMessageBox::Yes);
            QTest::mouseClick(dialogButton(dialog, QDialogButtonBox::Save), Qt::LeftButton);
            closeIfStillOpen(dialog);
            return true;
        });
        QTest::mouseClick(year.button("Command5"), Qt::LeftButton);
        QCOMPARE(second.proposed, QString());
        QVERIFY(!second.question.isEmpty());
        QCOMPARE(year.table.resultPath, year.folder.file("old.csv"));
        QCOMPARE(readBytes(year.folder.file("old.csv")), readBytes(kekka));

        // Cancel: the last name stays.
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            QTest::mouseClick(dialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
            return true;
        });
        QTest::mouseClick(year.button("Command5"), Qt::LeftButton);
        QCOMPARE(year.table.resultPath, year.folder.file("old.csv"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

CLASSDIV_GUI_TEST_MAIN(ConditionsDialogsTest)
#include "tst_conditions_dialogs.moc"
