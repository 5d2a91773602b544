#pragma once
// The window chain: load the next window, unload the current one, show the next.

#include "division/RandomSource.h"
#include "import/StartFile.h"
#include "import/StudentTable.h"
#include "ui/Deliverable.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace classdiv {

class ImportWindow;

class Shell : public QObject {
    Q_OBJECT
public:
    Shell(const Deliverable& deliverable, RandomSource& random, QObject* parent = nullptr);
    ~Shell() override;

    // Loads and shows the start window Form1.
    void start();
    // Started with a CSV file: opens at the import window Form2, the file's
    // folder shown and the file chosen. Form1 and Form4 are not shown.
    void startAtFile(const StartFile& file);

    // The one window open now (Form1, Form4, Form2 or Form3).
    QWidget* currentWindow() const;
    Module1& module() { return m_module; }
    const Deliverable& deliverable() const { return m_deliverable; }

private:
    // load next (already constructed), unload current, show next
    void switchTo(QWidget* next);

    // Each creates the window and runs its load step, without showing it.
    QWidget* loadExplanationWindow();
    ImportWindow* loadImportWindow();
    QWidget* loadConditionsWindow();

    Deliverable m_deliverable;
    RandomSource& m_random;
    Module1 m_module;
    QPointer<QWidget> m_current;
    bool m_ending = false;
};

} // namespace classdiv
