// The conditions window through its real widgets on the example year: the
// entry cycle, the conditions file, messages, the picture of the table, and
// the real message box and save dialog.

#include "support/GuiTest.h"

#include "conditions/ConditionsFile.h"
#include "export/ResultFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTimer>

#include <functional>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// The conditions of the example year in group order: "class,head count" twice.
const std::vector<std::pair<QString, QStringList>> kYearConditions{
    {"書女", {"5,18", "6,18"}}, {"書男", {"5,22", "6,22"}}, {"美女", {"3,21", "4,21"}},
    {"美男", {"3,19", "4,19"}}, {"音女", {"1,20", "2,20"}}, {"音男", {"1,20", "2,20"}},
};

QLineEdit* planBox(const QWidget* w, int column, int k) { return child<QLineEdit>(w, QStringLiteral("Text%1(%2)").arg(column).arg(k)); }
QComboBox* combo(const QWidget* w) { return child<QComboBox>(w, "Combo1"); }
QLineEdit* text3(const QWidget* w) { return child<QLineEdit>(w, "Text3"); }
QStringList planRows(const QWidget* w) // "class,heads" of the visible rows
{
    QStringList rows;
    for (int k = 1; k <= 10; ++k)
        if (planBox(w, 1, k)->isVisibleTo(w) && planBox(w, 2, k)->isVisibleTo(w))
            rows << planBox(w, 1, k)->text() + u',' + planBox(w, 2, k)->text();
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

} // namespace

class ConditionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        resetDialogs();
        Dialogs::setProgramTitle(QStringLiteral("varmesto"));
    }

    // Every group entered through the keyboard and confirmed; a second window
    // on the same CSV reads the file back.
    void entryCycleWritesTheFileAndASecondWindowReadsItBack()
    {
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        QWidget* w = f.w();
        const QString file = conditionsFilePath(f.table.csvPath);
        QCOMPARE(combo(w)->currentIndex(), -1); // loaded with no group chosen and no message
        QByteArray expected; // 11 lines a group, CR LF
        for (const auto& [group, rows] : kYearConditions) {
            combo(w)->setFocus();
            QTest::keyClick(combo(w), Qt::Key_Down); // the next entry, as the keyboard chooses it
            QCOMPARE(combo(w)->currentText(), group);
            QCOMPARE(QApplication::focusWidget(), text3(w));
            QCOMPARE(planRows(w).size(), 10);
            QTest::keyClicks(text3(w), QStringLiteral("2"));
            click(w, "Command1");
            QCOMPARE(planRows(w).size(), 2);
            const QStringList typed = rows.join(u',').split(u',');
            for (int i = 0; i < 4; ++i) { // class number, Tab, head count, Tab, row by row
                QCOMPARE(QApplication::focusWidget(), planBox(w, i % 2 + 1, i / 2 + 1));
                QTest::keyClicks(QApplication::focusWidget(), typed[i]);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(f.press("Command2"), QList<Message>());
            QVERIFY(QFile::exists(file));
            expected += "2\r\n" + rows.join("\r\n").toLatin1() + "\r\n" + QByteArray("0,0\r\n").repeated(8);
        }
        QCOMPARE(readBytes(file), expected);
        combo(w)->setCurrentIndex(2); // going back to a group shows what was stored
        QCOMPARE(text3(w)->text(), QStringLiteral("2"));
        QCOMPARE(planRows(w), (QStringList{"3,21", "4,21"}));

        // The first group given a third row with no students: read back, a 0
        // is shown; chosen again in the list, the row is empty.
        QVERIFY(writeBytes(file, expected.replace(0, 20, "3\r\n5,18\r\n7,0\r\n6,18\r\n")));
        StudentTable table;
        QVERIFY(readExampleYear(f.folder.path(), table));
        ConditionsWindow second(table, Deliverable::varmesto(), f.random);
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        click(&second, "Command3");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());
        QCOMPARE(combo(&second)->currentIndex(), 0);
        QCOMPARE(text3(&second)->text(), QStringLiteral("3"));
        QCOMPARE(planRows(&second), (QStringList{"5,18", "7,0", "6,18"}));
        for (int g = 1; g < int(kYearConditions.size()); ++g) {
            combo(&second)->setCurrentIndex(g);
            QCOMPARE(text3(&second)->text(), QStringLiteral("2"));
            QCOMPARE(planRows(&second), kYearConditions[g].second);
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
        QTest::newRow("result not written") << "" << QStringList{} << "Command5"
                                            << writeFailedMessage("/no-such-folder/kekka.csv");
    }
    void messages()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, entry);
        QFETCH(QString, press);
        QFETCH(Message, message);
        ExampleWindow f;
        QVERIFY(f.open(false, false));
        if (!count.isEmpty()) {
            combo(f.w())->setCurrentIndex(0); // 書女, 36 students
            typeInto(text3(f.w()), count);
        }
        if (!entry.isEmpty()) {
            click(f.w(), "Command1");
            for (int i = 0; i < 4; ++i)
                typeInto(planBox(f.w(), i % 2 + 1, i / 2 + 1), entry[i]);
        }
        Dialogs::queueSaveFileName("/no-such-folder/kekka.csv");
        QCOMPARE(f.press(press), QList<Message>{message});
        QCOMPARE(Dialogs::programEnded(), press == "Command3");
        if (press == "Command1") { // the count is cleared, the rows stay
            QCOMPARE(text3(f.w())->text(), QString());
            QCOMPARE(planRows(f.w()).size(), 10);
        }
        if (press == "Command2") // written whether or not the check passed
            QVERIFY(QFile::exists(conditionsFilePath(f.table.csvPath)));
        if (press == "Command4")
            QVERIFY(child<PictureBox>(f.w(), "Picture1")->items().empty());
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
        ExampleWindow f;
        QVERIFY(f.open(false));
        Dialogs::setRecording(false);
        QString seen; // title, buttons, modal over the window
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box) {
                seen = QStringLiteral("%1 %2 %3").arg(box->windowTitle()).arg(box->standardButtons().toInt())
                           .arg(box->isModal() && box->parentWidget() == f.w() ? "modal" : "modeless");
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
            return box != nullptr;
        });
        click(f.w(), press);
        Dialogs::setRecording(true);
        QCOMPARE(seen, QStringLiteral("%1 %2 modal").arg(title).arg(int(QMessageBox::Ok)));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Title, one filter listing .csv in any case, no proposed name, the
    // overwrite question (no keeps the dialog open for another name, yes
    // replaces), no extension added, cancel keeps the last name.
    void realSaveDialog()
    {
        ExampleWindow f;
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
        QCOMPARE(f.table.resultPath, f.folder.file("kekka")); // the name typed after no, no extension added
        QVERIFY(readBytes(f.folder.file("kekka")).startsWith(cp932(QStringLiteral("\"新組\",\"番号\",\"氏名\",\"グループ\",\"点数\"\r\n"))));

        save({"old.csv"}, QMessageBox::Yes);
        QCOMPARE(seen.proposed, QString());
        QCOMPARE(seen.startFolder, f.folder.path());
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
