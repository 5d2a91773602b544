// The 別クラス・混合の列 dialog through the keyboard on the example year: the
// choice stored beside the CSV, shown again, applied by the next window, and
// the marked students kept apart in the saved classes. With
// CLASSDIV_SCREENSHOTS set, `screenshot` saves a picture of the dialog.

#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "conditions/SpreadColumns.h"
#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"

#include <QDialog>
#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTranslator>

#include <map>
#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

struct Fixture {
    TempFolder folder;
    StudentTable table;
    ClockRandomSource random;
    std::unique_ptr<ConditionsWindow> window;

    bool open()
    {
        if (!copyExamples(folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}) || !readExampleYear(folder.path(), table))
            return false;
        window = std::make_unique<ConditionsWindow>(table, Deliverable::varmesto(), random);
        window->show();
        return activate();
    }
    // The shortcuts work in the active window; a closed dialog gives it back.
    bool activate() const
    {
        window->activateWindow();
        return QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); });
    }
    QByteArray stored() const { return readBytes(spreadFilePath(table.csvPath)); }
    QDialog* openDialog() const // Ctrl+K; the dialog once it is up
    {
        if (!activate())
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
        QDialog* dialog = window->findChild<QDialog*>("SpreadDialog");
        return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
    }
};

void typeAndTab(const QString& text, Qt::Key then)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), then);
}
QStringList fileLines(const QString& path) { return decodeText(readBytes(path)).value_or(DecodedText{}).text.split("\r\n"); }

} // namespace

class SpreadColumnsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Dialogs::takeMessages(); }

    void chosenByKeyboardStoredShownAgainAndKeptApartInTheSavedClasses()
    {
        Fixture f;
        QVERIFY(f.open());
        QPointer<QDialog> dialog = f.openDialog();
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("marksColumn"));
        typeAndTab("8", Qt::Key_Tab); // 別クラス
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("mixColumn"));
        typeAndTab("2", Qt::Key_Return); // 旧組
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(f.stored(), QByteArray("8\r\n2\r\n"));
        QCOMPARE(f.window->spreadRules().mixValues.at(1), QStringLiteral("1")); // 旧組 of student 1

        dialog = f.openDialog();
        QVERIFY(dialog);
        QCOMPARE(child<QLineEdit>(dialog, "marksColumn")->text() + child<QLineEdit>(dialog, "mixColumn")->text(), "82");
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());

        // The next run on the same CSV starts with the same rules.
        QCOMPARE(ConditionsWindow(f.table, Deliverable::varmesto(), f.random).spreadRules(), f.window->spreadRules());

        click(f.window.get(), "Command3"); // the conditions that come with the example
        QVERIFY(f.activate());
        QTest::keyClick(f.window.get(), Qt::Key_B, Qt::ControlModifier);
        Dialogs::takeMessages(); // whatever the evening-out reports, the saved classes tell
        QSignalSpy changed(f.window.get(), &ConditionsWindow::drawChanged);
        f.window->setSpreadRules(f.window->spreadRules());
        QCOMPARE(changed.count(), 1); // views of the draw look again
        const QString saved = f.folder.file("kekka.csv");
        Dialogs::queueSaveFileName(saved);
        click(f.window.get(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        // Every pair of marked students in different classes of the saved file.
        const QStringList input = fileLines(f.folder.file("nen1.csv")), output = fileLines(saved);
        std::map<QString, QStringList> classesOfMark;
        for (int r = 1; r <= 240; ++r) {
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

    void badValuesKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("mix");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<bool>("stillOpen");
        const QString bad = QStringLiteral("「%1」には、1から8までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。");
        const QString marks = bad.arg("別のクラスにする印の列"), mix = bad.arg("均等に混ぜる列");
        QTest::newRow("zero") << "0" << "" << marks << true;
        QTest::newRow("beyond the eight columns") << "" << "9" << mix << true;
        QTest::newRow("full-width") << QStringLiteral("８") << "" << marks << true;
        QTest::newRow("a name, not a number") << "" << QStringLiteral("旧組") << mix << true;
        QTest::newRow("one column for both") << "2" << "2"
            << QStringLiteral("「別のクラスにする印の列」と「均等に混ぜる列」に同じ列は指定できません。別の列を入力してください。")
            << true;
        QTest::newRow("both empty: nothing set") << "" << "" << "" << false;
    }
    void badValuesKeepTheDialogOpen()
    {
        QFETCH(QString, marks);
        QFETCH(QString, mix);
        QFETCH(QString, message);
        QFETCH(bool, stillOpen);
        Fixture f;
        QVERIFY(f.open());
        QPointer<QDialog> dialog = f.openDialog();
        QVERIFY(dialog);
        typeInto(child<QLineEdit>(dialog, "marksColumn"), marks);
        typeInto(child<QLineEdit>(dialog, "mixColumn"), mix);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.isEmpty() ? QString() : shown.first().text, message);
        QTRY_COMPARE(!dialog.isNull(), stillOpen);
        QCOMPARE(f.stored(), stillOpen ? QByteArray() : QByteArray("\r\n\r\n"));
        QVERIFY(f.window->spreadRules() == SpreadRules{});
    }

    void screenshot()
    {
        const QString out = qEnvironmentVariable("CLASSDIV_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("CLASSDIV_SCREENSHOTS is not set");
        QTranslator qtTexts; // OK and Cancel as the program shows them
        if (qtTexts.load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtTexts);
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(writeBytes(spreadFilePath(f.table.csvPath), "8\r\n2\r\n"));
        QDialog* dialog = f.openDialog();
        QVERIFY(dialog);
        QTest::qWait(400); // let the X server show what Qt has just drawn
        QVERIFY(QDir().mkpath(out));
        QVERIFY(dialog->grab().save(QDir(out).filePath("spreaddialog.png")));
        dialog->reject();
    }
};

CLASSDIV_GUI_TEST_MAIN(SpreadColumnsTest)
#include "tst_spread_columns.moc"
