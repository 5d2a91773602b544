// The window chain of both programs: one window at a time, no way back, the
// close box of any window ends the program, and one whole run through the
// real windows, the saved file checked against the CSV it came from.

#include "support/GuiTest.h"

#include "app/Shell.h"
#include "common/Numbers.h"
#include "ui/CsvFileListBox.h"
#include "ui/FolderListBox.h"
#include "ui/ImportWindow.h"

#include <QEventLoop>
#include <QTimer>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

QString quoted(const QString& text) { return u'"' + text + u'"'; }

// Records which top-level windows exist when the watched window is hidden.
struct HideWatcher : QObject {
    explicit HideWatcher(QWidget* watched) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        for (QWidget* w : event->type() == QEvent::Hide ? QApplication::topLevelWidgets() : QWidgetList())
            existingAtHide << w->objectName();
        return false;
    }
    QStringList existingAtHide;
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
            HideWatcher watcher(window);
            click(window, step.section(u'.', 1));
            window = m_shell->currentWindow();
            // The next window is loaded before the previous one goes, and that one is unloaded.
            if (!watcher.existingAtHide.contains(window->objectName()) || !QTest::qWaitFor([&] { return previous.isNull(); }))
                return nullptr;
        }
        return QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }

private slots:
    void init()
    {
        ImportWindow::setVolumeAccess({[] { return std::vector<Volume>{{"/", "/"}}; },
                                       [](const QString&) { return VolumeStatus::Ready; }});
        resetDialogs();
    }
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
        QCOMPARE(m_shell->module().students.lineCount, int16_t(0));

        QWidget* window = walk(steps);
        QVERIFY(window);
        QCOMPARE(window->objectName(), reached);
        QStringList alive; // of all the windows of the run, only this one remains
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName().startsWith(QLatin1String("Form")))
                alive << w->objectName();
        QCOMPARE(alive, QStringList{reached});
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
        const Message notCsv{kStartFileNotCsvMessage.arg(folder.file("memo.txt")), QString()};
        QCOMPARE(Dialogs::takeMessages(), QList<Message>{notCsv});
    }

    void closeBoxLeavesTheRunningEventLoop()
    {
        // Not recording: the close box really ends the loop; the window switches before it do not.
        m_shell = std::make_unique<Shell>(Deliverable::varmesto(), m_random);
        m_shell->start();
        Dialogs::setRecording(false);
        QEventLoop loop;
        QString reached;
        QTimer::singleShot(0, this, [&] {
            QWidget* window = walk({"Form1.Command2", "Form4.Command1"});
            reached = window ? window->objectName() : QString();
            if (window)
                QTimer::singleShot(50, window, [window] { window->close(); });
        });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(99); });
        const int code = loop.exec();
        Dialogs::setRecording(true);
        QCOMPARE(reached, QStringLiteral("Form2"));
        QCOMPARE(code, 0);
        QVERIFY(Dialogs::programEnded());
    }

    // Through the explanation into the import window, nen1 chosen by a double
    // click in Dir1, nen1.csv by a click, columns 1, 3, 6, 7 read, the
    // conditions read back, one press, the save and the end.
    void wholeRun_data()
    {
        QTest::addColumn<Deliverable>("deliverable");
        QTest::newRow("varmesto") << Deliverable::varmesto();
        QTest::newRow("lintoraq") << Deliverable::lintoraq();
    }
    void wholeRun()
    {
        QFETCH(Deliverable, deliverable);
        TempFolder temp;
        const QString year = temp.file("nen1");
        QVERIFY(copyExamples(year, {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        QVERIFY(QDir::setCurrent(temp.path()));
        m_shell = std::make_unique<Shell>(deliverable, m_random);
        m_shell->start();
        QPointer<QWidget> form2 = walk({"Form1.Command2", "Form4.Command1"});
        QVERIFY(form2);
        auto* dir1 = child<FolderListBox>(form2, "Dir1");
        auto* file1 = child<CsvFileListBox>(form2, "File1");
        const int row = dir1->rowOf(QDir(year).canonicalPath());
        QVERIFY2(row >= 0, qPrintable(dir1->folder()));
        const QPoint entry = dir1->visualItemRect(dir1->item(row)).center();
        QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, entry);
        QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, entry);
        QTRY_COMPARE(file1->count(), 1);
        QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(file1->item(0)).center());
        click(form2, "Command1"); // preview: 8 columns
        QCOMPARE(child<QLineEdit>(form2, "Text3")->text(), QStringLiteral("8"));
        for (int i = 4; i <= 7; ++i)
            typeInto(child<QLineEdit>(form2, QStringLiteral("Text%1").arg(i)), QString("1367"[i - 4]));
        click(form2, "Command2"); // read the columns
        QWidget* form3 = walk({"Form2.Command3"});
        QVERIFY(form3);
        QCOMPARE(visibleWindowNames(), QStringList{"Form3"});
        click(form3, "Command3"); // the conditions read back
        click(form3, "Command4");
        const QString saved = year + QStringLiteral("/kekka.csv");
        Dialogs::queueSaveFileName(saved);
        click(form3, "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>()); // each step went through without a word

        // The saved file against the CSV it came from.
        const QStringList input = cp932Lines(year + QStringLiteral("/nen1.csv")), output = cp932Lines(saved);
        QCOMPARE(input.size(), 241);
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
    }
};

CLASSDIV_GUI_TEST_MAIN(RoadTest)
#include "tst_road.moc"
