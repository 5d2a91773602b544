// The window chain: start, explanation, import, conditions; one window at a
// time, no way back, and the close box of any of them ends the program.

#include "support/GuiTest.h"
#include "support/ScriptedRandom.h"

#include "app/Shell.h"
#include "ui/Dialogs.h"
#include "ui/ImportWindow.h"

#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QEventLoop>

#include <memory>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Deliverable)

namespace {

void click(QWidget* window, const char* button)
{
    auto* control = window->findChild<QPushButton*>(QLatin1String(button));
    QVERIFY2(control, button);
    QTest::mouseClick(control, Qt::LeftButton);
}

// Records, when a window is hidden, which top-level windows exist at that moment.
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

private:
    std::unique_ptr<ScriptedRandom> m_random;
    std::unique_ptr<Shell> m_shell;

    QWidget* startShell(const Deliverable& deliverable = Deliverable::varmesto())
    {
        m_random = std::make_unique<ScriptedRandom>(std::vector<float>{0.5f});
        m_shell = std::make_unique<Shell>(deliverable, *m_random);
        m_shell->start();
        return m_shell->currentWindow();
    }

    // Follows the buttons from the start window; returns the window reached.
    QWidget* walk(const QStringList& steps)
    {
        QWidget* window = m_shell->currentWindow();
        for (const QString& step : steps) {
            const QStringList parts = step.split(u'.'); // "Form1.Command2"
            if (window->objectName() != parts[0]) {
                qWarning("at %s, expected %s", qPrintable(window->objectName()), qPrintable(parts[0]));
                return nullptr;
            }
            auto* button = window->findChild<QPushButton*>(parts[1]);
            if (!button)
                return nullptr;
            QPointer<QWidget> previous = window;
            QTest::mouseClick(button, Qt::LeftButton);
            window = m_shell->currentWindow();
            // The previous window is unloaded, not merely hidden.
            if (!QTest::qWaitFor([&] { return previous.isNull(); }))
                return nullptr;
        }
        return window;
    }

private slots:
    void init()
    {
        ImportWindow::setVolumeAccess({[] { return std::vector<Volume>{{QStringLiteral("/"), QStringLiteral("/")}}; },
                                       [](const QString&) { return VolumeStatus::Ready; }});
        Dialogs::resetProgramEnded();
        Dialogs::takeMessages();
    }
    void cleanup()
    {
        m_shell.reset();
        QTest::qWait(0); // windows waiting for deletion go now
        QVERIFY2(visibleWindowNames().isEmpty(), qPrintable(visibleWindowNames().join(u',')));
    }

    void startShowsOnlyTheStartWindowWithAnEmptyTable()
    {
        QWidget* first = startShell();
        QVERIFY(first);
        QCOMPARE(first->objectName(), QStringLiteral("Form1"));
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QCOMPARE(visibleWindowNames(), QStringList{QStringLiteral("Form1")});
        QCOMPARE(m_shell->module().students.lineCount, int16_t(0));
        QVERIFY(m_shell->module().students.csvPath.isEmpty());
        QVERIFY(Dialogs::takeMessages().isEmpty());
    }

    void buttonsLeadOnWithOneWindowAtATime_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("reached");
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("start, explanation, import")
            << QStringList{"Form1.Command2", "Form4.Command1"} << "Form2" << QStringList{"Form1", "Form4", "Form2"};
        QTest::newRow("start, import at once") << QStringList{"Form1.Command1"} << "Form2" << QStringList{"Form1", "Form2"};
        QTest::newRow("on to the conditions with nothing read")
            << QStringList{"Form1.Command1", "Form2.Command3"} << "Form3" << QStringList{"Form1", "Form2", "Form3"};
        QTest::newRow("explanation only") << QStringList{"Form1.Command2"} << "Form4" << QStringList{"Form1", "Form4"};
    }
    void buttonsLeadOnWithOneWindowAtATime()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, reached);
        QFETCH(QStringList, seen);

        QStringList created;
        startShell();
        created << m_shell->currentWindow()->objectName();
        QWidget* window = m_shell->currentWindow();
        for (const QString& step : steps) {
            QWidget* next = walk({step});
            QVERIFY2(next, qPrintable(step));
            QVERIFY(next != window);
            created << next->objectName();
            QVERIFY(QTest::qWaitForWindowExposed(next));
            // Only the new window remains, of all the windows of the run.
            QStringList alive;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName().startsWith(QLatin1String("Form")))
                    alive << w->objectName();
            QCOMPARE(alive, QStringList{next->objectName()});
            window = next;
        }
        QCOMPARE(window->objectName(), reached);
        QCOMPARE(created, seen);
        QCOMPARE(visibleWindowNames(), QStringList{reached});
        QVERIFY(!Dialogs::programEnded());
    }

    void nextWindowIsLoadedBeforeTheCurrentOneGoes()
    {
        QWidget* start = startShell();
        HideWatcher watcher(start);
        click(start, "Command1");
        QVERIFY2(watcher.existingAtHide.contains(QStringLiteral("Form2")), qPrintable(watcher.existingAtHide.join(u',')));
        QVERIFY(!Dialogs::programEnded());
    }

    void closeBoxEndsTheProgram_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Deliverable>("deliverable");
        QTest::newRow("start window") << QStringList{} << Deliverable::varmesto();
        QTest::newRow("explanation window") << QStringList{"Form1.Command2"} << Deliverable::lintoraq();
        QTest::newRow("import window") << QStringList{"Form1.Command1"} << Deliverable::varmesto();
        QTest::newRow("import window via the explanation")
            << QStringList{"Form1.Command2", "Form4.Command1"} << Deliverable::lintoraq();
        QTest::newRow("conditions window") << QStringList{"Form1.Command1", "Form2.Command3"} << Deliverable::varmesto();
    }
    void closeBoxEndsTheProgram()
    {
        QFETCH(QStringList, steps);
        QFETCH(Deliverable, deliverable);
        startShell(deliverable);
        QWidget* window = walk(steps);
        QVERIFY(window);
        QVERIFY(!Dialogs::programEnded());
        QVERIFY(window->close());
        QVERIFY(Dialogs::programEnded());
        // Nothing else opens and no question is asked.
        QVERIFY(visibleWindowNames().isEmpty());
        QVERIFY(Dialogs::takeMessages().isEmpty());
    }

    void closeBoxLeavesTheRunningEventLoop()
    {
        // Not recording: the close box really ends the event loop, while a
        // window switch (which hides a window) does not.
        startShell();
        Dialogs::setRecording(false);
        QEventLoop loop;
        QStringList reached;
        QTimer::singleShot(0, this, [&] {
            QWidget* window = walk({"Form1.Command2", "Form4.Command1"});
            reached << (window ? window->objectName() : QStringLiteral("<none>"));
            QTimer::singleShot(50, window, [window] { window->close(); });
        });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(99); });
        const int code = loop.exec();
        Dialogs::setRecording(true);
        QCOMPARE(reached, QStringList{QStringLiteral("Form2")});
        QCOMPARE(code, 0);
        QVERIFY(Dialogs::programEnded());
    }
};

CLASSDIV_GUI_TEST_MAIN(FlowTest)
#include "tst_flow.moc"
