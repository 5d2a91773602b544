#pragma once
// The window chain: load the next window, unload the current one, show the
// next. The shell owns the session of the year (made when the conditions
// window loads), which holds the year and the random source the shell is given.

#include "division/draw/RandomSource.h"
#include "import/StartFile.h"
#include "import/StudentTable.h"
#include "ui/Deliverable.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace classdiv {

class ImportWindow;
class YearModel;
class YearSession;

class Shell : public QObject {
    Q_OBJECT
public:
    Shell(const Deliverable& deliverable, RandomSource& random, QObject* parent = nullptr);
    ~Shell() override;

    // Loads and shows the start window Form1.
    void start();
    // Started with a file named on the command line (relative names taken
    // from currentFolder): a CSV file opens the import window Form2 with its
    // folder shown and the file chosen; anything else gets its message over
    // the start window.
    void startWith(const QString& argument, const QString& currentFolder);

    // The one window open now (Form1, Form4, Form2 or Form3).
    QWidget* currentWindow() const;
    // The import window's table, which the conditions window's year is made from.
    StudentTable& students() { return m_students; }
    const Deliverable& deliverable() const { return m_deliverable; }
    // The session of the year the conditions window shows, from its load
    // until the shell leaves that window or ends; null before.
    YearSession* session() const { return m_session.get(); }
    YearModel* model() const;

private:
    void startAtFile(const StartFile& file);
    // load next (already constructed), unload current, show next
    void switchTo(QWidget* next);

    // Each creates the window and runs its load step, without showing it.
    QWidget* loadExplanationWindow();
    ImportWindow* loadImportWindow();
    QWidget* loadConditionsWindow();

    Deliverable m_deliverable;
    RandomSource& m_random;
    StudentTable m_students;
    std::unique_ptr<YearSession> m_session;
    QPointer<QWidget> m_sessionWindow; // the window the session was made for
    QPointer<QWidget> m_current;
    bool m_ending = false;
};

} // namespace classdiv
