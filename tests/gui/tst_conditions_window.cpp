// The conditions window through its real widgets on the example year: load,
// the entry cycle, the conditions file, messages, the draw, the save, and the
// real message box and save dialog.

#include "support/GuiTest.h"

#include "conditions/ConditionsFile.h"
#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// The conditions of the example year in group order: (class, head count) twice.
const std::vector<std::pair<QString, std::array<int, 4>>> kYearConditions{
    {"書女", {5, 18, 6, 18}}, {"書男", {5, 22, 6, 22}}, {"美女", {3, 21, 4, 21}},
    {"美男", {3, 19, 4, 19}}, {"音女", {1, 20, 2, 20}}, {"音男", {1, 20, 2, 20}},
};

// Written out by hand: 11 lines a group, CR LF.
QByteArray expectedConditionsFile()
{
    const QByteArray unused = "0,0\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n";
    return "2\r\n5,18\r\n6,18\r\n" + unused + "2\r\n5,22\r\n6,22\r\n" + unused + "2\r\n3,21\r\n4,21\r\n" + unused +
           "2\r\n3,19\r\n4,19\r\n" + unused + "2\r\n1,20\r\n2,20\r\n" + unused + "2\r\n1,20\r\n2,20\r\n" + unused;
}

QLineEdit* classBox(const QWidget* w, int k) { return child<QLineEdit>(w, QStringLiteral("Text1(%1)").arg(k)); }
QLineEdit* headBox(const QWidget* w, int k) { return child<QLineEdit>(w, QStringLiteral("Text2(%1)").arg(k)); }
QComboBox* combo(const QWidget* w) { return child<QComboBox>(w, "Combo1"); }
QLineEdit* text3(const QWidget* w) { return child<QLineEdit>(w, "Text3"); }
QStringList planRows(const QWidget* w) // "class,heads" of the visible rows
{
    QStringList rows;
    for (int k = 1; k <= 10; ++k)
        if (classBox(w, k)->isVisibleTo(w) && headBox(w, k)->isVisibleTo(w))
            rows << classBox(w, k)->text() + u',' + headBox(w, k)->text();
    return rows;
}

// Calls `act` with the top modal widget once `act` accepts it (returns true);
// an unhandled box is closed after ten seconds so a broken test fails, not hangs.
void whenModal(std::function<bool(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, act] {
        QWidget* modal = QApplication::activeModalWidget();
        timer->stop(); // act may open further boxes while it runs
        bool done = modal && modal->isVisible() && act(modal);
        if (!done && clock->elapsed() > 10000) {
            if (modal)
                modal->close();
            done = true;
        }
        done ? timer->deleteLater() : timer->start();
    });
    timer->start(20);
}

// A conditions window on the example year in a folder of its own.
struct Fixture {
    TempFolder folder;
    StudentTable table;
    ClockRandomSource random;
    std::unique_ptr<ConditionsWindow> window;

    bool open(bool withConditions)
    {
        const QStringList files = withConditions ? QStringList{"nen1.csv", "nen1.csvJYOKEN.TXT"} : QStringList{"nen1.csv"};
        if (!copyExamples(folder.path(), files) || !readExampleYear(folder.path(), table))
            return false;
        window = std::make_unique<ConditionsWindow>(table, Deliverable::varmesto(), random);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    QWidget* w() const { return window.get(); }
    QString conditionsFile() const { return conditionsFilePath(table.csvPath); }
    QList<Message> pressAndTakeMessages(const char* button) const
    {
        click(w(), button);
        return Dialogs::takeMessages();
    }
};

} // namespace

class ConditionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dialogs::setRecording(true);
        Dialogs::setProgramTitle(QStringLiteral("varmesto"));
        Dialogs::takeMessages();
        Dialogs::resetProgramEnded();
    }

    // Every group entered through the boxes and confirmed; a second window on
    // the same CSV reads the file back.
    void entryCycleWritesTheFileAndASecondWindowReadsItBack()
    {
        Fixture first;
        QVERIFY(first.open(false));
        QWidget* w = first.w();
        QCOMPARE(combo(w)->currentIndex(), -1); // loaded with no group chosen and no message
        QVERIFY(Dialogs::takeMessages().isEmpty());
        for (int g = 0; g < int(kYearConditions.size()); ++g) {
            const auto& [group, v] = kYearConditions[g];
            combo(w)->setFocus();
            QTest::keyClick(combo(w), Qt::Key_Down); // the next entry, as the keyboard chooses it
            QCOMPARE(combo(w)->currentText(), group);
            QCOMPARE(QApplication::focusWidget(), text3(w));
            QCOMPARE(planRows(w).size(), 10);
            QTest::keyClicks(text3(w), QStringLiteral("2"));
            click(w, "Command1");
            QCOMPARE(planRows(w).size(), 2);
            for (int i = 0; i < 4; ++i) { // class number, Tab, head count, Tab, row by row
                QCOMPARE(QApplication::focusWidget(), i % 2 ? headBox(w, i / 2 + 1) : classBox(w, i / 2 + 1));
                QTest::keyClicks(QApplication::focusWidget(), QString::number(v[i]));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(first.pressAndTakeMessages("Command2"), QList<Message>());
            QVERIFY(QFile::exists(first.conditionsFile()));
        }
        QCOMPARE(readBytes(first.conditionsFile()), expectedConditionsFile());

        combo(w)->setCurrentIndex(2); // going back to a group shows what was stored
        QCOMPARE(text3(w)->text(), QStringLiteral("2"));
        QCOMPARE(planRows(w), (QStringList{"3,21", "4,21"}));

        // The first group given a third row with no students: read back, a 0
        // is shown; chosen again in the list, the row is empty.
        QByteArray file = expectedConditionsFile();
        QVERIFY(writeBytes(first.conditionsFile(), file.replace(0, 20, "3\r\n5,18\r\n7,0\r\n6,18\r\n")));
        StudentTable table;
        QVERIFY(readExampleYear(first.folder.path(), table));
        ClockRandomSource random;
        ConditionsWindow second(table, Deliverable::varmesto(), random);
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        click(&second, "Command3");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(combo(&second)->currentIndex(), 0);
        QCOMPARE(text3(&second)->text(), QStringLiteral("3"));
        QCOMPARE(planRows(&second), (QStringList{"5,18", "7,0", "6,18"}));
        for (int g = 1; g < int(kYearConditions.size()); ++g) {
            const auto& v = kYearConditions[g].second;
            combo(&second)->setCurrentIndex(g);
            QCOMPARE(text3(&second)->text(), QStringLiteral("2"));
            QCOMPARE(planRows(&second), (QStringList{QStringLiteral("%1,%2").arg(v[0]).arg(v[1]),
                                                     QStringLiteral("%1,%2").arg(v[2]).arg(v[3])}));
        }
        combo(&second)->setCurrentIndex(0);
        QCOMPARE(planRows(&second), (QStringList{"5,18", ",", "6,18"}));
        QVERIFY(!Dialogs::programEnded());
    }

    void messages_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("entry");
        QTest::addColumn<QString>("press");
        QTest::addColumn<Message>("message");
        QTest::newRow("class count 11") << "11" << QStringList{} << "Command1"
                                        << Message{"クラス数に誤りがあります。もう一度入力してください。10クラスまで。", "入力ミス"};
        QTest::newRow("head counts one short") << "2" << QStringList{"5", "18", "6", "17"} << "Command2"
                                               << Message{"入力データに誤りがあります。再入力して確認ボタンを押して下さい。", "入力ミス"};
        QTest::newRow("grand total differs") << "" << QStringList{} << "Command4"
                                             << Message{"CSVファイルにある生徒総数と入力した生徒総数が違います。確認して下さい。", ""};
        QTest::newRow("conditions file missing") << "" << QStringList{} << "Command3"
                                                 << Message{"条件ファイル ファイル名.csvJYOKEN.TXT がありません。", ""};
    }
    void messages()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, entry);
        QFETCH(QString, press);
        QFETCH(Message, message);
        Fixture f;
        QVERIFY(f.open(false));
        if (!count.isEmpty()) {
            combo(f.w())->setCurrentIndex(0); // 書女, 36 students
            typeInto(text3(f.w()), count);
        }
        if (!entry.isEmpty()) {
            click(f.w(), "Command1");
            for (int i = 0; i < 4; ++i)
                typeInto(i % 2 ? headBox(f.w(), i / 2 + 1) : classBox(f.w(), i / 2 + 1), entry[i]);
        }
        QCOMPARE(f.pressAndTakeMessages(qPrintable(press)), QList<Message>{message});
        QCOMPARE(Dialogs::programEnded(), press == "Command3");
        if (press == "Command1") { // the count is cleared, the rows stay
            QCOMPARE(text3(f.w())->text(), QString());
            QCOMPARE(planRows(f.w()).size(), 10);
        }
        if (press == "Command2") // written whether or not the check passed
            QVERIFY(QFile::exists(f.conditionsFile()));
        if (press == "Command4")
            QVERIFY(child<PictureBox>(f.w(), "Picture1")->items().empty());
    }

    void drawTwiceShowsOnlyTheSecondTable()
    {
        Fixture f;
        QVERIFY(f.open(true));
        auto* picture = child<PictureBox>(f.w(), "Picture1");
        const QImage blank = picture->grab().toImage();
        click(f.w(), "Command3");
        QCOMPARE(f.pressAndTakeMessages("Command4"), QList<Message>());
        const size_t firstSize = picture->items().size();
        QCOMPARE(f.pressAndTakeMessages("Command4"), QList<Message>());

        const std::vector<TableItem>& items = picture->items();
        QCOMPARE(items.size(), firstSize);
        QCOMPARE(std::count_if(items.begin(), items.end(), [](const TableItem& i) { return i.text == "境界点"; }), 1);
        auto at = [&](double x, double y) {
            auto found = std::find_if(items.begin(), items.end(), [=](const TableItem& i) { return i.x == x && i.y == y; });
            return found == items.end() ? QStringLiteral("<missing>") : found->text;
        };
        std::array<int, 11> sizes{};
        for (int r = 1; r <= 240; ++r)
            ++sizes[std::clamp(f.table.records[r].newClass.toInt(), 0, 10)];
        for (int r = 1; r <= 10; ++r) { // each class its head count, in the table and among the students
            QCOMPARE(at(92, 10.0 * r + 5), r <= 6 ? QStringLiteral(" 40 ") : QStringLiteral(" 0 "));
            QCOMPARE(sizes[r], r <= 6 ? 40 : 0);
        }
        QCOMPARE(at(92, 115), QStringLiteral(" 240 "));
        QCOMPARE(at(8, 4), QStringLiteral("境界点"));

        const QImage drawn = picture->grab().toImage(); // painted, and it survives a repaint
        QVERIFY(drawn != blank);
        picture->update();
        QCOMPARE(picture->grab().toImage(), drawn);
    }

    void picturePrintsEachTextWithItsTopLeftAtItsPoint()
    {
        PictureBox picture;
        picture.resize(401, 241);
        picture.setItems({{8, 4, QStringLiteral("境界点")}});
        const QImage image = picture.grab().toImage();
        const QColor background = image.pixelColor(200, 200);
        int left = image.width(), top = image.height();
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 3; x < image.width() - 3; ++x)
                if (image.pixelColor(x, y) != background)
                    left = std::min(left, x), top = std::min(top, y);
        // 8 units = 23.8 px, 4 units = 7.4 px, inside the 2-pixel border
        QVERIFY2(left >= 25 && left <= 28 && top >= 9 && top <= 14, qPrintable(QStringLiteral("%1,%2").arg(left).arg(top)));
        QCOMPARE(picture.toPixels(133.4, 128.7).toPoint(), QPoint(2 + 397, 2 + 237));
        picture.clear();
        QCOMPARE(picture.grab().toImage().pixelColor(left + 2, top + 2), background);
    }

    void saveWritesTheChosenNameOrSaysWhyNot()
    {
        Fixture f;
        QVERIFY(f.open(true));
        click(f.w(), "Command3");
        click(f.w(), "Command4");
        const QString name = f.folder.file("kekka"); // no extension is added
        Dialogs::queueSaveFileName(name);
        QCOMPARE(f.pressAndTakeMessages("Command5"), QList<Message>());
        QCOMPARE(f.table.resultPath, name);
        const QByteArray saved = readBytes(name);
        QVERIFY(saved.startsWith(cp932(QStringLiteral("\"新組\",\"番号\",\"氏名\",\"グループ\",\"点数\"\r\n"))));

        // A folder that cannot take the file: a message, the earlier result untouched.
        Dialogs::queueSaveFileName(f.folder.file("missing/kekka.csv"));
        const QList<Message> shown = f.pressAndTakeMessages("Command5");
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("エラー発生"));
        QCOMPARE(readBytes(name), saved);
    }

    // A year the tables cannot hold: told, shown empty, and every button still harmless.
    void refusedYearIsToldAndStaysUsable()
    {
        StudentTable table;
        table.lineCount = 302; // 301 students, each a group of its own
        for (int r = 1; r <= 301; ++r)
            table.records[r] = {QString(), QString::number(r), QString(), QStringLiteral("G%1").arg(r), "50"};
        TempFolder folder;
        table.csvPath = folder.file("many.csv");
        ClockRandomSource random;
        ConditionsWindow window(table, Deliverable::varmesto(), random);
        const QList<Message> shown = Dialogs::takeMessages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("エラー発生"));
        QCOMPARE(child<QLabel>(&window, "Label10")->text(), QStringLiteral("0"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char* name : {"Command1", "Command2", "Command4", "Command5"})
            click(&window, name);
        QVERIFY(!Dialogs::programEnded());
        QCOMPARE(combo(&window)->count(), 1);
    }

    void realMessageBoxHasTheTitleAndOnlyOk_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("title");
        QTest::newRow("own title") << "Command1" << "入力ミス";
        QTest::newRow("program title") << "Command4" << "varmesto";
    }
    void realMessageBoxHasTheTitleAndOnlyOk()
    {
        QFETCH(QString, press);
        QFETCH(QString, title);
        Fixture f;
        QVERIFY(f.open(false));
        Dialogs::setRecording(false);
        QString seenTitle;
        QMessageBox::StandardButtons seenButtons;
        bool modalOnTheWindow = false;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            seenTitle = box->windowTitle();
            seenButtons = box->standardButtons();
            modalOnTheWindow = box->isModal() && box->parentWidget() == f.w();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return true;
        });
        click(f.w(), press);
        Dialogs::setRecording(true);
        QCOMPARE(seenTitle, title);
        QCOMPARE(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(modalOnTheWindow);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Title, one filter listing .csv in any case, no proposed name, the
    // overwrite question (no keeps the dialog open for another name, yes
    // replaces), no extension added, cancel keeps the last name.
    void realSaveDialog()
    {
        Fixture f;
        QVERIFY(f.open(false));
        for (const char* name : {"old.csv", "other.CSV", "note.txt"})
            QVERIFY(writeBytes(f.folder.file(name), name));
        Dialogs::setRecording(false);
        const auto recordAgain = qScopeGuard([] { Dialogs::setRecording(true); });

        struct Seen {
            QString title, filters, proposed, listed, question, startFolder;
            bool openAfterFirstName = false;
        } seen;
        // Saves the names in turn, answering the overwrite question; no names: cancel.
        auto save = [&](QStringList names, QMessageBox::StandardButton answer) {
            seen = {};
            whenModal([&, names, answer](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                if (!dialog)
                    return false;
                auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
                auto* list = dialog->findChild<QListView*>("listView");
                const QString startFolder = dialog->directory().absolutePath();
                dialog->setDirectory(f.folder.path());
                auto listed = [list] {
                    QStringList names;
                    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                        if (!list->isRowHidden(row))
                            names << list->model()->index(row, 0, list->rootIndex()).data().toString();
                    names.sort();
                    return names.join(u' ');
                };
                (void)QTest::qWaitFor([&] { return listed().contains("old.csv"); }, 5000);
                seen = {dialog->windowTitle(), dialog->nameFilters().join(u'|'), edit->text(), listed(), {}, startFolder};
                for (const QString& name : names) {
                    edit->setText(name); // set whole: typed keys would open the completer's popup
                    if (QFile::exists(f.folder.file(name)))
                        whenModal([&seen, answer](QWidget* question) {
                            auto* box = qobject_cast<QMessageBox*>(question);
                            if (box)
                                seen.question = box->text(), QTest::mouseClick(box->button(answer), Qt::LeftButton);
                            return box != nullptr;
                        });
                    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save), Qt::LeftButton);
                    seen.openAfterFirstName = seen.openAfterFirstName || (name == names.first() && dialog->isVisible());
                }
                if (dialog->isVisible()) // cancel, or a dialog that stayed open
                    dialog->reject();
                return true;
            });
            click(f.w(), "Command5");
        };

        save({"old.csv", "kekka"}, QMessageBox::No);
        QCOMPARE(seen.title, QStringLiteral("CSVファイル保存"));
        QCOMPARE(seen.filters, QStringLiteral("CSV Files(*.CSV)"));
        QCOMPARE(seen.proposed, QString());
        QCOMPARE(seen.startFolder, f.folder.path()); // the CSV's folder, not the current one
        QCOMPARE(seen.listed, QStringLiteral("nen1.csv old.csv other.CSV"));
        QVERIFY2(seen.question.contains("old.csv"), qPrintable(seen.question));
        QVERIFY(seen.openAfterFirstName);
        QCOMPARE(readBytes(f.folder.file("old.csv")), QByteArray("old.csv"));
        QCOMPARE(f.table.resultPath, f.folder.file("kekka")); // the name typed after no
        QVERIFY(readBytes(f.folder.file("kekka")).startsWith(cp932(QStringLiteral("\"新組\","))));

        save({"old.csv"}, QMessageBox::Yes);
        QCOMPARE(seen.proposed, QString());
        QCOMPARE(seen.startFolder, f.folder.path()); // the CSV's folder, not the current one
        QVERIFY(!seen.question.isEmpty());
        QCOMPARE(f.table.resultPath, f.folder.file("old.csv"));
        QCOMPARE(readBytes(f.folder.file("old.csv")), readBytes(f.folder.file("kekka")));

        save({}, QMessageBox::NoButton);
        QCOMPARE(f.table.resultPath, f.folder.file("old.csv"));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

CLASSDIV_GUI_TEST_MAIN(ConditionsWindowTest)
#include "tst_conditions_window.moc"
