// The import window driven through its own controls: drive, folder and file
// lists, preview, reading the columns and the messages.

#include "support/GuiTest.h"

#include "import/ImportActions.h"
#include "ui/CsvFileListBox.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/ImportWindow.h"

#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>

#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Message)
Q_DECLARE_METATYPE(classdiv::VolumeStatus)

namespace {

const QString kItemNames = QStringLiteral("番号,組,氏名,性別,選択,点数");

// `students` lines of six fields under the item names, CR LF.
QByteArray yearCsv(int students)
{
    const QStringList names{"山田", "佐藤", "鈴木"}, electives{"音", "美", "書"};
    QString text = kItemNames + QStringLiteral("\r\n");
    for (int i = 1; i <= students; ++i)
        text += QStringLiteral("%1,%2,%3,%4,%5,%6\r\n").arg(1000 + i).arg(i % 3 + 1).arg(names[i % 3])
                    .arg(i % 2 ? "男" : "女").arg(electives[i % 3]).arg(40 + i);
    return cp932(text);
}

QString cleaned(const QString& path) { return QDir::cleanPath(QDir(path).absolutePath()); }

QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

VolumeAccess volumes(std::vector<Volume> list, std::function<VolumeStatus(const QString&)> check)
{
    return {[list] { return list; }, std::move(check)};
}

// An import window opened on a folder of its own as the current folder.
struct Fixture {
    TempFolder folder;
    StudentTable table;
    std::unique_ptr<ImportWindow> window;
    QString previousCurrent = QDir::currentPath();

    ~Fixture() { QDir::setCurrent(previousCurrent); }
    bool open(const Deliverable& deliverable = Deliverable::varmesto())
    {
        QDir::setCurrent(folder.path());
        window = std::make_unique<ImportWindow>(table, deliverable);
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    FolderListBox* dir() const { return child<FolderListBox>(window.get(), "Dir1"); }
    CsvFileListBox* files() const { return child<CsvFileListBox>(window.get(), "File1"); }
    QLineEdit* box(const char* name) const { return child<QLineEdit>(window.get(), name); }
    QString text8() const { return child<QPlainTextEdit>(window.get(), "Text8")->toPlainText(); }
    void press(const char* button) const { click(window.get(), button); }
    bool clickFile(const QString& name) const
    {
        const QList<QListWidgetItem*> found = files()->findItems(name, Qt::MatchExactly);
        if (found.size() == 1)
            QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, files()->visualItemRect(found.first()).center());
        return found.size() == 1;
    }
    // The year file chosen in File1 and previewed.
    bool previewYear(const QByteArray& csv)
    {
        if (!writeBytes(folder.file("nen1.csv"), csv) || !open(Deliverable::lintoraq()) || !clickFile("nen1.csv"))
            return false;
        press("Command1");
        return true;
    }
};

} // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dialogs::takeMessages();
        Dialogs::resetProgramEnded();
        ImportWindow::setVolumeAccess(volumes({{"/", "/"}}, [](const QString&) { return VolumeStatus::Ready; }));
    }

    void foldersAndFilesAreChosenWithTheMouseAndKeys()
    {
        Fixture f;
        for (const char* name : {"b.CSV", "a.csv", "Notes.Csv", "c.txt", "csv", "x.csv.bak", "sub/one.csv", "sub/two.csv"})
            QVERIFY(writeBytes(f.folder.file(name), "1\r\n"));
        QVERIFY(QDir(f.folder.path()).mkdir("other.csv")); // a folder is no file
        QVERIFY(f.open());

        // Dir1: the chain from the root, the current folder chosen, then its subfolders.
        QCOMPARE(f.dir()->item(0)->data(FolderListBox::kPathRole).toString(), QStringLiteral("/"));
        const int here = f.dir()->rowOf(f.folder.path());
        QVERIFY(here > 0);
        QCOMPARE(f.dir()->currentRow(), here);
        QCOMPARE(f.dir()->count(), here + 3);
        QCOMPARE(f.dir()->rowOf(f.folder.file("sub")), here + 2);
        QCOMPARE(listTexts(f.files()), (QStringList{"a.csv", "b.CSV", "Notes.Csv"}));
        QVERIFY(f.box("Text1")->text().isEmpty());

        // A double click moves into a folder; a click or a key chooses a file.
        const QRect sub = f.dir()->visualItemRect(f.dir()->item(here + 2));
        QTest::mouseClick(f.dir()->viewport(), Qt::LeftButton, {}, sub.center());
        QTest::mouseDClick(f.dir()->viewport(), Qt::LeftButton, {}, sub.center());
        QTRY_COMPARE(f.dir()->folder(), cleaned(f.folder.file("sub")));
        QCOMPARE(listTexts(f.files()), (QStringList{"one.csv", "two.csv"}));
        QVERIFY(f.clickFile("two.csv"));
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("two.csv"));
        QTest::keyClick(f.files(), Qt::Key_Up);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));

        // A single click only marks a folder; Return moves there and leaves the typed name alone.
        const int parent = f.dir()->rowOf(f.folder.path());
        QTest::mouseClick(f.dir()->viewport(), Qt::LeftButton, {}, f.dir()->visualItemRect(f.dir()->item(parent)).center());
        QTest::qWait(0);
        QCOMPARE(f.dir()->folder(), cleaned(f.folder.file("sub")));
        QTest::keyClick(f.dir(), Qt::Key_Return);
        QTRY_COMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        QCOMPARE(f.files()->folder(), cleaned(f.folder.path()));
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));
        QCOMPARE(f.files()->fileName(), QString());
        QCOMPARE(f.table.lineCount, int16_t(0));
        QVERIFY(Dialogs::takeMessages().isEmpty());
    }

    void previewShowsTheFileAndCountsColumns_data()
    {
        QTest::addColumn<QString>("typedName");
        QTest::newRow("41 lines of 6 fields") << "";
        // The name in Text1 names the conditions, the file chosen in File1 is read.
        QTest::newRow("edited name") << "kumi.csv";
    }
    void previewShowsTheFileAndCountsColumns()
    {
        QFETCH(QString, typedName);
        Fixture f;
        QVERIFY(writeBytes(f.folder.file("nen1.csv"), yearCsv(40)));
        QVERIFY(f.open());
        QVERIFY(f.clickFile("nen1.csv"));
        if (!typedName.isEmpty())
            typeInto(f.box("Text1"), typedName);
        f.press("Command1");

        QVERIFY(Dialogs::takeMessages().isEmpty());
        QCOMPARE(f.box("Text3")->text(), QStringLiteral("6"));
        QCOMPARE(f.table.lineCount, int16_t(41));
        QCOMPARE(f.table.csvPath, f.folder.file(typedName.isEmpty() ? QStringLiteral("nen1.csv") : typedName));
        QCOMPARE(f.window->state().sourcePath, f.folder.file("nen1.csv"));
        const QStringList shown = child<QPlainTextEdit>(f.window.get(), "Text2")->toPlainText().split(u'\n');
        QCOMPARE(shown.size(), 41 + 1); // every line ends with a line break
        QCOMPARE(shown.first(), kItemNames);
        QTRY_COMPARE(QApplication::focusWidget(), f.box("Text4"));
    }

    void readTakesTheTypedColumns_data()
    {
        QTest::addColumn<QString>("columnCount");
        QTest::addColumn<QString>("idColumn");
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<QString>("text8");
        QTest::newRow("read") << "6" << "1" << QList<Message>{}
                              << "番号,氏名,選択,点数\n1001,佐藤,美,41\n1002,鈴木,書,42\n1003,山田,音,43\n";
        QTest::newRow("identifier column empty") << "6" << "" << QList<Message>{{kMissingInputMessage, "再入力"}}
                                                 << "読み込みデータを表示\n";
        QTest::newRow("column count one too many") << "7" << "1" << QList<Message>{{kColumnCountMessage, "エラー発生"}}
                                                   << "読み込みデータを表示\n";
    }
    void readTakesTheTypedColumns()
    {
        QFETCH(QString, columnCount);
        QFETCH(QString, idColumn);
        QFETCH(QList<Message>, messages);
        QFETCH(QString, text8);
        Fixture f;
        QVERIFY(f.previewYear(yearCsv(3)));
        const QStringList typed{columnCount, idColumn, "3", "5", "6"};
        for (int i = 0; i < typed.size(); ++i)
            typeInto(f.box(qPrintable(QStringLiteral("Text%1").arg(i + 3))), typed[i]);
        for (int press = 1; press <= 2; ++press) { // a second read shows the same, not more
            f.press("Command2");
            QCOMPARE(Dialogs::takeMessages(), messages);
            QCOMPARE(f.text8(), text8);
        }
        if (messages.isEmpty())
            QCOMPARE(f.table.records[3].score, QStringLiteral("43"));
        else
            QTRY_COMPARE(QApplication::focusWidget(), f.box("Text3"));
    }

    void choosingAVolume_data()
    {
        QTest::addColumn<VolumeStatus>("status");
        QTest::addColumn<QList<Message>>("messages");
        QTest::newRow("ready") << VolumeStatus::Ready << QList<Message>{};
        QTest::newRow("no disk") << VolumeStatus::NotReady << QList<Message>{{kInsertDiskMessage, QString()}};
        QTest::newRow("unexpected failure")
            << VolumeStatus::Unexpected << QList<Message>{{kUnexpectedDriveMessage, QString()}};
    }
    void choosingAVolume()
    {
        QFETCH(VolumeStatus, status);
        QFETCH(QList<Message>, messages);
        Fixture f;
        TempFolder floppy;
        QVERIFY(writeBytes(floppy.file("meibo.csv"), yearCsv(1)));
        QVERIFY(writeBytes(f.folder.file("here.csv"), yearCsv(1)));
        const QString floppyRoot = cleaned(floppy.path());
        ImportWindow::setVolumeAccess(volumes({{"/", "/"}, {floppyRoot, "A:"}}, [=](const QString& root) {
            return root == floppyRoot ? status : VolumeStatus::Ready;
        }));
        QVERIFY(f.open());
        QCOMPARE(child<QComboBox>(f.window.get(), "Drive1")->currentText(), QStringLiteral("/"));

        QTest::keyClick(child<QComboBox>(f.window.get(), "Drive1"), Qt::Key_Down);
        QCOMPARE(Dialogs::takeMessages(), messages);
        QCOMPARE(Dialogs::programEnded(), status == VolumeStatus::Unexpected);
        const bool moves = status == VolumeStatus::Ready;
        QCOMPARE(f.dir()->folder(), moves ? floppyRoot : cleaned(f.folder.path()));
        QCOMPARE(listTexts(f.files()), QStringList{moves ? "meibo.csv" : "here.csv"});
        if (moves) { // back on the first volume, the lists return to the folder left there
            QTest::keyClick(child<QComboBox>(f.window.get(), "Drive1"), Qt::Key_Up);
            QCOMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        }
    }

    void volumeHoldingPicksTheDeepestRoot()
    {
        const std::vector<Volume> list = {{"/", "/"}, {"/media/usb", "usb"}};
        const std::vector<std::pair<QString, int>> cases = {
            {"/home/sensei", 0}, {"/media/usb/nen1", 1}, {"/media/usb", 1}, {"/media/usb2/x", 0}, {"/media/usb/../usb/./a", 1}};
        for (const auto& [folder, volume] : cases) {
            QCOMPARE(volumeHolding(list, folder), volume);
            QCOMPARE(volumeHolding({}, folder), -1);
        }
    }
};

CLASSDIV_GUI_TEST_MAIN(ImportWindowTest)
#include "tst_import_window.moc"
