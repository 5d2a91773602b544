// The confidential papers through their dialogs, by keyboard: the student
// cards (調整 → 短冊を印刷…, Ctrl+Shift+P) and the meeting sheets (the class
// lists' 「PDFに保存」). Every PDF is read back with pdftotext, an
// independent reader: each student once among the cards, a column left out
// nowhere, 「機密」 and the copy's number on every page; nothing left behind
// in a temporary folder.

#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "export/ResultFile.h"
#include "ui/PaperDialog.h"
#include "ui/RosterChangesWindow.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// The rows of 「名簿の変更」's table a page holds after the first: the page's
// height less its margins, its heading and the table's headings, in rows.
constexpr int kChangesPerPage = 42;

// The pages of the PDF as pdftotext reads them in layout mode, blanks removed.
QStringList pdfPages(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput())
                            .remove(QRegularExpression(QStringLiteral("[ \\t\\x{3000}]")))
                            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The example year with its rule columns, drawn once.
bool openDrawn(ExampleWindow& f)
{
    if (!copyExamples(f.folder.path(), {"nen1.csvBUNKATSU.TXT"}) || !f.open())
        return false;
    click(f.w(), "Command4");
    return f.window->year().hasDraw();
}

QDialog* waitActive(QDialog* dialog)
{
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
}

QDialog* openCards(const ExampleWindow& f)
{
    f.activate();
    QTest::keyClick(f.w(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    return waitActive(f.w()->findChild<QDialog*>("CardsDialog"));
}

void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }

QStringList checkedItems(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            names << list->item(i)->text().section(u'（', 0, 0).section(QStringLiteral(". "), 1);
    return names;
}

// Every PDF under `folder`, any depth, but those named.
QStringList pdfsIn(const QString& folder, const QStringList& chosen)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral(".pdf")) && !chosen.contains(path))
            found << path;
    }
    return found;
}

} // namespace

class PapersTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp; // the temporary folder of the program while the tests run
    QStringList m_saved;  // every PDF the tests chose

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        for (const char* name : {"TMPDIR", "TMP", "TEMP"}) // Unix, then Windows
            qputenv(name, QDir::toNativeSeparators(m_temp.path()).toLocal8Bit());
#ifndef Q_OS_WIN
        QCOMPARE(QDir::tempPath(), QDir(m_temp.path()).canonicalPath());
#endif
    }
    void init() { resetDialogs(); }
    void cleanupTestCase()
    {
        // The papers went where the teacher chose: the temporary folder holds none of them, nor pieces.
        QCOMPARE(pdfsIn(QDir::tempPath(), m_saved), QStringList());
    }

    // 「名簿の変更」 on A4: its heading and the table's headings on every page,
    // the consequences on the first, each student's row once, in order, the
    // pages after the first full.
    void rosterChangesRunOnOverPages()
    {
#ifndef Q_OS_WIN
        TempFolder folder;
        const QStringList consequences{QStringLiteral("案「案1」：いなくなった生徒 1人、新しい生徒 2人。")};
        int firstPage = 0; // the rows the first page holds, read from the longest table
        for (const int count : {130, 0, 1, 41, 42, 43, 84, 85, 86}) {
            TextTable changes{{QStringLiteral("変更"), QStringLiteral("行"), QStringLiteral("識別番号"),
                               QStringLiteral("氏名"), QStringLiteral("グループ"), QStringLiteral("変わったこと")},
                              {}};
            for (int r = 1; r <= count; ++r)
                changes.rows.push_back({QStringLiteral("追加"), QString::number(r + 1), QStringLiteral("ID%1").arg(r, 4, 10, QChar(u'0')),
                                        QStringLiteral("生徒%1").arg(r), QStringLiteral("A"), QStringLiteral("新しい生徒")});
            const QString pdf = folder.file(QStringLiteral("changes%1.pdf").arg(count));
            QFile file(pdf);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rosterChangesPdf(changes, consequences)) > 0);
            file.close();
            m_saved << pdf;
            const QStringList pages = pdfPages(pdf);
            QVERIFY2(!pages.isEmpty(), "pdftotext reads the PDF");
            std::vector<int> perPage;
            int next = 1; // each row once, in order
            for (int p = 0; p < pages.size(); ++p) {
                QVERIFY(pages[p].contains(QStringLiteral("名簿の変更")));
                QVERIFY(pages[p].contains(QStringLiteral("%1ページ").arg(p + 1)));
                QCOMPARE(pages[p].count(QStringLiteral("変わったこと")), 1);
                QCOMPARE(pages[p].contains(QStringLiteral("いなくなった生徒1人")), p == 0);
                perPage.push_back(int(pages[p].count(QStringLiteral("ID"))));
                for (int r = next; r < next + perPage.back(); ++r)
                    QVERIFY2(pages[p].count(QStringLiteral("ID%1").arg(r, 4, 10, QChar(u'0'))) == 1, qPrintable(pages[p]));
                next += perPage.back();
            }
            QCOMPARE(next, count + 1);
            if (firstPage == 0) {
                firstPage = perPage.front();
                QVERIFY2(firstPage > 30 && firstPage <= kChangesPerPage, qPrintable(QString::number(firstPage)));
            }
            const int later = std::max(0, count - firstPage);
            QCOMPARE(pages.size(), 1 + (later + kChangesPerPage - 1) / kChangesPerPage);
            QCOMPARE(perPage.front(), std::min(count, firstPage));
            for (size_t p = 1; p + 1 < perPage.size(); ++p)
                QCOMPARE(perPage[p], kChangesPerPage);
        }
#endif
    }

    void cardsByKeyboard()
    {
        ExampleWindow f;
        QVERIFY(openDrawn(f));
        const Year& year = f.window->year();

        // Tab runs through the choices in order; Esc closes and saves nothing.
        QPointer<QDialog> dialog = openCards(f);
        QVERIFY(dialog);
        const char* const order[] = {"cardColumns", "cardColour", "cardOrder", "copies", "draftName", "okButton",
                                     "cancelButton", "cardColumns"};
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[0]));
        for (int i = 1; i < 8; ++i) {
            key(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
        }
        auto* list = child<QListWidget>(dialog, "cardColumns");
        QCOMPARE(checkedItems(list), (QStringList{"番号", "旧組", "氏名", "性別", "グループ", "別クラス", "同じクラス",
                                                  "クラス指定", "リーダー", "ピアノ"}));
        QCOMPARE(child<QComboBox>(dialog, "cardColour")->currentText(), QStringLiteral("旧組"));
        QCOMPARE(child<QLineEdit>(dialog, "draftName")->text(), QStringLiteral("作業中"));
        auto* colour = child<QComboBox>(dialog, "cardColour");
        auto* cardOrder = child<QComboBox>(dialog, "cardOrder");
        cardOrder->setCurrentIndex(1);
        colour->setCurrentIndex(0); // no colour: no old class to order by
        QCOMPARE(cardOrder->currentIndex(), 0);
        key(Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        // Enter with nothing changed: the save dialog, then the cards of every student once, no score.
        dialog = openCards(f);
        QVERIFY(dialog);
        const QString cards = f.folder.file("tanzaku.pdf");
        Dialogs::queueSaveFileName(cards);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        m_saved << cards;
        QCOMPARE(QDir(f.folder.path()).entryList({"tanzaku.pdf*"}, QDir::Files | QDir::Hidden), QStringList{"tanzaku.pdf"});
#ifndef Q_OS_WIN // the reader is a Linux program
        QStringList pages = pdfPages(cards);
        QVERIFY2(pages.size() >= 15, qPrintable(QString::number(pages.size()))); // 240 cards, 16 a page
        const QString all = pages.join(u'\n');
        for (int r = 1; r <= 240; ++r)
            QCOMPARE(all.count(year.students()[r].id), 1);
        for (const QString& page : pages) {
            QVERIFY(page.contains(kConfidentialMark) && page.contains(kCollectMark));
            QVERIFY(page.contains(QStringLiteral("1部のうち第1部")));
            QVERIFY(page.contains(QStringLiteral("案：作業中")));
        }
        QVERIFY(!all.contains(QStringLiteral("点数")));
        QVERIFY(all.contains(QStringLiteral("リーダー：○")));

        // Space puts the score on (item 7), Down arrows reach it; two copies, each numbered on its own.
        dialog = openCards(f);
        QVERIFY(dialog);
        for (int i = 0; i < 6; ++i)
            key(Qt::Key_Down);
        key(Qt::Key_Space);
        QCOMPARE(child<QListWidget>(dialog, "cardColumns")->item(6)->checkState(), Qt::Checked);
        child<QSpinBox>(dialog, "copies")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        typeInto(child<QLineEdit>(dialog, "draftName"), QStringLiteral("会議用"));
        const QString two = f.folder.file("tanzaku2.pdf");
        Dialogs::queueSaveFileName(two);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        m_saved << two;
        const QStringList twoPages = pdfPages(two);
        QCOMPARE(twoPages.size(), 2 * pages.size());
        for (int i = 0; i < twoPages.size(); ++i) {
            const int copy = i < pages.size() ? 1 : 2;
            QVERIFY2(twoPages[i].contains(QStringLiteral("2部のうち第%1部").arg(copy)), qPrintable(twoPages[i].left(200)));
            QVERIFY(twoPages[i].contains(kConfidentialMark));
            QVERIFY(twoPages[i].contains(QStringLiteral("%1/%2ページ").arg(i % pages.size() + 1).arg(pages.size())));
            QVERIFY(twoPages[i].contains(QStringLiteral("案：会議用")));
        }
        QCOMPARE(twoPages.join(u'\n').count(QStringLiteral("点数：")), 2 * 240);
#endif
    }

    // A long name printed whole (smaller, narrower); a note longer than the card cut with 「…」 and listed whole.
    void longTextsWholeInThePdf()
    {
        ExampleWindow f;
        QVERIFY(copyExamples(f.folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT", "nen1.csvBUNKATSU.TXT"}));
        const QString name = QStringLiteral("寿限無寿限無五劫の擦り切れ海砂利水魚の水行末雲来末風来末食う寝る処に住む処");
        const QString note = QStringLiteral("給食のアレルギー（卵・乳）に注意し、教室では窓側の席にする。").repeated(8);
        QStringList lines = textLines(f.folder.file("nen1.csv"));
        QVERIFY(lines.size() == 241 && lines[1].startsWith(QStringLiteral("20101,1,工藤　里奈,女,美,")));
        lines[1].replace(QStringLiteral("工藤　里奈,女,美,"), name + QStringLiteral(",女,") + note + u',');
        QVERIFY(writeBytes(f.folder.file("nen1.csv"), *encodeText(lines.join("\r\n") + "\r\n", TextEncoding::Cp932)));
        QVERIFY(readExampleYear(f.folder.path(), f.table));
        f.makeWindow();
        f.window->show();
        click(f.w(), "Command3");
        QVERIFY(QTest::qWaitForWindowExposed(f.w()) && f.activate());
        click(f.w(), "Command4");
        QPointer<QDialog> dialog = openCards(f);
        QVERIFY(dialog);
        for (int i = 0; i < 4; ++i) // 選択, the fifth column
            key(Qt::Key_Down);
        key(Qt::Key_Space);
        const QString cards = f.folder.file("long.pdf");
        Dialogs::queueSaveFileName(cards);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        m_saved << cards;
#ifndef Q_OS_WIN
        const QStringList pages = pdfPages(cards);
        QVERIFY(!pages.isEmpty());
        const QString cardPages = pages.mid(0, pages.size() - 1).join(u'\n');
        QCOMPARE(cardPages.count(name), 1);
        QCOMPARE(cardPages.count(QStringLiteral("選択：給食のアレルギー")), 1);
        QCOMPARE(cardPages.count(note), 0);
        QVERIFY(!pages.last().contains(QStringLiteral("（リーダー）"))); // the short flag stays on the card, before the note
        QVERIFY(cardPages.contains(QStringLiteral("…")));
        QVERIFY(pages.last().contains(QStringLiteral("短冊に入りきらなかった文")));
        QCOMPARE(QString(pages.last()).remove(u'\n').count(note), 1);
        QVERIFY(pages.last().contains(kConfidentialMark));
#endif
    }

    void cardsNeedADraw()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        f.activate();
        QTest::keyClick(f.w(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!f.w()->findChild<QDialog*>("CardsDialog"));
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kNoDrawForCardsMessage, QString()}}));
    }

    void meetingSheetsWithoutScoresByKeyboard()
    {
        ExampleWindow f;
        QVERIFY(openDrawn(f));
        const Year& year = f.window->year();
        QApplication::setActiveWindow(f.w());
        f.key(Qt::Key_L);
        QWidget* lists = f.w()->findChild<QWidget*>("ClassListWindow");
        QVERIFY(lists);
        QVERIFY(!f.model->keepDraft(QStringLiteral("学年会議案"))); // the classes on screen are this draft
        click(lists, "pdfButton");
        QPointer<QDialog> dialog = waitActive(lists->findChild<QDialog*>("MeetingSheetDialog"));
        QVERIFY(dialog);
        const char* const order[] = {"sheetColumns", "copies", "draftName", "okButton", "cancelButton"};
        for (const char* name : order) {
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
            key(Qt::Key_Tab);
        }
        QCOMPARE(child<QLineEdit>(dialog, "draftName")->text(), QStringLiteral("学年会議案"));
        auto* list = child<QListWidget>(dialog, "sheetColumns");
        QCOMPARE(checkedItems(list), (QStringList{"旧組", "氏名", "性別", "グループ", "点数", "別クラス", "同じクラス",
                                                  "クラス指定", "リーダー", "ピアノ"}));
        // The score (item 7) off by Space; three copies typed; an unwritable folder says so and keeps the dialog.
        QCOMPARE(QApplication::focusWidget(), list);
        for (int i = 0; i < 6; ++i)
            key(Qt::Key_Down);
        key(Qt::Key_Space);
        QCOMPARE(list->item(6)->checkState(), Qt::Unchecked);
        auto* copies = child<QSpinBox>(dialog, "copies");
        copies->setFocus();
        copies->selectAll();
        QTest::keyClicks(copies, "3");
        const QString refused = f.folder.file("missing/kaigi.pdf");
        Dialogs::queueSaveFileName(refused);
        key(Qt::Key_Return);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>{writeFailedMessage(refused, fileNames::pdf)});
        QVERIFY(dialog && dialog->isVisible());
        const QString sheets = f.folder.file("kaigi.pdf");
        Dialogs::queueSaveFileName(sheets);
        key(Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        m_saved << sheets;
        QVERIFY(!QDir(f.folder.file("missing")).exists());
#ifndef Q_OS_WIN
        const QStringList pages = pdfPages(sheets);
        QCOMPARE(pages.size(), 3 * 6); // six classes of fewer than 45, three copies
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY(pages[i].contains(kConfidentialMark) && pages[i].contains(kCollectMark));
            QVERIFY(pages[i].contains(QStringLiteral("3部のうち第%1部").arg(i / 6 + 1)));
            QVERIFY(pages[i].contains(QStringLiteral("%1/6ページ").arg(i % 6 + 1)));
            QVERIFY(pages[i].contains(QStringLiteral("案：学年会議案")));
        }
        const QString all = pages.join(u'\n');
        QVERIFY(!all.contains(QStringLiteral("点数")));
        QVERIFY(!all.contains(QStringLiteral("平均")));
        for (int r = 1; r <= 240; ++r) // every name once a copy (a name inside another counts there too)
            QVERIFY(all.count(QString(year.students()[r].name).remove(u'　')) >= 3);
#endif
    }
};

CLASSDIV_GUI_TEST_MAIN(PapersTest)
#include "tst_papers.moc"
