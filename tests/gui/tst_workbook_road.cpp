// A roster straight from a workbook: File1 lists it, sheetList chooses the
// roster's sheet, the conditions are read and pressed, and the result is
// saved as a workbook (the default for a workbook roster) and as a CSV.

#include "support/GuiTest.h"

#include "app/Shell.h"
#include "export/ResultWorkbook.h"
#include "import/Workbook.h"
#include "ui/CsvFileListBox.h"
#include "ui/FolderListBox.h"

#include <QComboBox>
#include <QPlainTextEdit>

using namespace classdiv;
using namespace classdiv::testing;

class WorkbookRoadTest : public QObject {
    Q_OBJECT

    QString m_startFolder = QDir::currentPath();
    ClockRandomSource m_random;
    std::unique_ptr<Shell> m_shell;

private slots:
    void init() { useVolumes({{QDir::rootPath(), "/"}}); resetDialogs(); }
    void cleanup()
    {
        m_shell.reset();
        QTest::qWait(0);
        QDir::setCurrent(m_startFolder);
    }

    void importPressAndSaveBothWays()
    {
        TempFolder temp;
        // The example year on the workbook's second tab, behind a cover sheet.
        const QStringList lines = textLines(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/nen1.csv"));
        ResultSheet cover{QStringLiteral("表紙"), {{SheetCell::of(QStringLiteral("令和8年度 1年"))}}, {}, -1, {}};
        ResultSheet roster{QStringLiteral("名簿"), {}, {}, -1, {}};
        for (const QString& line : lines) {
            SheetRow row;
            for (const QString& field : line.split(u','))
                row.push_back(numberOrText(field));
            roster.rows.push_back(row);
        }
        QVERIFY(!writeResultWorkbook({cover, roster}, temp.file("nen1.xlsx")));
        QVERIFY(writeBytes(temp.file("memo.ods"), "not yet"));
        QVERIFY(writeBytes(temp.file("memo.txt"), "x"));
        QVERIFY(copyExamples(temp.path(), {"nen1.csvJYOKEN.TXT"}));
        QVERIFY(QFile::rename(temp.file("nen1.csvJYOKEN.TXT"), temp.file("nen1.xlsxJYOKEN.TXT")));

        m_shell = std::make_unique<Shell>(Deliverable::varmesto(), m_random);
        m_shell->startWith(QStringLiteral("nen1.xlsx"), temp.path());
        QWidget* form2 = m_shell->currentWindow();
        QVERIFY(QTest::qWaitForWindowExposed(form2));
        auto* file1 = child<CsvFileListBox>(form2, "File1");
        QStringList listed;
        for (int row = 0; row < file1->count(); ++row)
            listed << file1->item(row)->text();
        QCOMPARE(listed, (QStringList{"memo.ods", "nen1.xlsx"}));

        // The first tab is the cover; the list offers the roster, chosen from the keyboard.
        auto* sheets = child<QComboBox>(form2, "sheetList");
        click(form2, "Command1");
        QCOMPARE(child<QPlainTextEdit>(form2, "Text2")->toPlainText(), QStringLiteral("令和8年度 1年\n"));
        QTRY_VERIFY(sheets->isVisible());
        QCOMPARE(sheets->currentText(), QStringLiteral("表紙"));
        sheets->setFocus();
        QTest::keyClick(sheets, Qt::Key_Down);
        QCOMPARE(sheets->currentText(), QStringLiteral("名簿"));
        QCOMPARE(child<QLineEdit>(form2, "Text3")->text(), QStringLiteral("14"));
        QVERIFY(child<QPlainTextEdit>(form2, "Text2")->toPlainText().startsWith(lines[0] + u'\n' + lines[1]));
        // Another file hides the sheets of this one; choosing the workbook again and previewing brings them back.
        file1->setCurrentRow(0);
        QVERIFY(sheets->isHidden());
        file1->setCurrentRow(1);
        click(form2, "Command1");
        QVERIFY(sheets->isVisible());
        QCOMPARE(sheets->currentText(), QStringLiteral("表紙"));
        QTest::keyClick(sheets, Qt::Key_Down);
        for (int i = 4; i <= 7; ++i)
            typeInto(child<QLineEdit>(form2, QStringLiteral("Text%1").arg(i)), QString("1367"[i - 4]));
        click(form2, "Command2");
        QPointer<QWidget> previous = form2;
        click(form2, "Command3");
        QTRY_VERIFY(previous.isNull());
        QWidget* form3 = m_shell->currentWindow();
        QVERIFY(QTest::qWaitForWindowExposed(form3));
        QCOMPARE(child<QLabel>(form3, "Label10")->text(), QStringLiteral("240"));
        click(form3, "Command3"); // the conditions named after the workbook
        click(form3, "Command4");

        // A name without extension becomes a workbook; a typed .csv decides for a CSV.
        Dialogs::queueSaveFileName(temp.file("kekka"));
        click(form3, "Command5");
        Dialogs::queueSaveFileName(temp.file("kekka.csv"));
        click(form3, "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        const QByteArray csv = readBytes(temp.file("kekka.csv"));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF")); // the roster's characters all kept
        const QStringList output = textLines(temp.file("kekka.csv"));
        QCOMPARE(output.size(), 1 + 240 + 1 + 1 + 10);
        const WorkbookSheet everyone = readWorkbookFile(temp.file("kekka.xlsx"));
        QCOMPARE(everyone.status, WorkbookStatus::Ok);
        QCOMPARE(everyone.sheetNames.mid(0, 3), (QStringList{"全員", "分布表", "1組"}));
        QCOMPARE(int(everyone.rows.size()), 241);
        for (int r = 1; r <= 240; ++r) {
            const QStringList out = output[r].split(u',');
            const QStringList cells = everyone.rows[size_t(r)];
            QCOMPARE(cells[0], out[0]);
            QCOMPARE(u'"' + cells[2] + u'"', out[2]);
        }
    }
};

CLASSDIV_GUI_TEST_MAIN(WorkbookRoadTest)
#include "tst_workbook_road.moc"
