// The import window driven through its own controls: drive, folder and file
// lists, preview, reading the columns and the messages. The plain road through
// it with the example year: tst_road.

#include "support/GuiTest.h"

#include "ui/CsvFileListBox.h"
#include "ui/FolderListBox.h"
#include "ui/ImportWindow.h"

#include <QComboBox>

using namespace classdiv;
using namespace classdiv::testing;

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

void useVolumes(std::vector<Volume> list, std::function<VolumeStatus(const QString&)> check)
{
    ImportWindow::setVolumeAccess({[list] { return list; }, std::move(check)});
}

// An import window opened on a folder of its own as the current folder.
struct ImportFixture {
    TempFolder folder;
    StudentTable table;
    std::unique_ptr<ImportWindow> window;
    QString previousCurrent = QDir::currentPath();

    ~ImportFixture() { QDir::setCurrent(previousCurrent); }
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
    QLineEdit* box(const QString& name) const { return child<QLineEdit>(window.get(), name); }
    QStringList fileNames() const
    {
        QStringList texts;
        for (int row = 0; row < files()->count(); ++row)
            texts << files()->item(row)->text();
        return texts;
    }
    void clickRow(QListWidget* list, int row) const
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // lintoraq's window, nen1.csv chosen in File1 and previewed, the name in Text1 replaced by `typedName`.
    bool preview(const QByteArray& csv, const QString& typedName = QString())
    {
        if (!writeBytes(folder.file("nen1.csv"), csv) || !open(Deliverable::lintoraq()) || fileNames() != QStringList{"nen1.csv"})
            return false;
        clickRow(files(), 0);
        if (!typedName.isEmpty())
            typeInto(box("Text1"), typedName);
        click(window.get(), "Command1");
        return true;
    }
};

} // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        resetDialogs();
        useVolumes({{"/", "/"}}, [](const QString&) { return VolumeStatus::Ready; });
    }

    void foldersAndFilesAreChosenWithTheMouseAndKeys()
    {
        ImportFixture f;
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
        QCOMPARE(f.fileNames(), (QStringList{"a.csv", "b.CSV", "Notes.Csv"}));
        QVERIFY(f.box("Text1")->text().isEmpty());

        // A double click moves into a folder; a click or a key chooses a file.
        const QRect sub = f.dir()->visualItemRect(f.dir()->item(here + 2));
        QTest::mouseClick(f.dir()->viewport(), Qt::LeftButton, {}, sub.center());
        QTest::mouseDClick(f.dir()->viewport(), Qt::LeftButton, {}, sub.center());
        QTRY_COMPARE(f.dir()->folder(), cleaned(f.folder.file("sub")));
        QCOMPARE(f.fileNames(), (QStringList{"one.csv", "two.csv"}));
        f.clickRow(f.files(), 1);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("two.csv"));
        QTest::keyClick(f.files(), Qt::Key_Up);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));

        // A single click only marks a folder; Return moves there and leaves the typed name alone.
        f.clickRow(f.dir(), f.dir()->rowOf(f.folder.path()));
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

    // The name in Text1 names the conditions, the file chosen in File1 is read.
    void previewShowsTheChosenFileUnderTheTypedName()
    {
        ImportFixture f;
        QVERIFY(f.preview(yearCsv(40), "kumi.csv"));
        QVERIFY(Dialogs::takeMessages().isEmpty());
        QCOMPARE(f.box("Text3")->text(), QStringLiteral("6"));
        QCOMPARE(f.table.lineCount, int16_t(41));
        QCOMPARE(f.table.csvPath, f.folder.file("kumi.csv"));
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
        ImportFixture f;
        QVERIFY(f.preview(yearCsv(3)));
        const QStringList typed{columnCount, idColumn, "3", "5", "6"};
        for (int i = 0; i < typed.size(); ++i)
            typeInto(f.box(QStringLiteral("Text%1").arg(i + 3)), typed[i]);
        for (int press = 1; press <= 2; ++press) { // a second read shows the same, not more
            click(f.window.get(), "Command2");
            QCOMPARE(Dialogs::takeMessages(), messages);
            QCOMPARE(child<QPlainTextEdit>(f.window.get(), "Text8")->toPlainText(), text8);
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
        QTest::newRow("unexpected failure") << VolumeStatus::Unexpected << QList<Message>{{kUnexpectedDriveMessage, QString()}};
    }
    void choosingAVolume()
    {
        QFETCH(VolumeStatus, status);
        QFETCH(QList<Message>, messages);
        ImportFixture f;
        TempFolder floppy;
        QVERIFY(writeBytes(floppy.file("meibo.csv"), yearCsv(1)));
        QVERIFY(writeBytes(f.folder.file("here.csv"), yearCsv(1)));
        const QString floppyRoot = cleaned(floppy.path());
        useVolumes({{"/", "/"}, {floppyRoot, "A:"}}, [=](const QString& root) { return root == floppyRoot ? status : VolumeStatus::Ready; });
        QVERIFY(f.open());
        auto* drive = child<QComboBox>(f.window.get(), "Drive1");
        QCOMPARE(drive->currentText(), QStringLiteral("/"));
        QTest::keyClick(drive, Qt::Key_Down);
        QCOMPARE(Dialogs::takeMessages(), messages);
        QCOMPARE(Dialogs::programEnded(), status == VolumeStatus::Unexpected);
        const bool moves = status == VolumeStatus::Ready;
        QCOMPARE(f.dir()->folder(), moves ? floppyRoot : cleaned(f.folder.path()));
        QCOMPARE(f.fileNames(), QStringList{moves ? "meibo.csv" : "here.csv"});
        if (moves) { // back on the first volume, the lists return to the folder left there
            QTest::keyClick(drive, Qt::Key_Up);
            QCOMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        }
    }

    void volumeHoldingPicksTheDeepestRoot()
    {
        const std::vector<Volume> list = {{"/", "/"}, {"/media/usb", "usb"}};
        for (const auto& [folder, volume] : std::vector<std::pair<QString, int>>{
                 {"/home/sensei", 0}, {"/media/usb/nen1", 1}, {"/media/usb", 1}, {"/media/usb2/x", 0}, {"/media/usb/../usb/./a", 1}}) {
            QCOMPARE(volumeHolding(list, folder), volume);
            QCOMPARE(volumeHolding({}, folder), -1);
        }
    }
};

CLASSDIV_GUI_TEST_MAIN(ImportWindowTest)
#include "tst_import_window.moc"
