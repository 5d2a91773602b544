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
#include <QTranslator>
#include <QPointer>

#include <map>
#include <memory>
#include <set>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

constexpr int kMarksColumn = 8; // 別クラス
constexpr int kOldClassColumn = 2; // 旧組

QString badColumn(const QString& label)
{
    return QStringLiteral("「%1」には、1から8までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。")
        .arg(label);
}

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
    QWidget* w() const { return window.get(); }
    QByteArray stored() const { return readBytes(spreadFilePath(table.csvPath)); }
    // Ctrl+K; the dialog once it is up.
    QDialog* openDialog() const
    {
        if (!activate())
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
        QDialog* dialog = window->findChild<QDialog*>("SpreadDialog");
        return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
    }
};

QString boxText(QDialog* dialog, const char* name) { return child<QLineEdit>(dialog, name)->text(); }
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
        QVERIFY(f.stored().isEmpty());
        QPointer<QDialog> dialog = f.openDialog();
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("marksColumn"));
        QTest::keyClicks(QApplication::focusWidget(), QString::number(kMarksColumn));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("mixColumn"));
        QTest::keyClicks(QApplication::focusWidget(), QString::number(kOldClassColumn));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(f.stored(), QByteArray("8\r\n2\r\n"));
        QCOMPARE(f.window->spreadRules().mixValues.at(1), QStringLiteral("1")); // 旧組 of student 1

        dialog = f.openDialog();
        QVERIFY(dialog);
        QCOMPARE(boxText(dialog, "marksColumn") + u'|' + boxText(dialog, "mixColumn"), QStringLiteral("8|2"));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());

        // The next run on the same CSV starts with the same rules.
        ConditionsWindow next(f.table, Deliverable::varmesto(), f.random);
        QCOMPARE(next.spreadRules(), f.window->spreadRules());

        click(f.w(), "Command3"); // the conditions that come with the example
        QVERIFY(f.activate());
        QTest::keyClick(f.window.get(), Qt::Key_B, Qt::ControlModifier);
        Dialogs::takeMessages(); // whatever the evening-out reports, the saved classes tell
        const QString saved = f.folder.file("kekka.csv");
        Dialogs::queueSaveFileName(saved);
        click(f.w(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        // Every pair of marked students in different classes of the saved file.
        const QStringList input = fileLines(f.folder.file("nen1.csv")), output = fileLines(saved);
        std::map<QString, std::multiset<QString>> classesOfMark;
        const std::vector<QString>& marks = f.window->spreadRules().marks;
        for (int r = 1; r <= 240; ++r) {
            QCOMPARE(marks.at(r), input[r].split(u',').value(kMarksColumn - 1));
            if (!marks[r].isEmpty())
                classesOfMark[marks[r]].insert(output[r].section(u',', 0, 0));
        }
        QCOMPARE(classesOfMark.size(), size_t(4));
        for (const auto& [mark, classes] : classesOfMark)
            QVERIFY2(std::set<QString>(classes.begin(), classes.end()).size() == 2, qPrintable(mark));
    }

    void badValuesKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("mix");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<bool>("stillOpen");
        const QString marksLabel = QStringLiteral("別のクラスにする印の列"), mixLabel = QStringLiteral("均等に混ぜる列");
        QTest::newRow("zero") << "0" << "" << badColumn(marksLabel) << true;
        QTest::newRow("beyond the eight columns") << "" << "9" << badColumn(mixLabel) << true;
        QTest::newRow("full-width") << QStringLiteral("８") << "" << badColumn(marksLabel) << true;
        QTest::newRow("a name, not a number") << "" << QStringLiteral("旧組") << badColumn(mixLabel) << true;
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

    void damagedFileIsNamedWhenTheDialogOpensAndReplacedOnOk()
    {
        Fixture f;
        QVERIFY(writeBytes(f.folder.file("nen1.csvBUNKATSU.TXT"), "8,2\r\n"));
        QVERIFY(f.open());
        QCOMPARE(Dialogs::takeMessages(), QList<Message>()); // loading stays silent
        QPointer<QDialog> dialog = f.openDialog();
        QVERIFY(dialog);
        QCOMPARE(Dialogs::takeMessages().size(), 1);
        QCOMPARE(boxText(dialog, "marksColumn"), QString());
        QTest::keyClicks(QApplication::focusWidget(), "8");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(f.stored(), QByteArray("8\r\n\r\n"));
    }

    void screenshot()
    {
        const QString out = qEnvironmentVariable("CLASSDIV_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("CLASSDIV_SCREENSHOTS is not set");
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(writeBytes(spreadFilePath(f.table.csvPath), "8\r\n2\r\n"));
        QTranslator qtTexts; // OK and Cancel as the program shows them
        if (qtTexts.load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtTexts);
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
