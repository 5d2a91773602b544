// 案 through the real windows on the example year: drafts kept, the program
// ended and started again, drafts opened and saved; a real program killed
// right after a press and its 「作業中」 opened; Ctrl+N; a result file read
// back; two drafts compared.

#include "support/GuiTest.h"
#include "files/YearFiles.h"

#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"
#include "ui/DraftWindow.h"

#include <QProcess>

#include <cstdio>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

const char* const kChildFolder = "CLASSDIV_DRAFTS_PRESS_FOLDER";

QString classesText(const Year& year)
{
    QStringList parts;
    for (size_t r = 1; r < year.classes().size(); ++r)
        parts << QString::number(year.classes()[r]);
    return parts.join(u',');
}

// A conditions window on a year of its own, as the shell holds them: the window goes before the year.
struct ConditionsRun {
    std::unique_ptr<YearSession> session;
    std::unique_ptr<ConditionsWindow> window;
    ConditionsWindow* get() const { return window.get(); }
    ConditionsWindow* operator->() const { return window.get(); }
    explicit operator bool() const { return window != nullptr; }
};

// The conditions window on the example year in `folder`, its conditions read back.
ConditionsRun startOn(const QString& folder, StudentTable& table, RandomSource& random)
{
    if (!readExampleYear(folder, table))
        return {};
    ConditionsRun run{std::make_unique<YearSession>(table, random), nullptr};
    run.window = std::make_unique<ConditionsWindow>(*run.session, Deliverable::varmesto());
    SatelliteWindows::install(*run.session, run.window.get());
    ConditionsWindow* window = run.get();
    window->show();
    click(window, "Command3");
    window->activateWindow();
    QTest::qWaitFor([&] { return QApplication::activeWindow() == window; });
    return run;
}

DraftWindow* openDrafts(ConditionsWindow* window)
{
    window->activateWindow();
    QTest::qWaitFor([&] { return QApplication::activeWindow() == window; });
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    auto* drafts = window->findChild<DraftWindow*>("DraftWindow");
    if (drafts && QTest::qWaitForWindowActive(drafts))
        return drafts;
    return nullptr;
}

QByteArray savedResult(ConditionsWindow* window, const QString& path)
{
    Dialogs::queueSaveFileName(path);
    click(window, "Command5");
    return readBytes(path);
}

// The child program: the example year in the folder, its conditions read, one press; the classes
// go to standard output, and the program runs on until it is killed.
int runPressingChild(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    resetDialogs();
    StudentTable table;
    ClockRandomSource random;
    const auto window = startOn(qEnvironmentVariable(kChildFolder), table, random);
    if (!window)
        return 2;
    click(window.get(), "Command4");
    std::printf("%s\n", qPrintable(classesText(window->year())));
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class TestDrafts : public QObject {
    Q_OBJECT
private slots:
    void init() { resetDialogs(); }

    void keptDraftsComeBackInTheNextRunAndSaveTheSameFile()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        ConditionsWindow* w = f.window.get();
        QByteArray saved[2];
        const QString names[2] = {QStringLiteral("案A"), QStringLiteral("案B")};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(f.press("Command4"), QList<Message>());
            if (i == 0)
                f.key(Qt::Key_B);
            DraftWindow* drafts = openDrafts(w);
            QVERIFY(drafts);
            auto* name = child<QLineEdit>(drafts, "draftName");
            QTRY_VERIFY(name->hasFocus());
            QCOMPARE(name->text(), QStringLiteral("案1")); // 案A and 案B leave 案1 free
            QCOMPARE(name->selectedText(), name->text());
            QTest::keyClick(name, Qt::Key_Tab);
            QVERIFY(child(drafts, "draftTable")->hasFocus());
            typeInto(name, names[i]);
            QTest::keyClick(name, Qt::Key_Return);
            QCOMPARE(Dialogs::takeMessages(), QList<Message>());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!drafts->isVisible());
            saved[i] = savedResult(w, f.folder.file(QStringLiteral("kekka%1.csv").arg(i)));
            QVERIFY(!saved[i].isEmpty());
        }
        auto* table = child<QTableWidget>(openDrafts(w), "draftTable");
        QCOMPARE(table->rowCount(), 3); // 案A, 案B, 作業中
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("作業中"));
        QCOMPARE(table->item(0, 9)->text(), QStringLiteral("0")); // no hand swaps
        QCOMPARE(table->item(1, 10)->text(), QStringLiteral("0")); // 案B is on screen
        f.end(); // the program ends

        StudentTable again;
        ClockRandomSource random;
        const auto next = startOn(f.folder.path(), again, random);
        QVERIFY(next);
        QVERIFY(!next->year().hasDraw()); // nothing restored by itself
        DraftWindow* drafts = openDrafts(next.get());
        QVERIFY(drafts);
        table = child<QTableWidget>(drafts, "draftTable");
        QCOMPARE(table->rowCount(), 3);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Home);
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(savedResult(next.get(), f.folder.file("again0.csv")), saved[0]);
        QTest::keyClick(table, Qt::Key_Down);
        click(drafts, "openDraft");
        QCOMPARE(savedResult(next.get(), f.folder.file("again1.csv")), saved[1]);

        // Two drafts compared, the differing students listed.
        table->selectAll();
        table->setRangeSelected(QTableWidgetSelectionRange(2, 0, 2, table->columnCount() - 1), false);
        click(drafts, "compareDrafts");
        QWidget* compare = nullptr;
        QTRY_VERIFY((compare = drafts->findChild<QWidget*>("DraftCompareWindow")) && compare->isVisible());
        const DraftBook& book = next->model().drafts();
        QCOMPARE(child<QTableWidget>(compare, "compareMoved")->rowCount(),
                 movedStudents(book.row(0).classes, book.row(1).classes));
        QCOMPARE(child<QTableWidget>(compare, "compareFigures")->rowCount(), 6);
        const QString pdf = f.folder.file("hikaku.pdf");
        Dialogs::queueSaveFileName(pdf);
        click(compare, "savePdf");
        QVERIFY(readBytes(pdf).startsWith("%PDF"));
        // Esc closes the comparison from its lists too, not only from its buttons.
        auto* moved = child<QTableWidget>(compare, "compareMoved");
        moved->setFocus();
        QTest::keyClick(moved, Qt::Key_Escape);
        QTRY_VERIFY(!compare->isVisible());
    }

    void draftsOfAnotherProgramOnTheRosterComeInAndAreNeverErased()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        ConditionsWindow* w = f.window.get();
        QCOMPARE(f.press("Command4"), QList<Message>());
        // Another teacher's program on the same roster keeps a draft of its own press, and its 作業中.
        const QString path = YearFiles(w->year().students().csvPath).draftsPath();
        Year other = w->year();
        QVERIFY(other.pressNumber(5).drawn);
        DraftBook book = loadDraftBook(other, path);
        book.setOwner(QStringLiteral("職員室PC"), QStringLiteral("sato"));
        QVERIFY(!book.keep(other, QStringLiteral("佐藤案"), QDateTime::currentDateTime()));
        book.markChanged();
        QVERIFY(!saveDraftBook(book, other, QDateTime::currentDateTime()));

        DraftWindow* drafts = openDrafts(w);
        QVERIFY(drafts);
        auto* table = child<QTableWidget>(drafts, "draftTable");
        QTRY_COMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("佐藤案"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("作業中（職員室PC sato）"));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("作業中"));
        auto* name = child<QLineEdit>(drafts, "draftName");
        typeInto(name, QStringLiteral("自分案"));
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        const auto names = [&] {
            QStringList list;
            for (const Draft& d : readDraftsFile(path).content.drafts)
                list << d.name;
            return list;
        };
        QTRY_COMPARE(names(), (QStringList{QStringLiteral("佐藤案"), QStringLiteral("自分案")}));
        QCOMPARE(readDraftsFile(path).content.working.size(), size_t(2));
    }

    void aKilledProgramLeavesThePressAsWorkInProgress()
    {
        TempFolder folder;
        QVERIFY(copyExamples(folder.path(), {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kChildFolder, folder.path());
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), 30000);
        const QString pressed = QString::fromLatin1(program.readLine()).trimmed();
        QVERIFY(pressed.count(u',') == 239);
        // Written within a second of the press; killed right then.
        const QString path = YearFiles(folder.file("nen1.csv")).draftsPath();
        const auto working = [&] {
            const DraftsReadOutcome read = readDraftsFile(path);
            if (read.content.working.empty())
                return QString();
            QStringList parts;
            for (size_t r = 1; r < read.content.working.front().classes.size(); ++r)
                parts << QString::number(read.content.working.front().classes[r]);
            return parts.join(u',');
        };
        QTRY_COMPARE_WITH_TIMEOUT(working(), pressed, 1000);
        program.kill();
        QVERIFY(program.waitForFinished());

        StudentTable table;
        ClockRandomSource random;
        const auto next = startOn(folder.path(), table, random);
        QVERIFY(next);
        DraftWindow* drafts = openDrafts(next.get());
        QVERIFY(drafts);
        auto* list = child<QTableWidget>(drafts, "draftTable");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(classesText(next->year()), pressed);
    }

    void aDrawNumberPressedAgainAndAResultFileReadBackAsADraft()
    {
        ExampleWindow f;
        QVERIFY(f.open());
        ConditionsWindow* w = f.window.get();
        QCOMPARE(f.press("Command4"), QList<Message>());
        const uint32_t number = w->year().drawNumber();
        const std::vector<int16_t> pressed = w->year().classes();
        QCOMPARE(f.press("Command4"), QList<Message>());
        QVERIFY(w->year().drawNumber() != number);

        Dialogs::queueText(QStringLiteral("１２ab"));
        f.key(Qt::Key_N);
        QCOMPARE(Dialogs::takeMessages().last(), (Message{kBadDrawNumberMessage, titles::reenter}));
        Dialogs::queueText(QString::number(number));
        f.key(Qt::Key_N);
        QCOMPARE(Dialogs::takeMessages().size(), 1); // the question, no message
        QVERIFY(w->year().classes() == pressed);

        // A result file moved by hand in a spreadsheet: two students of one group trade classes.
        const QString path = f.folder.file("kekka.csv");
        QVERIFY(!savedResult(w, path).isEmpty());
        const Students& students = w->year().students();
        int a = 1, b = 2;
        while (students[b].group != students[a].group || pressed[b] == pressed[a])
            ++b;
        QStringList lines = textLines(path);
        lines[a] = QString::number(pressed[b]) + lines[a].mid(lines[a].indexOf(u','));
        lines[b] = QString::number(pressed[a]) + lines[b].mid(lines[b].indexOf(u','));
        QVERIFY(writeBytes(path, cp932(lines.join("\r\n") + "\r\n")));
        Dialogs::queueOpenFileName(path);
        child<QAction>(w, "actionDraftFromResult")->trigger();
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(w->year().classOf(a), int(pressed[b]));
        QCOMPARE(w->year().classOf(b), int(pressed[a]));
        QCOMPARE(w->model().drafts().indexOf("kekka"), 0);
        QTRY_VERIFY(child(w, "ClassListWindow")->isVisible());

        // Renamed from the name box; deleted only when the question is answered yes.
        DraftWindow* drafts = openDrafts(w);
        QVERIFY(drafts);
        auto* table = child<QTableWidget>(drafts, "draftTable");
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Home);
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        typeInto(child<QLineEdit>(drafts, "draftName"), QStringLiteral("手直し"));
        click(drafts, "renameDraft");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(w->model().drafts().row(0).name, QStringLiteral("手直し"));
        for (const bool yes : {false, true}) {
            Dialogs::queueAnswer(yes);
            click(drafts, "deleteDraft");
            QCOMPARE(Dialogs::takeMessages().size(), 1);
            QCOMPARE(w->model().drafts().indexOf(QStringLiteral("手直し")), yes ? -1 : 0);
        }
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(kChildFolder))
        return runPressingChild(argc, argv);
    TestDrafts test;
    return runGuiTest(test, argc, argv);
}

#include "tst_drafts.moc"
