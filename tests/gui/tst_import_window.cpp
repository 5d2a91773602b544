// The import window driven through its own controls: drive, folder and file
// lists, preview, reading the columns, the messages, and going on.

#include "support/GuiTest.h"
#include "support/ScriptedRandom.h"
#include "support/TestFiles.h"

#include "app/Shell.h"
#include "import/ImportActions.h"
#include "ui/CsvFileListBox.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/ImportWindow.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Message)
Q_DECLARE_METATYPE(classdiv::VolumeStatus)

namespace {

const QString kItemNames = QStringLiteral("番号,組,氏名,性別,選択,点数");

// A year of `students` lines under the item names, six fields a line, CR LF.
QByteArray yearCsv(int students, bool trailingEmptyLine = false)
{
    static const QStringList names = {QStringLiteral("山田"), QStringLiteral("佐藤"), QStringLiteral("鈴木")};
    static const QStringList electives = {QStringLiteral("音"), QStringLiteral("美"), QStringLiteral("書")};
    QString text = kItemNames + QStringLiteral("\r\n");
    for (int i = 1; i <= students; ++i)
        text += QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
                    .arg(1000 + i)
                    .arg(i % 3 + 1)
                    .arg(names[i % 3])
                    .arg(i % 2 ? QStringLiteral("男") : QStringLiteral("女"))
                    .arg(electives[i % 3])
                    .arg(40 + i);
    if (trailingEmptyLine)
        text += QStringLiteral("\r\n");
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

struct ImportFixture {
    TempFolder folder;
    StudentTable table;
    std::unique_ptr<ImportWindow> window;
    QString previousCurrent = QDir::currentPath();

    ~ImportFixture() { QDir::setCurrent(previousCurrent); }

    void open(const Deliverable& deliverable = Deliverable::varmesto())
    {
        QDir::setCurrent(folder.path());
        window = std::make_unique<ImportWindow>(table, deliverable);
        window->show();
        window->activateWindow();
    }
    template <class T> T* get(const char* name) const { return window->findChild<T*>(QLatin1String(name)); }
    QComboBox* drive() const { return get<QComboBox>("Drive1"); }
    FolderListBox* dir() const { return get<FolderListBox>("Dir1"); }
    CsvFileListBox* files() const { return get<CsvFileListBox>("File1"); }
    QLineEdit* box(const char* name) const { return get<QLineEdit>(name); }
    QPlainTextEdit* multi(const char* name) const { return get<QPlainTextEdit>(name); }
    void press(const char* button) const { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
};

// Double-clicks the folder's entry in Dir1, as a user moves there.
bool openFolder(FolderListBox* dir, const QString& folder)
{
    const int row = dir->rowOf(cleaned(folder));
    if (row < 0)
        return false;
    const QRect rect = dir->visualItemRect(dir->item(row));
    QTest::mouseClick(dir->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(dir->viewport(), Qt::LeftButton, {}, rect.center());
    return QTest::qWaitFor([&] { return dir->folder() == cleaned(folder); });
}

bool clickFile(CsvFileListBox* files, const QString& name)
{
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    if (found.size() != 1)
        return false;
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(found.first()).center());
    return true;
}

void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

VolumeAccess volumes(std::vector<Volume> list, std::function<VolumeStatus(const QString&)> check)
{
    return {[list] { return list; }, std::move(check)};
}

} // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dialogs::setRecording(true);
        Dialogs::takeMessages();
        Dialogs::resetProgramEnded();
        ImportWindow::setVolumeAccess(volumes({{QStringLiteral("/"), QStringLiteral("/")}},
                                              [](const QString&) { return VolumeStatus::Ready; }));
    }

    void listsOpenOnTheCurrentFolder()
    {
        ImportFixture f;
        for (const char* name : {"b.CSV", "a.csv", "Notes.Csv", "c.txt", "csv", "x.csv.bak"})
            QVERIFY(writeBytes(f.folder.file(QLatin1String(name)), "1\r\n"));
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("other.csv"))); // a folder is no file
        f.open();

        QCOMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        QCOMPARE(f.files()->folder(), cleaned(f.folder.path()));
        QCOMPARE(listTexts(f.files()), (QStringList{"a.csv", "b.CSV", "Notes.Csv"}));
        // The chain from the root, the current folder chosen, then its subfolders.
        QCOMPARE(f.dir()->item(0)->data(FolderListBox::kPathRole).toString(), QStringLiteral("/"));
        const int here = f.dir()->rowOf(f.folder.path());
        QVERIFY(here > 0);
        QCOMPARE(f.dir()->currentRow(), here);
        QCOMPARE(f.dir()->rowOf(f.folder.file(QStringLiteral("sub"))), here + 2); // other.csv sorts first
        QCOMPARE(f.dir()->count(), here + 3);
        QCOMPARE(f.drive()->currentText(), QStringLiteral("/"));
        // Nothing else happens at open.
        QVERIFY(f.box("Text1")->text().isEmpty());
        QCOMPARE(f.table.lineCount, int16_t(0));
        QVERIFY(Dialogs::takeMessages().isEmpty());
    }

    void foldersAndFilesAreChosenWithTheMouseAndKeys()
    {
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("top.csv")), "1\r\n"));
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("sub/one.csv")), "1\r\n"));
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("sub/two.csv")), "1\r\n"));
        f.open();

        QVERIFY(openFolder(f.dir(), f.folder.file(QStringLiteral("sub"))));
        QCOMPARE(listTexts(f.files()), (QStringList{"one.csv", "two.csv"}));
        QVERIFY(clickFile(f.files(), QStringLiteral("two.csv")));
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("two.csv"));
        QTest::keyClick(f.files(), Qt::Key_Up);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));

        // A single click only marks a folder; the list moves on activation.
        const int parentRow = f.dir()->rowOf(f.folder.path());
        QTest::mouseClick(f.dir()->viewport(), Qt::LeftButton, {},
                          f.dir()->visualItemRect(f.dir()->item(parentRow)).center());
        QTest::qWait(0);
        QCOMPARE(f.dir()->folder(), cleaned(f.folder.file(QStringLiteral("sub"))));
        f.dir()->setFocus();
        QTest::keyClick(f.dir(), Qt::Key_Return);
        QTRY_COMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        QCOMPARE(listTexts(f.files()), QStringList{"top.csv"});
        // Moving the folder leaves the typed name alone.
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));
        QCOMPARE(f.files()->fileName(), QString());
    }

    void previewCountsLinesAndColumns_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<bool>("trailingEmptyLine");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("41 lines of 6 fields") << 40 << false << 41;
        QTest::newRow("a trailing empty line still gives 6") << 40 << true << 42;
        QTest::newRow("item names only") << 0 << false << 1;
    }
    void previewCountsLinesAndColumns()
    {
        QFETCH(int, students);
        QFETCH(bool, trailingEmptyLine);
        QFETCH(int, lineCount);
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("nen1.csv")), yearCsv(students, trailingEmptyLine)));
        f.open();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(clickFile(f.files(), QStringLiteral("nen1.csv")));
        f.press("Command1");

        QVERIFY(Dialogs::takeMessages().isEmpty());
        QCOMPARE(f.box("Text3")->text(), QStringLiteral("6"));
        QCOMPARE(f.table.lineCount, int16_t(lineCount));
        QCOMPARE(f.table.csvPath, f.folder.file(QStringLiteral("nen1.csv")));
        const QStringList shown = f.multi("Text2")->toPlainText().split(u'\n');
        QCOMPARE(shown.size(), lineCount + 1); // every line ends with a line break
        QCOMPARE(shown.first(), kItemNames);
        QTRY_COMPARE(QApplication::focusWidget(), f.box("Text4"));
    }

    void readShowsTheChosenColumnsAndRepeats()
    {
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("nen1.csv")), yearCsv(3)));
        f.open(Deliverable::lintoraq());
        QVERIFY(clickFile(f.files(), QStringLiteral("nen1.csv")));
        f.press("Command1");
        typeInto(f.box("Text4"), QStringLiteral("1"));
        typeInto(f.box("Text5"), QStringLiteral("3"));
        typeInto(f.box("Text6"), QStringLiteral("5"));
        typeInto(f.box("Text7"), QStringLiteral("6"));
        const QString expected = QStringLiteral("番号,氏名,選択,点数\n1001,佐藤,美,41\n1002,鈴木,書,42\n1003,山田,音,43\n");
        for (int press = 1; press <= 2; ++press) {
            f.press("Command2");
            QCOMPARE(f.multi("Text8")->toPlainText(), expected);
            QVERIFY(Dialogs::takeMessages().isEmpty());
        }
        QCOMPARE(f.table.records[3].studentId, QStringLiteral("1003"));
        QCOMPARE(f.table.records[3].score, QStringLiteral("43"));
    }

    void readRefusesBadBoxesWithAMessage_data()
    {
        QTest::addColumn<QString>("columnCount");
        QTest::addColumn<QString>("idColumn");
        QTest::addColumn<Message>("message");
        const Message missing{kMissingInputMessage, QStringLiteral("再入力")};
        const Message wrongCount{kColumnCountMessage, QStringLiteral("エラー発生")};
        QTest::newRow("identifier column empty") << "6" << "" << missing;
        QTest::newRow("column count one too many") << "7" << "1" << wrongCount;
    }
    void readRefusesBadBoxesWithAMessage()
    {
        QFETCH(QString, columnCount);
        QFETCH(QString, idColumn);
        QFETCH(Message, message);
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("nen1.csv")), yearCsv(3)));
        f.open(Deliverable::lintoraq());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(clickFile(f.files(), QStringLiteral("nen1.csv")));
        f.press("Command1");
        typeInto(f.box("Text3"), columnCount);
        typeInto(f.box("Text4"), idColumn);
        typeInto(f.box("Text6"), QStringLiteral("5"));
        typeInto(f.box("Text7"), QStringLiteral("6"));
        f.press("Command2");

        QCOMPARE(Dialogs::takeMessages(), QList<Message>{message});
        QTRY_COMPARE(QApplication::focusWidget(), f.box("Text3"));
        QCOMPARE(f.multi("Text8")->toPlainText(), QStringLiteral("読み込みデータを表示\n"));
    }

    void editedFileNameNamesTheConditionsButNotTheFileRead()
    {
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("nen1.csv")), yearCsv(2)));
        f.open();
        QVERIFY(clickFile(f.files(), QStringLiteral("nen1.csv")));
        typeInto(f.box("Text1"), QStringLiteral("kumi.csv"));
        f.press("Command1");
        QCOMPARE(f.table.csvPath, f.folder.file(QStringLiteral("kumi.csv")));
        QCOMPARE(f.window->state().sourcePath, f.folder.file(QStringLiteral("nen1.csv")));
        QCOMPARE(f.table.lineCount, int16_t(3));
    }

    void previewOfARemovedFolderAsksToCheckTheChoice()
    {
        ImportFixture f;
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("gone/nen1.csv")), yearCsv(2)));
        f.open();
        QVERIFY(openFolder(f.dir(), f.folder.file(QStringLiteral("gone"))));
        QVERIFY(clickFile(f.files(), QStringLiteral("nen1.csv")));
        f.press("Command1");
        QCOMPARE(f.table.lineCount, int16_t(3));
        QVERIFY(QDir(f.folder.file(QStringLiteral("gone"))).removeRecursively());
        f.press("Command1");
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kDriveAndFileMessage, QStringLiteral("エラー発生")}}));
        QCOMPARE(f.table.lineCount, int16_t(0));
    }

    void choosingAVolume_data()
    {
        QTest::addColumn<VolumeStatus>("status");
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<bool>("ends");
        QTest::newRow("ready") << VolumeStatus::Ready << QList<Message>{} << true << false;
        QTest::newRow("no disk") << VolumeStatus::NotReady << QList<Message>{{kInsertDiskMessage, QString()}} << false
                                 << false;
        QTest::newRow("unexpected failure")
            << VolumeStatus::Unexpected << QList<Message>{{kUnexpectedDriveMessage, QString()}} << false << true;
    }
    void choosingAVolume()
    {
        QFETCH(VolumeStatus, status);
        QFETCH(QList<Message>, messages);
        QFETCH(bool, moves);
        QFETCH(bool, ends);
        ImportFixture f;
        TempFolder floppy;
        QVERIFY(writeBytes(floppy.file(QStringLiteral("meibo.csv")), yearCsv(1)));
        QVERIFY(writeBytes(f.folder.file(QStringLiteral("here.csv")), yearCsv(1)));
        const QString floppyRoot = cleaned(floppy.path());
        ImportWindow::setVolumeAccess(volumes({{QStringLiteral("/"), QStringLiteral("/")}, {floppyRoot, QStringLiteral("A:")}},
                                              [floppyRoot, status](const QString& root) {
                                                  return root == floppyRoot ? status : VolumeStatus::Ready;
                                              }));
        f.open();
        QCOMPARE(f.drive()->currentText(), QStringLiteral("/"));

        QTest::keyClick(f.drive(), Qt::Key_Down);
        QCOMPARE(f.drive()->currentText(), QStringLiteral("A:"));
        QCOMPARE(Dialogs::takeMessages(), messages);
        QCOMPARE(Dialogs::programEnded(), ends);
        const QString expectedFolder = moves ? floppyRoot : cleaned(f.folder.path());
        QCOMPARE(f.dir()->folder(), expectedFolder);
        QCOMPARE(listTexts(f.files()), moves ? QStringList{"meibo.csv"} : QStringList{"here.csv"});

        if (moves) {
            // Back on the first volume, the lists return to the folder left there.
            QTest::keyClick(f.drive(), Qt::Key_Up);
            QCOMPARE(f.dir()->folder(), cleaned(f.folder.path()));
        }
    }

    void notReadyMessageCarriesTheProgramTitle()
    {
        // The real modal box, once: a message without a title of its own shows the program's name.
        ImportFixture f;
        ImportWindow::setVolumeAccess(volumes({{QStringLiteral("/"), QStringLiteral("/")}, {QStringLiteral("/fd"), QStringLiteral("A:")}},
                                              [](const QString& root) {
                                                  return root == QLatin1String("/fd") ? VolumeStatus::NotReady
                                                                                      : VolumeStatus::Ready;
                                              }));
        f.open();
        Dialogs::setProgramTitle(QStringLiteral("lintoraq"));
        Dialogs::setRecording(false);
        QString title, text;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            QCOMPARE(box->buttons().size(), 1);
            QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
        });
        QTest::keyClick(f.drive(), Qt::Key_Down);
        Dialogs::setRecording(true);
        QCOMPARE(title, QStringLiteral("lintoraq"));
        QCOMPARE(text, kInsertDiskMessage);
    }

    void exampleYearReadsAndGoesOnToTheConditions()
    {
        // The whole way from the start window, with the example year.
        TempFolder folder;
        QVERIFY(writeBytes(folder.file(QStringLiteral("nen1.csv")),
                           readBytes(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/nen1.csv"))));
        const QString previousCurrent = QDir::currentPath();
        QDir::setCurrent(folder.path());
        ScriptedRandom random({0.25f});
        Shell shell(Deliverable::varmesto(), random);
        shell.start();
        QTest::mouseClick(shell.currentWindow()->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QPointer<QWidget> form2 = shell.currentWindow();
        QCOMPARE(form2->objectName(), QStringLiteral("Form2"));
        auto* files = form2->findChild<CsvFileListBox*>(QStringLiteral("File1"));
        QVERIFY(clickFile(files, QStringLiteral("nen1.csv")));
        QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(form2->findChild<QLineEdit*>(QStringLiteral("Text3"))->text(), QStringLiteral("7"));
        const char* boxes[] = {"Text4", "Text5", "Text6", "Text7"};
        const char* columns[] = {"1", "3", "6", "7"};
        for (int i = 0; i < 4; ++i)
            typeInto(form2->findChild<QLineEdit*>(QLatin1String(boxes[i])), QLatin1String(columns[i]));
        QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        const QStringList read = form2->findChild<QPlainTextEdit*>(QStringLiteral("Text8"))->toPlainText().split(u'\n');
        QCOMPARE(read.size(), 242);
        QCOMPARE(read.first(), QStringLiteral("番号,氏名,グループ,点数"));
        QVERIFY(Dialogs::takeMessages().isEmpty());

        QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
        QCOMPARE(shell.currentWindow()->objectName(), QStringLiteral("Form3"));
        QTRY_VERIFY(form2.isNull());
        QCOMPARE(visibleWindowNames(), QStringList{QStringLiteral("Form3")});
        QCOMPARE(shell.module().students.lineCount, int16_t(241));
        QCOMPARE(shell.module().students.csvPath, folder.file(QStringLiteral("nen1.csv")));
        QVERIFY(!shell.module().students.records[240].score.isEmpty());
        QVERIFY(!Dialogs::programEnded());
        QDir::setCurrent(previousCurrent);
    }

    void volumeHoldingPicksTheDeepestRoot_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("volume");
        QTest::newRow("under the root only") << "/home/sensei" << 0;
        QTest::newRow("on the stick") << "/media/usb/nen1" << 1;
        QTest::newRow("the stick's mount point itself") << "/media/usb" << 1;
        QTest::newRow("a name that only starts like the stick") << "/media/usb2/x" << 0;
        QTest::newRow("unclean path") << "/media/usb/../usb/./a" << 1;
    }
    void volumeHoldingPicksTheDeepestRoot()
    {
        QFETCH(QString, folder);
        QFETCH(int, volume);
        const std::vector<Volume> list = {{QStringLiteral("/"), QStringLiteral("/")},
                                          {QStringLiteral("/media/usb"), QStringLiteral("usb")}};
        QCOMPARE(volumeHolding(list, folder), volume);
        QCOMPARE(volumeHolding({}, folder), -1);
    }
};

CLASSDIV_GUI_TEST_MAIN(ImportWindowTest)
#include "tst_import_window.moc"
