// クラス名簿 through its real widgets: opened by Ctrl+L, a hand swap seen in
// the distribution table, undo, the question before a press replaces swaps,
// the PDF read back with pdftotext.

#include "support/GuiTest.h"

#include "export/ResultFile.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

QWidget* listsOf(const ExampleWindow& f) { return f.w()->findChild<QWidget*>("ClassListWindow"); }
QWidget* openLists(const ExampleWindow& f)
{
    QApplication::setActiveWindow(f.w()); // offscreen activates no window by itself
    f.key(Qt::Key_L);
    return listsOf(f);
}
std::vector<TableItem> picture(const ExampleWindow& f) { return child<PictureBox>(f.w(), "Picture1")->items(); }
QStringList classes(const StudentTable& table)
{
    QStringList c;
    for (int r = 1; r <= table.studentCount(); ++r)
        c << table.records[r].newClass;
    return c;
}

// Selects, by a click, the first student of `group` in the list of class k; returns its row.
int pick(QWidget* lists, int k, const QString& group)
{
    auto* list = child<QTableWidget>(lists, QStringLiteral("classList%1").arg(k));
    for (int i = 0; i < list->rowCount(); ++i) {
        if (list->item(i, 1)->text() != group)
            continue;
        list->scrollToItem(list->item(i, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i, 0)).center());
        return list->item(i, 0)->data(Qt::UserRole).toInt();
    }
    return 0;
}
void swapPicked(QWidget* lists, int k1, int k2, const QString& group)
{
    pick(lists, k1, group);
    pick(lists, k2, group);
    QTest::mouseClick(child<QPushButton>(lists, "swapButton"), Qt::LeftButton);
}

QString withoutBlanks(QString text) { return text.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]"))); }

// The PDF's text as pdftotext reads it. In its layout mode a row stays one
// line; the reading-order mode may take a given name away to another row.
QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    return p.waitForFinished(20000) && p.exitCode() == 0 ? withoutBlanks(QString::fromUtf8(p.readAllStandardOutput()))
                                                         : QString();
}

} // namespace

class ClassListsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Dialogs::takeMessages(); }

    void swapUndoPressAndPdf()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        QVERIFY(!openLists(f)); // nothing drawn yet
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kNoDrawForListsMessage, QString()}}));
        click(f.w(), "Command4");
        QWidget* lists = openLists(f);
        QVERIFY(lists);
        QTRY_VERIFY(lists->isVisible());
        QCOMPARE(lists->windowTitle(), QStringLiteral("クラス名簿"));
        auto* swap = child<QPushButton>(lists, "swapButton");
        auto* undo = child<QPushButton>(lists, "undoButton");
        const QStringList drawn = classes(f.table);
        const std::vector<TableItem> drawnPicture = picture(f);

        // 書女 is spread over 5 and 6, 書男 too: two groups only refuse.
        const int a = pick(lists, 5, "書女");
        QVERIFY(!swap->isEnabled());
        pick(lists, 6, "書男");
        QVERIFY(!swap->isEnabled());
        QCOMPARE(swap->toolTip(), swapStatusText(SwapStatus::DifferentGroups));
        const int b = pick(lists, 6, "書女");
        QVERIFY(swap->isEnabled());

        // The picture shows exactly the recount of the swapped classes.
        auto expected = std::make_unique<StudentTable>(f.table);
        std::swap(expected->records[a].newClass, expected->records[b].newClass);
        DistributionTable recount = f.window->distribution();
        fillDistributionTable(*expected, recount);
        QApplication::setActiveWindow(lists); // offscreen keeps the first window active
        QTest::keyClick(lists, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(f.table.records[a].newClass, QStringLiteral("6"));
        QCOMPARE(picture(f), distributionTableItems(recount, 240));
        QVERIFY(picture(f) != drawnPicture);
        for (int k : {5, 6}) { // each header shows the table's average (item 7 of the class's row)
            const QString average = picture(f)[9 + (k - 1) * 10 + 7].text.trimmed();
            QVERIFY(child<QLabel>(lists, QStringLiteral("classHeader%1").arg(k))->text().contains("平均 " + average));
        }
        QVERIFY(!child<QLabel>(lists, "ruleNote")->text().isEmpty());

        // Saved as it stands: the swapped student's line starts with its new class.
        Dialogs::queueSaveFileName(f.folder.file("kekka.csv"));
        click(f.w(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QVERIFY(readBytes(f.folder.file("kekka.csv")).split('\n')[a].startsWith("6,"));

        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(classes(f.table), drawn);
        QCOMPARE(picture(f), drawnPicture);
        QVERIFY(!undo->isEnabled());

        // A press after a swap asks first; no keeps the swap.
        swapPicked(lists, 5, 6, "書女");
        const QStringList swapped = classes(f.table);
        for (bool yes : {false, true}) {
            Dialogs::queueAnswer(yes);
            click(f.w(), "Command4");
            QCOMPARE(Dialogs::takeMessages(), QList<Message>{replaceSwapsQuestion(1)});
            QCOMPARE(f.window->classSwaps().count(), yes ? 0 : 1);
            QVERIFY(yes || classes(f.table) == swapped);
        }
        QVERIFY(!undo->isEnabled());

        // The PDF: every name once, read back by pdftotext; an unwritable folder says so and leaves nothing.
        const QString pdf = f.folder.file("meibo.pdf"), refused = f.folder.file("missing/meibo.pdf");
        Dialogs::queueSaveFileName(pdf);
        Dialogs::queueSaveFileName(refused);
        QTest::mouseClick(child<QPushButton>(lists, "pdfButton"), Qt::LeftButton);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QTest::mouseClick(child<QPushButton>(lists, "pdfButton"), Qt::LeftButton);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>{writeFailedMessage(refused)});
        QVERIFY(!QDir(f.folder.file("missing")).exists());
        const QString text = pdfText(pdf);
        QVERIFY2(!text.isEmpty(), "pdftotext read nothing");
        QCOMPARE(text.count(QStringLiteral("クラス名簿")), 6);
        for (int r = 1; r <= 240; ++r) { // a name inside another name counts there too
            const QString name = withoutBlanks(f.table.records[r].name);
            int inNames = 0;
            for (int s = 1; s <= 240; ++s)
                inNames += withoutBlanks(f.table.records[s].name).count(name);
            QCOMPARE(text.count(name), inNames);
        }

        swapPicked(lists, 1, 2, "音女");
        const QStringList kept = classes(f.table);
        lists->close(); // only a view: closing keeps the swap and its undo
        QTRY_VERIFY(!listsOf(f));
        QCOMPARE(classes(f.table), kept);
        QCOMPARE(f.window->classSwaps().count(), 1);
    }
};

CLASSDIV_GUI_TEST_MAIN(ClassListsTest)
#include "tst_class_lists.moc"
