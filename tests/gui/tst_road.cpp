// The window chain of both programs: one window at a time, no way back, the close box ends the program.
// The import window's drive, folder and file lists, preview and reading of the columns. One whole run
// through the real windows, the saved file checked against the CSV it came from.

#include "support/GuiTest.h"
#include "files/SharedDrafts.h"
#include "files/YearFiles.h"

#include "app/Shell.h"
#include "common/FileLock.h"
#include "common/Numbers.h"
#include "division/drafts/DraftsFile.h"
#include "ui/CsvFileListBox.h"
#include "ui/FolderListBox.h"

using namespace classdiv;
using namespace classdiv::testing;

namespace {

QString quoted(const QString& text) { return u'"' + text + u'"'; }

// Three students of six columns under their item names.
const QString kItemNames = QStringLiteral("番号,組,氏名,性別,選択,点数");
const QString kYear = kItemNames + "\r\n1001,2,佐藤,男,美,41\r\n1002,3,鈴木,女,書,42\r\n1003,1,山田,男,音,43\r\n";

void clickRow(QListWidget* list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// An import window opened on a folder of its own as the current folder (cleanup() restores it).
struct ImportFixture {
    TempFolder folder;
    StudentTable table;
    std::unique_ptr<ImportWindow> window;

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
};

} // namespace

class RoadTest : public QObject {
    Q_OBJECT

    QString m_startFolder = QDir::currentPath();
    ClockRandomSource m_random;
    std::unique_ptr<Shell> m_shell;

    // Presses "Form1.Command2"-like steps; the window reached, or nullptr.
    QWidget* walk(const QStringList& steps)
    {
        QWidget* window = m_shell->currentWindow();
        for (const QString& step : steps) {
            if (window->objectName() != step.section(u'.', 0, 0))
                return nullptr;
            QPointer<QWidget> previous = window;
            click(window, step.section(u'.', 1));
            window = m_shell->currentWindow();
            if (!QTest::qWaitFor([&] { return previous.isNull(); })) // the previous window is unloaded
                return nullptr;
        }
        return QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }

private slots:
    void init() { useVolumes({{QDir::rootPath(), "/"}}); resetDialogs(); }
    void cleanup()
    {
        m_shell.reset();
        QTest::qWait(0);
        QVERIFY2(visibleWindowNames().isEmpty(), qPrintable(visibleWindowNames().join(u',')));
        QDir::setCurrent(m_startFolder);
    }

    // The road from the explanation into the import window is wholeRun's.
    void buttonsLeadOnAndTheCloseBoxEnds_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("reached");
        QTest::addColumn<Deliverable>("deliverable");
        QTest::newRow("start") << QStringList{} << "Form1" << Deliverable::varmesto();
        QTest::newRow("explanation") << QStringList{"Form1.Command2"} << "Form4" << Deliverable::lintoraq();
        QTest::newRow("start, import") << QStringList{"Form1.Command1"} << "Form2" << Deliverable::varmesto();
        QTest::newRow("import, conditions with nothing read")
            << QStringList{"Form1.Command1", "Form2.Command3"} << "Form3" << Deliverable::varmesto();
    }
    void buttonsLeadOnAndTheCloseBoxEnds()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, reached);
        QFETCH(Deliverable, deliverable);
        m_shell = std::make_unique<Shell>(deliverable, m_random);
        m_shell->start();
        QCOMPARE(visibleWindowNames(), QStringList{"Form1"});

        QWidget* window = walk(steps);
        QVERIFY(window);
        QCOMPARE(visibleWindowNames(), QStringList{reached}); // walk() saw every window it left unloaded
        QVERIFY(!Dialogs::programEnded());

        QVERIFY(window->close());
        QVERIFY(Dialogs::programEnded());
        QVERIFY(visibleWindowNames().isEmpty());
        QVERIFY(Dialogs::takeMessages().isEmpty()); // no question asked
    }

    // Started with a CSV file: the import window first, in the file's folder,
    // the file chosen as a click would choose it. Anything else: the message
    // over the ordinary start.
    void startWithAFile()
    {
        TempFolder folder;
        for (const char* name : {"a.csv", "nen1.csv", "z.csv", "memo.txt"})
            QVERIFY(writeBytes(folder.file(name), "x"));
        m_shell = std::make_unique<Shell>(Deliverable::lintoraq(), m_random);
        m_shell->startWith(QStringLiteral("nen1.csv"), folder.path());
        QCOMPARE(visibleWindowNames(), QStringList{"Form2"});
        QWidget* window = m_shell->currentWindow();
        QCOMPARE(child<FolderListBox>(window, "Dir1")->folder(), folder.path());
        const QListWidgetItem* chosen = child<QListWidget>(window, "File1")->currentItem();
        QVERIFY(chosen && chosen->isSelected());
        QCOMPARE(chosen->text(), QStringLiteral("nen1.csv"));
        QCOMPARE(child<QLineEdit>(window, "Text1")->text(), QStringLiteral("nen1.csv"));
        QVERIFY(Dialogs::takeMessages().isEmpty());

        m_shell = std::make_unique<Shell>(Deliverable::varmesto(), m_random);
        m_shell->startWith(QStringLiteral("memo.txt"), folder.path());
        QCOMPARE(visibleWindowNames(), QStringList{"Form1"});
        QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kStartFileNotCsvMessage.arg(QDir::toNativeSeparators(folder.file("memo.txt"))), QString()}}));
    }

    void closeBoxLeavesTheRunningEventLoop()
    {
        // Not recording: the close box really ends the loop; the window switches before it do not.
        m_shell = std::make_unique<Shell>(Deliverable::varmesto(), m_random);
        m_shell->start();
        Dialogs::setRecording(false);
        QEventLoop loop; // left with 99 when the walk fails and nothing closes
        QTimer::singleShot(0, this, [&] {
            if (QWidget* window = walk({"Form1.Command2", "Form4.Command1"}))
                QTimer::singleShot(50, window, [window] { window->close(); });
        });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(99); });
        const int code = loop.exec();
        Dialogs::setRecording(true);
        QCOMPARE(code, 0);
        QVERIFY(Dialogs::programEnded());
    }

    void foldersAndFilesAreChosenWithTheMouseAndKeys()
    {
        ImportFixture f;
        for (const char* name : {"b.CSV", "a.csv", "Notes.Csv", "c.txt", "csv", "x.csv.bak", "sub/one.csv", "sub/two.csv"})
            QVERIFY(writeBytes(f.folder.file(name), "1\r\n"));
        QVERIFY(QDir(f.folder.path()).mkdir("other.csv")); // a folder is no file
        QVERIFY(f.open());

        // Dir1: the chain from the root, the current folder chosen, then its subfolders.
        QCOMPARE(f.dir()->item(0)->data(FolderListBox::kPathRole).toString(), QDir::rootPath());
        const int here = f.dir()->rowOf(f.folder.path());
        QVERIFY(here > 0);
        QCOMPARE(f.dir()->currentRow(), here);
        QCOMPARE(f.dir()->count(), here + 3);
        QCOMPARE(f.dir()->rowOf(f.folder.file("sub")), here + 2);
        QCOMPARE(f.fileNames(), (QStringList{"a.csv", "b.CSV", "Notes.Csv"}));
        QVERIFY(f.box("Text1")->text().isEmpty());

        // A single click only marks a folder, Return moves there (a double click: wholeRun); a click or a
        // key chooses a file, and moving on leaves the typed name alone.
        clickRow(f.dir(), here + 2);
        QTest::qWait(0);
        QCOMPARE(f.dir()->folder(), f.folder.path());
        QTest::keyClick(f.dir(), Qt::Key_Return);
        QTRY_COMPARE(f.dir()->folder(), f.folder.file("sub"));
        QCOMPARE(f.fileNames(), (QStringList{"one.csv", "two.csv"}));
        clickRow(f.files(), 1);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("two.csv"));
        QTest::keyClick(f.files(), Qt::Key_Up);
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));
        clickRow(f.dir(), f.dir()->rowOf(f.folder.path()));
        QTest::keyClick(f.dir(), Qt::Key_Return);
        QTRY_COMPARE(f.dir()->folder(), f.folder.path());
        QCOMPARE(f.files()->folder(), f.folder.path());
        QCOMPARE(f.box("Text1")->text(), QStringLiteral("one.csv"));
        QCOMPARE(f.files()->fileName(), QString());
        QCOMPARE(f.table.lineCount, int16_t(0));
        QVERIFY(Dialogs::takeMessages().isEmpty());
    }

    // The name in Text1 names the conditions, the file chosen in File1 is read;
    // an empty column box asks again, a second read shows the same, not more.
    void previewAndReadUnderTheTypedName()
    {
        ImportFixture f; // lintoraq's window: its Text8 starts with a text of its own
        QVERIFY(writeBytes(f.folder.file("nen1.csv"), cp932(kYear)) && f.open(Deliverable::lintoraq()));
        clickRow(f.files(), 0);
        typeInto(f.box("Text1"), "kumi.csv");
        click(f.window.get(), "Command1");
        QVERIFY(Dialogs::takeMessages().isEmpty());
        QCOMPARE(f.box("Text3")->text(), QStringLiteral("6"));
        QCOMPARE(f.table.lineCount, int16_t(4));
        QCOMPARE(f.table.csvPath, f.folder.file("kumi.csv"));
        QCOMPARE(f.window->state().sourcePath, f.folder.file("nen1.csv"));
        const QStringList shown = child<QPlainTextEdit>(f.window.get(), "Text2")->toPlainText().split(u'\n');
        QCOMPARE(shown.size(), 4 + 1); // every line ends with a line break
        QCOMPARE(shown.first(), kItemNames);
        QTRY_COMPARE(QApplication::focusWidget(), f.box("Text4"));

        auto* text8 = child<QPlainTextEdit>(f.window.get(), "Text8");
        for (const QString id : {"", "1", "1"}) {
            const QStringList typed{"6", id, "3", "5", "6"};
            for (int i = 0; i < typed.size(); ++i)
                typeInto(f.box(QStringLiteral("Text%1").arg(i + 3)), typed[i]);
            click(f.window.get(), "Command2");
            if (id.isEmpty()) {
                QCOMPARE(Dialogs::takeMessages(), (QList<Message>{{kMissingInputMessage, "再入力"}}));
                QCOMPARE(text8->toPlainText(), QStringLiteral("読み込みデータを表示\n"));
                QTRY_COMPARE(QApplication::focusWidget(), f.box("Text3"));
            } else {
                QCOMPARE(Dialogs::takeMessages(), QList<Message>());
                QCOMPARE(text8->toPlainText(), QStringLiteral("番号,氏名,選択,点数\n1001,佐藤,美,41\n1002,鈴木,書,42\n1003,山田,音,43\n"));
            }
        }
        QCOMPARE(f.table.records[3].score, QStringLiteral("43"));
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
        QVERIFY(writeBytes(floppy.file("meibo.csv"), "x"));
        QVERIFY(writeBytes(f.folder.file("here.csv"), "x"));
        const QString floppyRoot = floppy.path();
        useVolumes({{QDir::rootPath(), "/"}, {floppyRoot, "A:"}}, [=](const QString& root) { return root == floppyRoot ? status : VolumeStatus::Ready; });
        QVERIFY(f.open());
        auto* drive = child<QComboBox>(f.window.get(), "Drive1");
        QCOMPARE(drive->currentText(), QStringLiteral("/"));
        QTest::keyClick(drive, Qt::Key_Down);
        QCOMPARE(Dialogs::takeMessages(), messages);
        QCOMPARE(Dialogs::programEnded(), status == VolumeStatus::Unexpected);
        const bool moves = status == VolumeStatus::Ready;
        QCOMPARE(f.dir()->folder(), moves ? floppyRoot : f.folder.path());
        QCOMPARE(f.fileNames(), QStringList{moves ? "meibo.csv" : "here.csv"});
        if (moves) { // back on the first volume, the lists return to the folder left there
            QTest::keyClick(drive, Qt::Key_Up);
            QCOMPARE(f.dir()->folder(), f.folder.path());
        }
    }

    // Through the explanation into the import window, nen1 chosen by a double
    // click in Dir1, nen1.csv by a click, columns 1, 3, 6, 7 read, the
    // conditions read back, one press, the save and the end. The example year
    // also comes as a spreadsheet's UTF-8 without a byte order mark, and with
    // a column of notes, one of them over two lines; once the roster is open in
    // another program on another computer, which the conditions window names.
    void wholeRun_data()
    {
        QTest::addColumn<Deliverable>("deliverable");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<bool>("notes");
        QTest::addColumn<bool>("shared");
        QTest::newRow("varmesto") << Deliverable::varmesto() << false << false << false;
        QTest::newRow("lintoraq") << Deliverable::lintoraq() << false << false << false;
        QTest::newRow("UTF-8 without a mark") << Deliverable::varmesto() << true << false << false;
        QTest::newRow("a note over two lines, open elsewhere too") << Deliverable::lintoraq() << false << true << true;
    }
    void wholeRun()
    {
        QFETCH(Deliverable, deliverable);
        QFETCH(bool, utf8);
        QFETCH(bool, notes);
        QFETCH(bool, shared);
        TempFolder temp;
        const QString year = temp.file("nen1");
        const QStringList input = textLines(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/nen1.csv"));
        QCOMPARE(input.size(), 241);
        QString text;
        for (int r = 0; r < input.size(); ++r) {
            text += input[r];
            if (notes)
                text += r == 0 ? QStringLiteral(",備考") : r == 5 ? QStringLiteral(",\"アレルギー：卵\r\n給食は除去食\"") : QStringLiteral(",");
            text += QStringLiteral("\r\n");
        }
        QVERIFY(writeBytes(year + QStringLiteral("/nen1.csv"), utf8 ? text.toUtf8() : cp932(text)));
        QVERIFY(copyExamples(year, {"nen1.csvJYOKEN.TXT"}));
        const QString presence = presencePathFor(year + QStringLiteral("/nen1.csv"));
        const LockHolder other{QStringLiteral("職員室PC"), QStringLiteral("sato"), 4321,
                               QDateTime::currentDateTimeUtc().addSecs(-600), QDateTime::currentDateTimeUtc()};
        if (shared)
            QVERIFY(writeBytes(presence, formatLockFile(other)));
        QVERIFY(QDir::setCurrent(temp.path()));
        m_shell = std::make_unique<Shell>(deliverable, m_random);
        m_shell->start();
        QPointer<QWidget> form2 = walk({"Form1.Command2", "Form4.Command1"});
        QVERIFY(form2);
        auto* dir1 = child<FolderListBox>(form2, "Dir1");
        auto* file1 = child<CsvFileListBox>(form2, "File1");
        const int row = dir1->rowOf(QDir(year).canonicalPath());
        QVERIFY2(row >= 0, qPrintable(dir1->folder()));
        clickRow(dir1, row);
        QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, dir1->visualItemRect(dir1->item(row)).center());
        QTRY_COMPARE(file1->count(), 1);
        clickRow(file1, 0);
        click(form2, "Command1"); // preview: 14 columns, or 15 with the notes
        QCOMPARE(child<QLineEdit>(form2, "Text3")->text(), notes ? QStringLiteral("15") : QStringLiteral("14"));
        for (int i = 4; i <= 7; ++i)
            typeInto(child<QLineEdit>(form2, QStringLiteral("Text%1").arg(i)), QString("1367"[i - 4]));
        click(form2, "Command2"); // read the columns
        QWidget* form3 = walk({"Form2.Command3"});
        QVERIFY(form3);
        QCOMPARE(visibleWindowNames(), QStringList{"Form3"});
        QCOMPARE(child<QLabel>(form3, "Label10")->text(), QStringLiteral("240"));
        // Who else has the roster open, and since when; this program works on and leaves their mark.
        const QList<Message> opened = Dialogs::takeMessages();
        QCOMPARE(opened.size(), shared ? 1 : 0);
        if (shared)
            QVERIFY2(opened[0].text.contains(describeHolder(other)), qPrintable(opened[0].text));
        const std::optional<LockHolder> present = parseLockFile(readBytes(presence));
        QVERIFY(present);
        QCOMPARE(present->computer, shared ? other.computer : thisComputer());
        click(form3, "Command3"); // the conditions read back
        click(form3, "Command4");
        const QString saved = year + QStringLiteral("/kekka.csv");
        Dialogs::queueSaveFileName(saved);
        click(form3, "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>()); // each step went through without a word

        // A result for a UTF-8 CSV is UTF-8 with a byte order mark, for Excel on a Japanese PC.
        QCOMPARE(readBytes(saved).startsWith("\xEF\xBB\xBF"), utf8);
        const QStringList output = textLines(saved);
        QCOMPARE(output.size(), 1 + 240 + 1 + 1 + 10);
        QCOMPARE(output[0], QStringLiteral("\"新組\",\"番号\",\"氏名\",\"グループ\",\"点数\""));
        std::array<int, 11> sizes{};
        std::array<int32_t, 11> sums{};
        for (int r = 1; r <= 240; ++r) {
            const QStringList in = input[r].split(u','), out = output[r].split(u',');
            QCOMPARE(out.mid(1), (QStringList{in[0], quoted(in[2]), quoted(in[5]), fileNumber(textValue(in[6]), 15)}));
            const int newClass = out[0].toInt();
            // each group keeps to its own two classes
            const int first = in[5].startsWith(QStringLiteral("音")) ? 1 : in[5].startsWith(QStringLiteral("美")) ? 3 : 5;
            QVERIFY2(newClass == first || newClass == first + 1, qPrintable(output[r]));
            ++sizes[newClass];
            sums[newClass] = int32_t(roundHalfEven(sums[newClass] + textValue(in[6])));
        }
        QCOMPARE(output[241], QStringLiteral("\"分布表\""));
        QVERIFY(output[242].startsWith(QStringLiteral("\"境界点\",")));
        const QStringList labels{"１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組"};
        for (int k = 1; k <= 10; ++k) {
            const QStringList line = output[242 + k].split(u',');
            QCOMPARE(line.size(), 9);
            QCOMPARE(line[0], quoted(labels[k - 1]));
            if (k <= 6) { // forty each, and the table belongs to the students above it
                QCOMPARE(sizes[k], 40);
                QCOMPARE(line[7], fileNumber(roundOneDecimal(float(sums[k]) / 40.0f), 7));
            } else {
                QCOMPARE(line.mid(1).join(u','), QStringLiteral("0,0,0,0,0,0,0,0"));
            }
        }
        click(form3, "Command7");
        QVERIFY(Dialogs::programEnded());

        // The year the window shows is the shell's. A swap the drafts timer has not yet written is
        // written when the shell, and with it the year, goes at the end.
        YearModel* model = m_shell->model();
        QVERIFY(model && &qobject_cast<ConditionsWindow*>(form3)->model() == model);
        const Year& shown = model->year();
        int a = 1, b = 2;
        while (b <= 240 && (shown.students()[b].group != shown.students()[a].group || shown.classOf(b) == shown.classOf(a)))
            ++b;
        QCOMPARE(model->swap(a, b), SwapStatus::Swapped);
        const std::vector<int16_t> swapped = shown.classes();
        m_shell.reset();
        QCOMPARE(QFile::exists(presence), shared); // this program's own mark goes with it
        const DraftsReadOutcome drafts = readDraftsFile(YearFiles(year + QStringLiteral("/nen1.csv")).draftsPath());
        QCOMPARE(drafts.content.working.size(), size_t(1));
        QCOMPARE(drafts.content.working.front().classes, swapped);
    }
};

CLASSDIV_GUI_TEST_MAIN(RoadTest)
#include "tst_road.moc"
