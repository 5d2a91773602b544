// Takes the pictures of the manual: varmesto driven through its windows on
// the example year, each window cut from the screen with ImageMagick's import
// (on Windows, read from the screen through the system).
// Run under Xvfb with the X11 platform (scripts/screenshots.sh), or as the
// Windows build under Wine (scripts/screenshots-windows.sh); the pictures go
// to the folder given as the only argument.

#include "ShotSupport.h"

#include "app/Shell.h"
#include "common/TextFile.h"
#include "conditions/SpreadColumns.h"
#include "division/lists/ClassRoster.h"
#include "export/PostedLists.h"
#include "export/ResultWorkbook.h"
#include "ui/ChartWindow.h"
#include "ui/ConditionsWindow.h"
#include "ui/CsvFileListBox.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/Layout.h"
#include "ui/PostedListsPdf.h"
#include "files/SharedRecord.h"
#include "ui/RecordKeeper.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace classdiv;

namespace shots {

QString g_out;  // the pictures
QString g_year; // the example year, in a folder this run made

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "make_screenshots: %s\n", qPrintable(what));
    for (const Message& m : Dialogs::takeMessages()) // what the program said on the way
        std::fprintf(stderr, "make_screenshots: message shown: %s\n", qPrintable(m.text));
    if (!g_year.isEmpty())
        QDir(g_year).removeRecursively();
    std::exit(1);
}

// The screen cut to `area` and a margin, once the X server shows what Qt has drawn.
void capture(const QRect& area, const QString& name)
{
    QTest::qWait(400);
    const QRect r = area.adjusted(-8, -8, 8, 8);
#ifdef Q_OS_WIN
    const QRect shown = r.intersected(QGuiApplication::primaryScreen()->geometry());
    if (!QGuiApplication::primaryScreen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height())
             .save(g_out + u'/' + name))
        fail("the screen could not be saved as " + name);
#else
    const QString crop = QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    if (QProcess::execute("import", {"-window", "root", "-crop", crop, "+repage", g_out + u'/' + name}) != 0)
        fail("import could not save " + name);
#endif
}
void captureWindow(QWidget* window, const QString& name)
{
    if (!QTest::qWaitForWindowExposed(window))
        fail(window->objectName() + " is not shown");
    window->activateWindow();
    window->raise();
    capture(window->frameGeometry(), name);
}

} // namespace shots

using namespace shots;

namespace {

QString g_examples; // examples/ of the source tree, with its drive on Windows

void click(const QWidget* window, const char* button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

// Form1, Form4, Form2 with the example year read from a folder named as a
// school might name it, and Form3 with its conditions read and one press.
QWidget* takeTheRoad(Shell& shell, const QString& year)
{
    shell.start();
    captureWindow(shell.currentWindow(), "form1.png");
    click(shell.currentWindow(), "Command2");
    captureWindow(shell.currentWindow(), "form4.png");
    click(shell.currentWindow(), "Command1");
    QWidget* form2 = shell.currentWindow();
    auto* dir1 = child<FolderListBox>(form2, "Dir1");
    const int row = dir1->rowOf(QDir(year).canonicalPath());
    if (row < 0)
        fail("Dir1 does not show " + year);
    dir1->scrollToItem(dir1->item(row));
    const QPoint entry = dir1->visualItemRect(dir1->item(row)).center();
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, entry);
    auto* file1 = child<CsvFileListBox>(form2, "File1");
    if (!QTest::qWaitFor([file1] { return file1->count() == 1 && file1->item(0)->text() == "nen1.csv"; }))
        fail("File1 does not show nen1.csv");
    QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(file1->item(0)).center());
    click(form2, "Command1");
    const char* columns[] = {"1", "3", "6", "7"};
    for (int i = 0; i < 4; ++i)
        child<QLineEdit>(form2, qPrintable(QStringLiteral("Text%1").arg(i + 4)))->setText(columns[i]);
    click(form2, "Command2");
    captureWindow(form2, "form2.png");
    click(form2, "Command3");
    QWidget* form3 = shell.currentWindow();
    click(form3, "Command3");
    click(form3, "Command4");
    captureWindow(form3, "form3.png");
    return form3;
}

void menuAndChart(ConditionsWindow* form3)
{
    auto* menu = child<QMenu>(form3, "menuAdjust");
    child<QMenuBar>(form3, "menuBar")->setActiveAction(menu->menuAction());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
        fail("the menu 調整 does not open");
    capture(form3->frameGeometry().united(menu->geometry()), "form3-menu.png");
    menu->close();
    child<QAction>(form3, "actionBalance")->trigger();
    child<QAction>(form3, "actionChart")->trigger();
    auto* chart = child<ChartWindow>(form3, "ChartWindow");
    chart->move(chart->screen()->availableGeometry().topLeft());
    captureWindow(chart, "chart.png");
    chart->close();
}

// After a plain press: two of the best 音女 of class 1 for two of the weakest of
// class 2, so that a band leaves its share, and a 美女 chosen in classes 3 and 4.
void classLists(ConditionsWindow* form3, YearModel& model)
{
    click(form3, "Command4");
    child<QAction>(form3, "actionClassLists")->trigger();
    auto* lists = child<QWidget>(form3, "ClassListWindow");
    lists->resize(1010, 620);
    const Year& year = model.year();
    auto girls = [&](int k) {
        std::vector<int> rows;
        for (int r : rosterRows(year.students(), year.classes(), k, RosterOrder::Score))
            if (year.students()[r].group == "音女")
                rows.push_back(r);
        return rows;
    };
    const std::vector<int> best = girls(1), weakest = girls(2);
    for (int i = 1; i <= 2; ++i)
        if (model.swap(best[i - 1], weakest[weakest.size() - i]) != SwapStatus::Swapped)
            fail("the swap of 音女 was refused");
    for (int k : {3, 4}) {
        auto* list = child<QTableWidget>(lists, qPrintable(QStringLiteral("classList%1").arg(k)));
        for (int i = 0; i < list->rowCount(); ++i)
            if (list->item(i, 1)->text() == "美女") {
                list->scrollToItem(list->item(i, 0));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i, 0)).center());
                break;
            }
    }
    child<QTableWidget>(lists, "classList1")->scrollToBottom(); // the marked cells
    child<QTableWidget>(lists, "classList2")->scrollToTop();    // the students moved in
    captureWindow(lists, "classlists.png");
    // The meeting sheets: the dialog's choices as they come, two copies.
    Dialogs::queueSaveFileName(g_out + "/classlists.pdf");
    click(lists, "pdfButton");
    auto* sheets = child<QDialog>(lists, "MeetingSheetDialog");
    child<QSpinBox>(sheets, "copies")->setValue(2);
    click(sheets, "okButton");
    if (!QFile::exists(g_out + "/classlists.pdf"))
        fail("no PDF of the class lists");
    lists->close();
    // The student cards, as the dialog proposes them.
    Dialogs::queueSaveFileName(g_out + "/cards.pdf");
    child<QAction>(form3, "actionCards")->trigger();
    click(child<QDialog>(form3, "CardsDialog"), "okButton");
    if (!QFile::exists(g_out + "/cards.pdf"))
        fail("no PDF of the cards");
}

// The example's rules (別クラス 8, 旧組 2, 同じクラス 9, クラス指定 10, flags 11, 12 and 4, score columns 13 and 14), with OK and
// Cancel as the program shows them.
void spreadDialog(ConditionsWindow* form3)
{
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    form3->activateWindow();
    child<QAction>(form3, "actionSpreadColumns")->trigger();
    auto* dialog = child<QDialog>(form3, "SpreadDialog");
    if (!QTest::qWaitForWindowExposed(dialog))
        fail("the dialog is not shown");
    QTest::qWait(400);
    if (!dialog->grab().save(g_out + "/spreaddialog.png"))
        fail("spreaddialog.png could not be saved");
    dialog->reject();
}

// Form2 with a workbook whose roster is its second sheet, chosen in sheetList.
void workbookImport(const QString& year, RandomSource& random)
{
    ResultSheet cover{QStringLiteral("表紙"), {{SheetCell::of(QStringLiteral("令和8年度 1年 名簿"))}}, {}, -1, {}};
    ResultSheet roster{QStringLiteral("名簿"), {}, {}, -1, {}};
    QFile csv(year + QStringLiteral("/nen1.csv"));
    if (!csv.open(QIODevice::ReadOnly))
        fail("cannot read nen1.csv");
    for (const QString& line : QStringDecoder("windows-31j").decode(csv.readAll()).operator QString().split(
             QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        SheetRow row;
        for (const QString& field : line.split(u','))
            row.push_back(numberOrText(field));
        roster.rows.push_back(row);
    }
    if (writeResultWorkbook({cover, roster}, year + QStringLiteral("/nen1.xlsx")))
        fail("cannot write nen1.xlsx");
    Shell shell(Deliverable::varmesto(), random);
    shell.startWith(QStringLiteral("nen1.xlsx"), year);
    QWidget* form2 = shell.currentWindow();
    click(form2, "Command1");
    auto* sheets = child<QComboBox>(form2, "sheetList");
    sheets->setFocus();
    QTest::keyClick(sheets, Qt::Key_Down);
    const char* columns[] = {"1", "3", "6", "7"};
    for (int i = 0; i < 4; ++i)
        child<QLineEdit>(form2, qPrintable(QStringLiteral("Text%1").arg(i + 4)))->setText(columns[i]);
    click(form2, "Command2");
    sheets->setFocus();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != form2 && window->isVisible())
            window->hide(); // the first road's conditions window would show round the edges
    captureWindow(form2, "form2-workbook.png");
}

// 案: the division with the two swaps kept as 案1, two presses (one evened out) kept as 案2 and 案3;
// the list with 案1 and 案3 chosen, and their comparison.
void drafts(ConditionsWindow* form3)
{
    form3->activateWindow();
    child<QAction>(form3, "actionDrafts")->trigger();
    auto* window = child<QWidget>(form3, "DraftWindow");
    auto* name = child<QLineEdit>(window, "draftName");
    QTest::keyClick(name, Qt::Key_Return); // 案1
    click(form3, "Command4");
    if (Dialogs::takeMessages() != QList<Message>{replaceSwapsQuestion(2)}) // kept in 案1, so let go
        fail("the press after the swaps did not ask about them");
    child<QAction>(form3, "actionBalance")->trigger();
    QTest::keyClick(name, Qt::Key_Return); // 案2
    click(form3, "Command4");
    QTest::keyClick(name, Qt::Key_Return); // 案3
    window->resize(1000, 300);
    auto* table = child<QTableWidget>(window, "draftTable");
    table->clearSelection();
    table->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, table->columnCount() - 1), true);
    table->setRangeSelected(QTableWidgetSelectionRange(2, 0, 2, table->columnCount() - 1), true);
    captureWindow(window, "drafts.png");
    click(window, "compareDrafts");
    auto* compare = child<QWidget>(window, "DraftCompareWindow");
    compare->resize(1010, 640);
    captureWindow(compare, "drafts-compare.png");
    Dialogs::queueSaveFileName(g_out + "/drafts-compare.pdf");
    click(compare, "savePdf");
    if (!QFile::exists(g_out + "/drafts-compare.pdf"))
        fail("no PDF of the comparison");
    compare->close();
    window->close();
}

} // namespace

// A posted list as the program prints it, for a class whose roster has its
// readings (the example year has none): some typed in katakana as Excel's
// furigana are, two 斎藤 of one reading told apart by identifier.
void postedList()
{
    const char* const students[][3] = {
        {"20131", "渡辺　結菜", "わたなべ ゆいな"}, {"20105", "上田　さくら", "うえだ さくら"},
        {"20117", "清水　大和", "シミズ ヤマト"},   {"20102", "石井　大翔", "いしい ひろと"},
        {"20126", "林　美月", "はやし みづき"},     {"20114", "齋藤　優斗", "さいとう ゆうと"},
        {"20108", "小野　湊", "オノ ミナト"},       {"20121", "中村　樹", "なかむら いつき"},
        {"20103", "伊藤　結衣", "いとう ゆい"},     {"20129", "松本　悠人", "まつもと ゆうと"},
        {"20111", "工藤　里奈", "くどう りな"},     {"20119", "高橋　翼", "タカハシ ツバサ"},
        {"20107", "大野　葵", "おおの あおい"},     {"20124", "橋本　彩", "はしもと あや"},
        {"20101", "青木　陽菜", "あおき ひな"},     {"20116", "佐々木　芽依", "ささき めい"},
        {"20130", "森　千尋", "もり ちひろ"},       {"20110", "木村　颯太", "きむら そうた"},
        {"20127", "平野　優花", "ひらの ゆうか"},   {"20104", "井上　蓮", "イノウエ レン"},
        {"20122", "西田　杏", "にしだ あん"},       {"20113", "斉藤　凛", "さいとう りん"},
        {"20109", "加藤　美咲", "かとう みさき"},   {"20118", "鈴木　花", "すずき はな"},
        {"20125", "長谷川　蒼", "はせがわ あおい"}, {"20106", "遠藤　悠真", "えんどう ゆうま"},
        {"20128", "藤田　奏", "ふじた かなで"},     {"20112", "後藤　陸", "ごとう りく"},
        {"20120", "田中　心春", "たなか こはる"},   {"20123", "野口　湊斗", "のぐち みなと"},
        {"20115", "斎藤　陽向", "さいとう ひなた"}, {"20132", "山田　太郎", "やまだ たろう"},
    };
    auto table = std::make_unique<StudentTable>();
    table->lineCount = int16_t(std::size(students) + 1);
    NumberingChoice choice{QStringLiteral("ふりがな"), {QString()}, NumberOrder::Mixed, {}};
    std::vector<int16_t> classes{0};
    for (size_t i = 0; i < std::size(students); ++i) {
        table->records[i + 1] = {QString::fromUtf8(students[i][0]), QString::fromUtf8(students[i][1]),
                                 QStringLiteral("G"), QStringLiteral("0")};
        choice.readings.push_back(QString::fromUtf8(students[i][2]));
        classes.push_back(1);
    }
    const Students year = typedStudents(*table);
    const AttendanceNumbers numbers = attendanceNumbers(year, classes, choice);
    if (writeFileAtomically(g_out + "/posted-lists.pdf", postedListsPdf(postedPages(year, classes, numbers))) !=
        WriteStatus::Ok)
        fail("no PDF of the posted list");
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        fail("usage: make_screenshots <folder for the pictures>");
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(g_out))
        fail("cannot make " + g_out);
    QApplication::setQuitOnLastWindowClosed(false);
    QStandardPaths::setTestModeEnabled(true); // the windows' remembered settings stay out of the user's
    installFontSubstitutions();
    Dialogs::setRecording(true);

    // A fresh folder only: never touch one this run did not make.
    const QString year = QDir::tempPath() + QStringLiteral("/学年データ");
    if (QDir(year).exists())
        fail(year + " is in the way");
    g_year = year;
    QDir().mkpath(year);
    // Taken with its drive before the current folder moves: on Windows a path without one is on the current drive.
    g_examples = QDir(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples")).canonicalPath();
    // The example's rules come with it, so the chart and the class lists show them.
    for (const char* name : {"nen1.csv", "nen1.csvJYOKEN.TXT", "nen1.csvBUNKATSU.TXT"})
        if (!QFile::copy(g_examples + u'/' + QString::fromLatin1(name), year + u'/' + name))
            fail(QStringLiteral("cannot copy %1").arg(name));
    QDir::setCurrent(QDir::tempPath());
    ClockRandomSource random;
    Shell shell(Deliverable::varmesto(), random);
    auto* form3 = qobject_cast<ConditionsWindow*>(takeTheRoad(shell, year));
    if (!form3 || !shell.model())
        fail("the road did not reach the conditions window");
    menuAndChart(form3);
    classLists(form3, *shell.model());
    spreadDialog(form3);
    drafts(form3);
    adjustMenu(form3, *shell.model());
    workbookImport(year, random);
    postedList();
    const QList<Message> messages = Dialogs::takeMessages();
    QDir(year).removeRecursively();
    for (const Message& m : messages)
        std::fprintf(stderr, "make_screenshots: message shown: %s\n", qPrintable(m.text));
    return messages.isEmpty() ? 0 : 1;
}
