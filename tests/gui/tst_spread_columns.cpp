// The 別クラス・混合の列 dialog through the keyboard on the example year: the
// choice stored beside the CSV, shown again, applied by the next window, and
// the marked students kept apart in the saved classes.

#include "support/GuiTest.h"

#include "conditions/SpreadColumns.h"
#include "ui/Dialogs.h"

#include <QDialog>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>

#include <map>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

QByteArray stored(const ExampleWindow& f) { return readBytes(spreadFilePath(f.table.csvPath)); }
QDialog* openDialog(const ExampleWindow& f) // Ctrl+K; the dialog once it is up
{
    if (!f.activate())
        return nullptr;
    f.key(Qt::Key_K);
    QDialog* dialog = f.w()->findChild<QDialog*>("SpreadDialog");
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
}
void typeThen(const QString& text, Qt::Key then)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), then);
}

} // namespace

class SpreadColumnsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Dialogs::takeMessages(); }

    void chosenByKeyboardStoredShownAgainAndKeptApartInTheSavedClasses()
    {
        ExampleWindow f;
        QVERIFY(f.open(false));
        QPointer<QDialog> dialog = openDialog(f);
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("marksColumn"));
        typeThen("8", Qt::Key_Tab); // 別クラス
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("mixColumn"));
        typeThen("2", Qt::Key_Return); // 旧組
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(stored(f), QByteArray("8\r\n2\r\n"));
        QCOMPARE(f.window->spreadRules().mixValues.at(1), QStringLiteral("1")); // 旧組 of student 1

        dialog = openDialog(f);
        QVERIFY(dialog);
        QCOMPARE(child<QLineEdit>(dialog, "marksColumn")->text() + child<QLineEdit>(dialog, "mixColumn")->text(), "82");
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());

        // The next run on the same CSV starts with the same rules.
        QCOMPARE(ConditionsWindow(f.table, Deliverable::varmesto(), f.random).spreadRules(), f.window->spreadRules());

        click(f.w(), "Command3"); // the conditions that come with the example
        QVERIFY(f.activate());
        f.key(Qt::Key_B);
        Dialogs::takeMessages(); // whatever the evening-out reports, the saved classes tell
        QSignalSpy changed(f.window.get(), &ConditionsWindow::drawChanged);
        f.window->setSpreadRules(f.window->spreadRules());
        QCOMPARE(changed.count(), 1); // views of the draw look again
        Dialogs::queueSaveFileName(f.folder.file("kekka.csv"));
        click(f.w(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        // The saved file holds the classes the window shows, every pair of marked students apart.
        const QStringList input = cp932Lines(f.folder.file("nen1.csv")), output = cp932Lines(f.folder.file("kekka.csv"));
        QVERIFY(output.size() > 241);
        std::map<QString, QStringList> classesOfMark;
        for (int r = 1; r <= 240; ++r) {
            QCOMPARE(output[r].section(u',', 0, 0), f.table.records[r].newClass);
            const QString mark = input[r].section(u',', 7, 7);
            QCOMPARE(f.window->spreadRules().marks.at(r), mark);
            if (!mark.isEmpty())
                classesOfMark[mark] << output[r].section(u',', 0, 0);
        }
        QCOMPARE(classesOfMark.size(), size_t(4));
        for (const auto& [mark, classes] : classesOfMark)
            QVERIFY2(QSet<QString>(classes.begin(), classes.end()).size() == classes.size(),
                     qPrintable(mark + u' ' + classes.join(u',')));
    }

    // Which values are refused, with which words, the core's own tests tell; here the dialog stays open.
    void badValuesKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("mix");
        QTest::addColumn<QString>("message"); // empty: none, and the dialog closes
        QTest::newRow("full-width") << QStringLiteral("８") << ""
            << QStringLiteral("「別のクラスにする印の列」には、1から8までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。");
        QTest::newRow("one column for both") << "2" << "2"
            << QStringLiteral("「別のクラスにする印の列」と「均等に混ぜる列」に同じ列は指定できません。別の列を入力してください。");
        QTest::newRow("both empty: nothing set") << "" << "" << "";
    }
    void badValuesKeepTheDialogOpen()
    {
        QFETCH(QString, marks);
        QFETCH(QString, mix);
        QFETCH(QString, message);
        ExampleWindow f;
        QVERIFY(f.open(false));
        QPointer<QDialog> dialog = openDialog(f);
        QVERIFY(dialog);
        typeInto(child<QLineEdit>(dialog, "marksColumn"), marks);
        typeInto(child<QLineEdit>(dialog, "mixColumn"), mix);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.isEmpty() ? QString() : shown.first().text, message);
        QTRY_COMPARE(dialog.isNull(), message.isEmpty());
        QCOMPARE(stored(f), message.isEmpty() ? QByteArray("\r\n\r\n") : QByteArray());
        QVERIFY(f.window->spreadRules() == SpreadRules{});
    }

};

CLASSDIV_GUI_TEST_MAIN(SpreadColumnsTest)
#include "tst_spread_columns.moc"
