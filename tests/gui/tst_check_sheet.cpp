// 確認票 (Ctrl+Shift+K) on the example year with one entry of the school's
// record: held after the press; broken once one of its students is swapped
// by hand into the other's class, listed first and in the PDF (read back by
// pdftotext); then saving the result and printing the posted lists ask first,
// naming the two, and write nothing when the answer is no. Closed and opened
// again after the swap is undone, it holds again. Long sheets over pages.

#include "support/GuiTest.h"

#include "division/lists/ClassRoster.h"
#include "export/CheckSheet.h"
#include "ui/CheckSheetPaper.h"
#include "ui/CheckSheetWindow.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

const QString kGroup = QStringLiteral("書女"); // spread over classes 5 and 6

// The n-th student of the group in class k as the class lists show them (by score).
int listed(const Year& year, int k, int n)
{
    for (const int r : rosterRows(year.students(), year.classes(), k, RosterOrder::Score))
        if (year.students()[r].group == kGroup && n-- == 0)
            return r;
    return 0;
}

// Selects the first student of the group in the list of class k by a click; its row.
int pick(QWidget* lists, int k)
{
    auto* list = child<QTableWidget>(lists, QStringLiteral("classList%1").arg(k));
    for (int i = 0; i < list->rowCount(); ++i)
        if (list->item(i, 1)->text() == kGroup) {
            list->scrollToItem(list->item(i, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i, 0)).center());
            return list->item(i, 0)->data(Qt::UserRole).toInt();
        }
    return 0;
}

CheckSheetWindow* openSheet(const ExampleWindow& f)
{
    f.activate();
    QTest::keyClick(f.w(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    return f.w()->findChild<CheckSheetWindow*>("CheckSheetWindow");
}

const CheckLine* recordLine(const CheckSheet& sheet)
{
    for (const CheckLine& line : sheet.lines)
        if (line.kind == CheckKind::Record)
            return &line;
    return nullptr;
}

QStringList itemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class CheckSheetTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetDialogs(); }

    void aRecordEntryBrokenByHandIsListedAndTheSaveAsksFirst()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QVERIFY(!openSheet(f));
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{Message{kNoDrawForCheckSheetMessage, QString()}}));
        QCOMPARE(f.press("Command4"), QList<Message>());
        const Year& year = f.model->year();
        const int a = listed(year, 5, 0), b = listed(year, 6, 0), d = listed(year, 6, 1);
        QVERIFY(a && b && d);
        const QString nameA = year.students()[a].name, nameD = year.students()[d].name;
        const QString label = QStringLiteral("記録 %1・%2").arg(nameA, nameD);
        f.model->setRecordEntries({{{a, d}, label}});

        CheckSheetWindow* sheet = openSheet(f);
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        QVERIFY(recordLine(sheet->sheet()));
        QVERIFY(!recordLine(sheet->sheet())->broken);
        auto* broken = child<QListWidget>(sheet, "brokenRules");
        QVERIFY(!itemTexts(broken).join(u'\n').contains(label));
        // Held: the result is saved without a question.
        const QString before = f.folder.file("before.csv");
        Dialogs::queueSaveFileName(before);
        QCOMPARE(f.press("Command5"), QList<Message>());
        QVERIFY(QFile::exists(before));

        // a trades places with b by hand: a now sits in class 6 with d.
        QApplication::setActiveWindow(f.w());
        f.key(Qt::Key_L);
        auto* lists = f.w()->findChild<QWidget*>("ClassListWindow");
        QVERIFY(lists);
        QCOMPARE(pick(lists, 5), a);
        QCOMPARE(pick(lists, 6), b);
        click(lists, "swapButton");
        QCOMPARE(year.classOf(a), 6);

        // The open sheet follows: the entry broken, first, with both names and their class.
        QTRY_VERIFY(recordLine(sheet->sheet()) && recordLine(sheet->sheet())->broken);
        QVERIFY(sheet->sheet().lines.front().broken);
        const QStringList items = itemTexts(broken);
        const auto entry = std::find_if(items.begin(), items.end(), [&](const QString& t) { return t.contains(label); });
        QVERIFY(entry != items.end());
        QVERIFY(entry->contains(QStringLiteral("６組に")));
        QVERIFY(child<QLabel>(sheet, "verdict")->text().startsWith(QStringLiteral("このままでは公表できません")));

        const QString pdf = f.folder.file("確認票.pdf");
        Dialogs::queueSaveFileName(pdf);
        click(sheet, "savePdf");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
#ifndef Q_OS_WIN // the reader is a Linux program
        QProcess reader;
        reader.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
        QVERIFY(reader.waitForFinished(20000) && reader.exitCode() == 0);
        const QString text = QString::fromUtf8(reader.readAllStandardOutput()).remove(QRegularExpression("[ \\x{3000}]"));
        QVERIFY(text.contains(QStringLiteral("このままでは公表できません")));
        QVERIFY(text.contains(QStringLiteral("学年主任")));
        QVERIFY(text.contains(QStringLiteral("機密")));
        QVERIFY(text.contains(QStringLiteral("SHA-256")));
        const qsizetype firstBroken = text.indexOf(QStringLiteral("破れている"));
        QVERIFY(firstBroken >= 0);
        QVERIFY(text.indexOf(QStringLiteral("守られている")) < 0 || firstBroken < text.indexOf(QStringLiteral("守られている")));
        QVERIFY(text.contains(QString(nameD).remove(QRegularExpression("[ \\x{3000}]"))));
#else
        QVERIFY(QFileInfo(pdf).size() > 0);
#endif

        // Saving asks first, naming both; no writes nothing, yes saves.
        const QString after = f.folder.file("after.csv");
        const std::optional<Message> question =
            recordBreakQuestion(year.students(), year.rules(), year.classes(), RecordUse::SaveResult);
        QVERIFY(question && question->text.contains(nameA) && question->text.contains(nameD));
        Dialogs::queueAnswer(false);
        Dialogs::queueSaveFileName(after);
        QCOMPARE(f.press("Command5"), QList<Message>{*question});
        QVERIFY(!QFile::exists(after));
        Dialogs::queueAnswer(true);
        QCOMPARE(f.press("Command5"), QList<Message>{*question});
        QVERIFY(QFile::exists(after)); // the name queued before is the one the save dialog gave now

        // The posted lists ask too, and print nothing on no.
        f.activate();
        QTest::keyClick(f.w(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        auto* posted = f.w()->findChild<QDialog*>("PostedListsDialog");
        QVERIFY(posted);
        const QString lists_pdf = f.folder.file("lists.pdf");
        Dialogs::queueAnswer(false);
        Dialogs::queueSaveFileName(lists_pdf);
        click(posted, "saveButton");
        const QList<Message> asked = Dialogs::takeMessages();
        QVERIFY(!asked.isEmpty());
        QVERIFY(asked.last().text.contains(QStringLiteral("このまま印刷しますか")) && asked.last().text.contains(nameD));
        QVERIFY(!QFile::exists(lists_pdf));
        posted->reject();

        // Esc closes the sheet.
        QApplication::setActiveWindow(sheet);
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!sheet->isVisible());
        // Opened again after the swap is taken back while it was closed: the sheet of now.
        QVERIFY(f.model->undoSwap());
        QCOMPARE(openSheet(f), sheet);
        QTRY_VERIFY(sheet->isVisible());
        QVERIFY(!recordLine(sheet->sheet())->broken);
    }

    // Long sheets go on over pages: every page numbered of the whole, every
    // line printed once, the signature once and on the last page, even when
    // the lines fill the page before it.
    void longSheetsGoOnOverPagesWithTheSignatureLast()
    {
#ifdef Q_OS_WIN
        QSKIP("the reader is a Linux program");
#endif
        for (const int count : {0, 1, 24, 25, 26, 27, 60, 200}) {
            CheckSheet sheet;
            sheet.verdict = kEveryRuleHeld;
            sheet.source << QStringLiteral("名簿ファイル: nen1.csv");
            for (int i = 0; i < count; ++i)
                sheet.lines.push_back({CheckKind::Marks, QStringLiteral("別クラスの印「印%1」").arg(i),
                                       i % 7 == 0 ? QString(70, u'長') : QStringLiteral("生徒 １組"), false});
            TempFolder folder;
            const QString pdf = folder.file("sheet.pdf");
            QFile file(pdf);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(checkSheetPdf(sheet));
            file.close();
            QProcess reader;
            reader.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
            QVERIFY(reader.waitForFinished(20000) && reader.exitCode() == 0);
            QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).remove(u' ').split(u'\f');
            pages.removeLast(); // after the last page's form feed
            const int total = checkSheetPageCount(sheet);
            QCOMPARE(pages.size(), qsizetype(total));
            for (int p = 0; p < total; ++p) {
                QVERIFY2(pages[p].contains(QStringLiteral("%1/%2ページ").arg(p + 1).arg(total)), qPrintable(pages[p]));
                QCOMPARE(pages[p].count(QStringLiteral("学年主任")), p + 1 == total ? 1 : 0);
            }
            const QString all = pages.join(QString());
            for (int i = 0; i < count; ++i)
                QCOMPARE(all.count(QStringLiteral("「印%1」").arg(i)), 1);
        }
    }
};

CLASSDIV_GUI_TEST_MAIN(CheckSheetTest)
#include "tst_check_sheet.moc"
