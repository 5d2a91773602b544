#include "app/Shell.h"

#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"
#include "ui/ExplanationWindow.h"
#include "ui/ImportWindow.h"
#include "ui/SatelliteWindows.h"
#include "ui/StartWindow.h"

namespace classdiv {

namespace {

// The close box of whichever window is open ends the program. Ending closes
// all windows, which raises the close signal again; one end is enough.
void endOnce(bool& ending)
{
    if (ending)
        return;
    ending = true;
    Dialogs::endProgram();
}

} // namespace

Shell::Shell(const Deliverable& deliverable, RandomSource& random, QObject* parent)
    : QObject(parent), m_deliverable(deliverable), m_random(random)
{
}

Shell::~Shell()
{
    // The windows watch the year: they go first. The year then writes what is unwritten of its drafts.
    delete m_current.data();
    m_session.reset();
}

QWidget* Shell::currentWindow() const { return m_current.data(); }

YearModel* Shell::model() const
{
    return m_session ? &m_session->model() : nullptr;
}

void Shell::start()
{
    auto* start = new StartWindow(m_deliverable);
    connect(start, &StartWindow::runRequested, this, [this]() { switchTo(loadImportWindow()); });
    connect(start, &StartWindow::explanationRequested, this, [this]() { switchTo(loadExplanationWindow()); });
    connect(start, &StartWindow::closedByUser, this, [this]() { endOnce(m_ending); });
    switchTo(start);
}

void Shell::startWith(const QString& argument, const QString& currentFolder)
{
    const auto checked = checkStartFile(argument, currentFolder);
    if (const auto* file = std::get_if<StartFile>(&checked)) {
        startAtFile(*file);
        return;
    }
    start();
    Dialogs::showMessage(currentWindow(), std::get<Message>(checked));
}

void Shell::startAtFile(const StartFile& file)
{
    ImportWindow* window = loadImportWindow();
    // A file gone since it was checked leaves the lists as far as they got.
    window->showFile(file.folder, file.fileName);
    switchTo(window);
}

QWidget* Shell::loadExplanationWindow()
{
    auto* window = new ExplanationWindow(m_deliverable);
    connect(window, &ExplanationWindow::runRequested, this, [this]() { switchTo(loadImportWindow()); });
    connect(window, &ExplanationWindow::closedByUser, this, [this]() { endOnce(m_ending); });
    return window;
}

ImportWindow* Shell::loadImportWindow()
{
    auto* window = new ImportWindow(m_students, m_deliverable);
    connect(window, &ImportWindow::goOnRequested, this, [this]() {
        switchTo(loadConditionsWindow());
        // Another program on the same roster is named; this one never silently wins or waits.
        if (const std::optional<Message> shared = m_session->model().takeSharedNote())
            Dialogs::showMessage(currentWindow(), *shared);
    });
    connect(window, &ImportWindow::closedByUser, this, [this]() { endOnce(m_ending); });
    return window;
}

QWidget* Shell::loadConditionsWindow()
{
    // Constructing the window is its load step: the year and its group table
    // are made now, while the import window still stands.
    m_session = std::make_unique<YearSession>(m_students, m_random);
    auto* window = new ConditionsWindow(*m_session, m_deliverable);
    SatelliteWindows::install(*m_session, window);
    m_sessionWindow = window;
    connect(window, &ConditionsWindow::closedByUser, this, [this]() { endOnce(m_ending); });
    return window;
}

void Shell::switchTo(QWidget* next)
{
    // Unloading hides and discards the window without a close event, which
    // would end the program. It is deleted once its own signal has returned.
    if (QWidget* current = m_current.data()) {
        current->hide();
        current->deleteLater();
        // Leaving the conditions window ends its session, after the window:
        // deferred deletions run in the order they were asked for.
        if (current == m_sessionWindow && m_session)
            m_session.release()->deleteLater();
    }
    m_current = next;
    next->show();
}

} // namespace classdiv
