// The start, explanation and import windows against their layout tables,
// in both programs.

#include "support/GuiTest.h"
#include "support/WindowTables.h"

#include "import/StudentTable.h"
#include "ui/ExplanationWindow.h"
#include "ui/ImportWindow.h"
#include "ui/StartWindow.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>

#include <cstdlib>
#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Deliverable)

namespace {

struct WindowUnderTest {
    std::unique_ptr<QWidget> window;
    std::vector<ExpectedControl> table;
    QString caption;
    QSize clientTwips;
};

StudentTable& students()
{
    static StudentTable table;
    return table;
}

WindowUnderTest makeWindow(const QString& name, const Deliverable& deliverable)
{
    if (name == QLatin1String("Form1"))
        return {std::make_unique<StartWindow>(deliverable), startWindowTable(), QStringLiteral("Mｅｎｕ"), {6720, 4770}};
    if (name == QLatin1String("Form4"))
        return {std::make_unique<ExplanationWindow>(deliverable), explanationWindowTable(), QStringLiteral("解説文"),
                {8190, 5835}};
    return {std::make_unique<ImportWindow>(students(), deliverable), importWindowTable(deliverable),
            QStringLiteral("データ読み込み"), {8655, 6795}};
}

void addWindowRows()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<Deliverable>("deliverable");
    for (const char* form : {"Form1", "Form4", "Form2"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 varmesto").arg(QLatin1String(form))))
            << QString::fromLatin1(form) << Deliverable::varmesto();
        QTest::newRow(qPrintable(QStringLiteral("%1 lintoraq").arg(QLatin1String(form))))
            << QString::fromLatin1(form) << Deliverable::lintoraq();
    }
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // One fixed volume: the layout must not depend on the machine's mounts.
        ImportWindow::setVolumeAccess({[] { return std::vector<Volume>{{QStringLiteral("/"), QStringLiteral("/")}}; },
                                       [](const QString&) { return VolumeStatus::Ready; }});
    }

    void everyControlMatchesItsTable_data() { addWindowRows(); }
    void everyControlMatchesItsTable()
    {
        QFETCH(QString, form);
        QFETCH(Deliverable, deliverable);
        WindowUnderTest w = makeWindow(form, deliverable);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

        QCOMPARE(w.window->objectName(), form);
        QCOMPARE(w.window->windowTitle(), w.caption);
        QCOMPARE(clientSizeTwips(w.window.get()), w.clientTwips);
        const QStringList problems = checkControls(w.window.get(), w.table);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        // The Windows names are drawn with their IPA substitutes, not a fallback font.
        for (const ExpectedControl& e : w.table) {
            auto* control = w.window->findChild<QWidget*>(e.name);
            QCOMPARE(QFontInfo(control->font()).family().toLower(), QFont::substitute(e.fontFamily).toLower());
        }

        // Nothing but the controls of the table stands in the window.
        QStringList named;
        for (QWidget* child : w.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            named << child->objectName();
        named.sort();
        QStringList expected;
        for (const ExpectedControl& e : w.table)
            expected << e.name;
        expected.sort();
        QCOMPARE(named, expected);
    }

    void tabKeyWalksTheTabColumnSkippingLabels_data() { addWindowRows(); }
    void tabKeyWalksTheTabColumnSkippingLabels()
    {
        QFETCH(QString, form);
        QFETCH(Deliverable, deliverable);
        WindowUnderTest w = makeWindow(form, deliverable);
        const QStringList order = expectedTabOrder(w.table);
        QCOMPARE(focusChainNames(w.window.get()), order);

        // The window opens with the focus on the first control of the Tab column.
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QTRY_VERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), order.first());

        // Real Tab presses, once round and back to the first control.
        QWidget* first = w.window->findChild<QWidget*>(order.first());
        QStringList expectedWalk = order;
        expectedWalk << order.first();
        QCOMPARE(tabWalk(w.window.get(), first, order.size()), expectedWalk);
    }

    void frameFollowsTheProgram_data() { addWindowRows(); }
    void frameFollowsTheProgram()
    {
        QFETCH(QString, form);
        QFETCH(Deliverable, deliverable);
        WindowUnderTest w = makeWindow(form, deliverable);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QPoint offCentre = w.window->geometry().center() - screenCentre;
        QVERIFY2(std::abs(offCentre.x()) <= 2 && std::abs(offCentre.y()) <= 2,
                 qPrintable(QStringLiteral("the window opens centred, not %1,%2 off").arg(offCentre.x()).arg(offCentre.y())));

        QCOMPARE(hasFixedSize(w.window.get()), deliverable.fixedFrame);
        if (deliverable.fixedFrame)
            return;
        // A larger frame moves and scales nothing.
        w.window->resize(w.window->size() + QSize(150, 90));
        QTRY_COMPARE(w.window->size(), QSize(w.clientTwips.width() / 15 + 150, w.clientTwips.height() / 15 + 90));
        const QStringList problems = checkControls(w.window.get(), w.table);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    void multiLineBoxesScrollAsDesigned()
    {
        const Deliverable deliverable = Deliverable::varmesto();
        ImportWindow import(students(), deliverable);
        for (const char* name : {"Text2", "Text8"}) {
            auto* box = import.findChild<QPlainTextEdit*>(QLatin1String(name));
            QVERIFY(box);
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
            QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QVERIFY(box->tabChangesFocus());
        }
        ExplanationWindow explanation(deliverable);
        auto* text = explanation.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(text);
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(text->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOn);
        // The text opens at its title, not scrolled to its end.
        QCOMPARE(text->textCursor().position(), 0);
    }

    void label8WrapsOntoTwoLines()
    {
        ImportWindow import(students(), Deliverable::varmesto());
        auto* label = import.findChild<QLabel*>(QStringLiteral("Label8"));
        QVERIFY(label);
        QVERIFY(label->wordWrap());
        const int lineHeight = label->fontMetrics().height();
        const int needed = label->heightForWidth(label->width());
        QVERIFY2(needed > lineHeight && needed <= label->height() + lineHeight / 2,
                 qPrintable(QStringLiteral("height %1 for lines of %2").arg(needed).arg(lineHeight)));
    }

    void explanationTextHasItsPartsInOrder()
    {
        const QString text = explanationText();
        QVERIFY(text.startsWith(QString(12, QChar(0x3000)) + QStringLiteral("クラス分けソフトvarmesto.exeについて\r\n")));
        // Every line ends in CR LF: no lone line feed.
        QCOMPARE(text.count(QStringLiteral("\r\n")), text.count(u'\n'));
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));

        const QStringList inOrder = {
            QStringLiteral("★主な内容\r\n"),
            QStringLiteral("★ＣＳＶファイルの条件\r\n"),
            QStringLiteral("★ソウトの使い方\r\n"),
            QStringLiteral("「ファイル名.csvJYOKEN.TXT」"),
            QStringLiteral("「ファイルに保存」"),
            QStringLiteral("★乱数発生の基本的な考え方\r\n"),
            QStringLiteral("\r\n席　　次    1    2　　3　　4　　5　　6　　7　　8　　9　　10　　11　　12\r\n\r\n"),
            QStringLiteral("ｸﾗｽ番号     2　　5　　3　　6　　4　　1　　4　　3　　1 　　6　 　2 　　5\r\n\r\n"),
            QStringLiteral("　というような乱数を発生させ、生徒を各クラスに均等に振り分けています。\r\n"),
            QStringLiteral("★最後に\r\n"),
            QStringLiteral("varmesto.exe"),
        };
        qsizetype from = 0;
        for (const QString& part : inOrder) {
            const qsizetype at = text.indexOf(part, from);
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("missing or out of order: ") + part));
            from = at + part.size();
        }
        // Eight steps in the second window's list.
        QVERIFY(text.contains(QStringLiteral("ステップ８")));
    }
};

CLASSDIV_GUI_TEST_MAIN(LayoutTest)
#include "tst_layout_start_import.moc"
