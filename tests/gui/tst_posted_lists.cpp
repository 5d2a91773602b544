// 新しいクラスの名簿 (Ctrl+Shift+N) by keyboard on the example year: the defaults saved by Enter,
// 男女別 chosen by Tab, arrow and Space, Esc, a cancelled save; the PDF read back by pdftotext,
// the numbers' CSV, nothing left in the temporary folder, and the numbers in the result workbook.

#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "division/lists/ClassSwaps.h"
#include "export/PostedLists.h"
#include "import/Workbook.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

QDialog* openPostedLists(const ExampleWindow& f)
{
    f.activate();
    QTest::keyClick(f.w(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QDialog* dialog = f.w()->findChild<QDialog*>("PostedListsDialog");
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
}

QString focusName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }
void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }

QString withoutBlanks(QString text) { return text.remove(QRegularExpression(QStringLiteral("[ \\t\\x{3000}\\r]"))); }

// The pages of the PDF as pdftotext reads them in its layout mode (two columns stay on one line), blanks removed.
QStringList pdfPages(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    QStringList pages = withoutBlanks(QString::fromUtf8(p.readAllStandardOutput())).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Every page: its class in the first line, then only the class's names and the numbers 1 .. n, each once.
void checkPostedPdf(const QString& pdf, const Year& year, const AttendanceNumbers& numbers)
{
#ifdef Q_OS_WIN
    QVERIFY(QFileInfo(pdf).size() > 0); // the reader is a Linux program
#else
    const QStringList pages = pdfPages(pdf);
    const std::vector<int> classes = classesInUse(year.classes());
    QCOMPARE(pages.size(), qsizetype(classes.size()));
    for (size_t k = 0; k < classes.size(); ++k) {
        QStringList lines = pages[qsizetype(k)].split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), classLabel(classes[k]));
        QString rest = lines.join(u'\n');
        QStringList names;
        for (const int row : rowsByNumber(year.classes(), numbers, classes[k]))
            names << withoutBlanks(year.students()[row].name);
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
        for (const QString& name : names) {
            QCOMPARE(rest.count(name), 1);
            rest.replace(name, QStringLiteral("|"));
        }
        QList<int> shown;
        for (const QString& token : rest.split(QRegularExpression(QStringLiteral("[|\\n]")), Qt::SkipEmptyParts)) {
            bool number = false;
            shown << token.toInt(&number);
            QVERIFY2(number, qPrintable(QStringLiteral("not a number: ") + token));
        }
        std::sort(shown.begin(), shown.end());
        QList<int> expected;
        for (int i = 1; i <= names.size(); ++i)
            expected << i;
        QCOMPARE(shown, expected);
    }
#endif
}

NumberingChoice choiceOf(const Year& year, NumberOrder order, const QString& sexColumn = {})
{
    const PostedListsView view = postedListsView(year.students(), readCurrentCsv(year.students()));
    NumberingChoice choice{view.sources[0].heading, view.sources[0].values, order, {}};
    for (const ReadingSource& source : view.sources)
        if (source.heading == sexColumn)
            choice.sexes = source.values;
    return choice;
}

} // namespace

class PostedListsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetDialogs(); }

    void enterSavesTheDefaultsAndNothingStaysInTheTemporaryFolder()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QVERIFY(openPostedLists(f) == nullptr);
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{Message{kNoDrawForListsMessage, QString()}}));
        QCOMPARE(f.press("Command4"), QList<Message>());
        const Year& year = f.model->year();

        // Before any posted list, the result workbook is as it always was.
        const QString plain = f.folder.file("before.xlsx");
        Dialogs::queueSaveFileName(plain);
        QCOMPARE(f.press("Command5"), QList<Message>());
        QVERIFY(!readWorkbookFile(plain).sheetNames.contains(QStringLiteral("出席番号")));

        TempFolder temporary;
        const QByteArray oldTemporary = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        const QStringList before = QDir(f.folder.path()).entryList(QDir::Files);

        QPointer<QDialog> dialog = openPostedLists(f);
        QVERIFY(dialog);
        // The example has no reading column: the names, 男女混合; the sex column found by its heading, unused.
        QCOMPARE(child<QComboBox>(dialog, "readingColumn")->currentText(), QStringLiteral("（氏名のまま）氏名"));
        QCOMPARE(child<QComboBox>(dialog, "numberOrder")->currentText(), QStringLiteral("男女混合"));
        QCOMPARE(child<QComboBox>(dialog, "sexColumn")->currentText(), QStringLiteral("4列目　性別"));
        QVERIFY(!child<QComboBox>(dialog, "sexColumn")->isEnabled());
        QCOMPARE(focusName(), QStringLiteral("readingColumn"));
        for (const char* next : {"numberOrder", "saveButton"}) { // the sex's controls are skipped while unused
            key(Qt::Key_Tab);
            QCOMPARE(focusName(), QString::fromLatin1(next));
        }
        key(Qt::Key_Backtab);
        key(Qt::Key_Backtab);
        QCOMPARE(focusName(), QStringLiteral("readingColumn"));

        const QString pdf = f.folder.file(QStringLiteral("掲示.pdf"));
        Dialogs::queueSaveFileName(pdf);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        const NumberingChoice choice = choiceOf(year, NumberOrder::Mixed);
        const AttendanceNumbers numbers = attendanceNumbers(year.students(), year.classes(), choice);
        // The names are kanji: the teacher is told they are not in the 五十音 order.
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown, (QList<Message>{*numberingNotice(year.students(), year.classes(), choice, numbers)}));
        QVERIFY(shown.first().text.contains(QStringLiteral("五十音順になっていません")));
        QCOMPARE(readBytes(f.folder.file(QStringLiteral("掲示_出席番号.csv"))),
                 *formatNumbersFile(year.students(), year.classes(), numbers).bytes);
        checkPostedPdf(pdf, year, numbers);
        QVERIFY(!pdfPages(pdf).join(QString()).contains(QStringLiteral("点数")));

        QStringList added = QDir(f.folder.path()).entryList(QDir::Files);
        for (const QString& name : before)
            added.removeAll(name);
        added.removeAll(QStringLiteral("nen1.csvAN.TXT")); // the drafts, written on their own
        QCOMPARE(added, (QStringList{QStringLiteral("掲示.pdf"), QStringLiteral("掲示_出席番号.csv")}));
        QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

        // From now on the result workbook carries the numbers of the classes as saved; it too is built in a
        // private temporary folder, gone once the workbook is saved.
        const QString numbered = f.folder.file("after.xlsx");
        Dialogs::queueSaveFileName(numbered);
        QCOMPARE(f.press("Command5"), QList<Message>());
        QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        qputenv("TMPDIR", oldTemporary);
        const WorkbookSheet sheet = readWorkbookFile(numbered, QStringLiteral("出席番号"));
        QCOMPARE(sheet.status, WorkbookStatus::Ok);
        QCOMPARE(int(sheet.rows.size()), year.students().count() + 1);
        for (int row = 1; row <= year.students().count(); ++row)
            QCOMPARE(sheet.rows[size_t(row)].last().toInt(), numbers.numbers[size_t(row)]);
    }

    void bySexChosenByKeyboardEscAndACancelledSaveWriteNothing()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QCOMPARE(f.press("Command4"), QList<Message>());
        const Year& year = f.model->year();
        const QStringList before = QDir(f.folder.path()).entryList(QDir::Files);

        QPointer<QDialog> dialog = openPostedLists(f);
        QVERIFY(dialog);
        key(Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        dialog = openPostedLists(f);
        QVERIFY(dialog);
        key(Qt::Key_Tab);
        key(Qt::Key_Down); // 男女別
        QCOMPARE(child<QComboBox>(dialog, "numberOrder")->currentText(), QStringLiteral("男女別"));
        key(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("sexColumn"));
        key(Qt::Key_Home); // the names hold no 男 or 女: refused, back to the column's box
        key(Qt::Key_Return);
        QCOMPARE(Dialogs::takeMessages(),
                 (QList<Message>{Message{QStringLiteral("男女別にするには、「男」「女」が書いてある性別の列を選んでください。"),
                                         titles::reenter}}));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(focusName(), QStringLiteral("sexColumn"));
        for (int i = 0; i < 4; ++i)
            key(Qt::Key_Down);
        QCOMPARE(child<QComboBox>(dialog, "sexColumn")->currentText(), QStringLiteral("4列目　性別"));
        key(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("girlsFirst"));
        key(Qt::Key_Space);
        QVERIFY(child<QCheckBox>(dialog, "girlsFirst")->isChecked());
        Dialogs::queueSaveFileName(std::nullopt); // the save dialog cancelled: the dialog stays, nothing is written
        key(Qt::Key_Return);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files), before);

        const QString pdf = f.folder.file(QStringLiteral("女子から.pdf"));
        Dialogs::queueSaveFileName(pdf);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        const NumberingChoice choice = choiceOf(year, NumberOrder::GirlsFirst, QStringLiteral("性別"));
        const AttendanceNumbers numbers = attendanceNumbers(year.students(), year.classes(), choice);
        const QString csv = f.folder.file(QStringLiteral("女子から_出席番号.csv"));
        QCOMPARE(readBytes(csv), *formatNumbersFile(year.students(), year.classes(), numbers).bytes);
        for (int row = 1; row <= year.students().count(); ++row) // every girl before every boy of her class
            for (int other = 1; other <= year.students().count(); ++other)
                if (year.classOf(row) == year.classOf(other) && sexOf(choice.sexes[size_t(row)]) == Sex::Girl &&
                    sexOf(choice.sexes[size_t(other)]) == Sex::Boy)
                    QVERIFY(numbers.numbers[size_t(row)] < numbers.numbers[size_t(other)]);
        checkPostedPdf(pdf, year, numbers);
        Dialogs::takeMessages();

        // The numbers' file is there already: refusing to replace it writes nothing.
        const QByteArray kept = readBytes(csv);
        QVERIFY(writeBytes(pdf, "old"));
        dialog = openPostedLists(f);
        QVERIFY(dialog);
        Dialogs::queueSaveFileName(pdf);
        Dialogs::queueAnswer(false);
        key(Qt::Key_Return);
        QCOMPARE(Dialogs::takeMessages().size(), 1); // the question
        QCOMPARE(readBytes(pdf), QByteArray("old"));
        QCOMPARE(readBytes(csv), kept);
        key(Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
    }

    // A column named as a reading, added at the right of the roster, is chosen first; a blank reading goes last.
    void aReadingColumnIsTheDefaultAndABlankReadingIsNumberedLastAndNamed()
    {
        ExampleWindow f;
        QVERIFY(copyExamples(f.folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        const QString csv = f.folder.file("nen1.csv");
        QStringList lines = textLines(csv);
        QCOMPARE(lines.size(), 241);
        const QString kana = QStringLiteral("あかさたなはまやらわがざだばぱゃー");
        NumberingChoice choice{QStringLiteral("ふりがな"), {QString()}, NumberOrder::Mixed, {}};
        lines[0] += QStringLiteral(",ふりがな");
        for (int r = 1; r <= 240; ++r) {
            const QString reading = r == 7 ? QString() : QString(kana[r % 17]) + kana[(r * 7) % 17] + QStringLiteral("ン");
            lines[r] += u',' + reading;
            choice.readings.push_back(reading);
        }
        QVERIFY(writeBytes(csv, *encodeText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), TextEncoding::Cp932)));
        // The roster is read once: the year loaded from the file with its new column.
        ImportWindowState import;
        QVERIFY(!preview({f.folder.path(), f.folder.path(), "nen1.csv", "nen1.csv"}, import, f.table).message);
        QVERIFY(!readColumns({"15", "1", "3", "6", "7"}, import, f.table).message);
        f.makeWindow();
        f.window->show();
        click(f.w(), "Command3");
        QVERIFY(QTest::qWaitForWindowExposed(f.w()) && f.activate());
        QCOMPARE(f.press("Command4"), QList<Message>());
        const Year& year = f.model->year();

        QPointer<QDialog> dialog = openPostedLists(f);
        QVERIFY(dialog);
        QCOMPARE(child<QComboBox>(dialog, "readingColumn")->currentText(), QStringLiteral("15列目　ふりがな"));
        Dialogs::queueSaveFileName(f.folder.file("meibo.pdf"));
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        const AttendanceNumbers numbers = attendanceNumbers(year.students(), year.classes(), choice);
        QCOMPARE(numbers.blankReadings, std::vector<int>{7});
        QCOMPARE(numbers.numbers[7], int(rowsByNumber(year.classes(), numbers, year.classOf(7)).size()));
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.contains(QStringLiteral("8行目　%1　%2").arg(year.students()[7].id, year.students()[7].name)));
        QCOMPARE(readBytes(f.folder.file(QStringLiteral("meibo_出席番号.csv"))),
                 *formatNumbersFile(year.students(), year.classes(), numbers).bytes);
        checkPostedPdf(f.folder.file("meibo.pdf"), year, numbers);
    }
};

CLASSDIV_GUI_TEST_MAIN(PostedListsTest)
#include "tst_posted_lists.moc"
