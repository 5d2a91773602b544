// The window chain: one window at a time, no way back, and the close box of
// any window ends the program.

#include "support/GuiTest.h"
#include "support/ScriptedRandom.h"

#include "app/Shell.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/ImportWindow.h"

#include <QEventLoop>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Deliverable)

namespace {

// Records which top-level windows exist when the watched window is hidden.
class HideWatcher : public QObject {
public:
    explicit HideWatcher(QWidget* watched) { watched->installEventFilter(this); }
    QStringList existingAtHide;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            for (QWidget* w : QApplication::topLevelWidgets())
                existingAtHide << w->objectName();
        return false;
    }
};

} // namespace

class FlowTest : public QObject {
    Q_OBJECT

    ScriptedRandom m_random{{0.5f}};
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
        return window;
    }

private slots:
    void init()
    {
        ImportWindow::setVolumeAccess({[] { return std::vector<Volume>{{"/", "/"}}; },
                                       [](const QString&) { return VolumeStatus::Ready; }});
        Dialogs::resetProgramEnded();
        Dialogs::takeMessages();
    }
    void cleanup()
    {
        m_shell.reset();
        QTest::qWait(0);
        QVERIFY2(visibleWindowNames().isEmpty(), qPrintable(visibleWindowNames().join(u',')));
    }

    void buttonsLeadOnAndTheCloseBoxEnds_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("reached");
        QTest::addColumn<Deliverable>("deliverable");
        QTest::newRow("start") << QStringList{} << "Form1" << Deliverable::varmesto();
        QTest::newRow("explanation") << QStringList{"Form1.Command2"} << "Form4" << Deliverable::lintoraq();
        QTest::newRow("start, import") << QStringList{"Form1.Command1"} << "Form2" << Deliverable::varmesto();
        QTest::newRow("start, explanation, import")
            << QStringList{"Form1.Command2", "Form4.Command1"} << "Form2" << Deliverable::lintoraq();
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
        QVERIFY(QTest::qWaitForWindowExposed(window));
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
        QCOMPARE(window->findChild<FolderListBox*>("Dir1")->folder(), folder.path());
        const QListWidgetItem* chosen = window->findChild<QListWidget*>("File1")->currentItem();
        QVERIFY(chosen && chosen->isSelected());
        QCOMPARE(chosen->text(), QStringLiteral("nen1.csv"));
        QCOMPARE(window->findChild<QLineEdit*>("Text1")->text(), QStringLiteral("nen1.csv"));
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
};

CLASSDIV_GUI_TEST_MAIN(FlowTest)
#include "tst_flow.moc"
