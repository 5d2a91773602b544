#pragma once
// Shared helpers of the window tests; the QtWidgets module header spares each test its list of Qt headers.

#include "support/TestFiles.h"

#include "division/draw/DistributionTable.h"
#include "division/draw/RandomSource.h"
#include "import/StudentTable.h"
#include "ui/ConditionsWindow.h"
#include "ui/Dialogs.h"
#include "ui/ImportWindow.h"
#include "ui/PictureBox.h"
#include "ui/SatelliteWindows.h"

#include <QTest>
#include <QtWidgets>

#include <memory>
#include <vector>

namespace classdiv::testing {

// Runs the test object's slots in an application on the offscreen platform (unless the caller chose one),
// with the font substitutes, the windows' settings in a test folder and resetDialogs().
int runGuiTest(QObject& test, int argc, char* argv[]);
void resetDialogs(); // messages recorded, none waiting, the end flag cleared

QStringList visibleWindowNames();
// The drive list's volumes: `list`, each as ready as `check` tells.
inline void useVolumes(std::vector<Volume> list,
                       std::function<VolumeStatus(const QString&)> check = [](const QString&) { return VolumeStatus::Ready; })
{
    ImportWindow::setVolumeAccess({[list] { return list; }, std::move(check)});
}
template <class T = QWidget>
T* child(const QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}
inline void click(const QWidget* window, const QString& button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}
// Replaces the box's text by typing; non-ASCII text comes committed from the input method.
void typeInto(QLineEdit* box, const QString& text);

// Copies files of examples/ into `folder`.
bool copyExamples(const QString& folder, const QStringList& names);
// A CP932 or UTF-8 file's CRLF-ended lines; none when it does not read.
QStringList textLines(const QString& path);
// The distribution table of the year's classes as they stand, filled anew.
inline DistributionTable recount(const Year& year)
{
    DistributionTable d;
    fillDistributionTable(year.students(), scoreBands(year.students()), year.classes(), d);
    return d;
}

// The example year in a shown, active conditions window.
struct ExampleWindow {
    TempFolder folder;
    StudentTable table;
    // Every run draws the same classes, so a failure can be run again.
    NumberedRandomSource random{20261210};
    std::unique_ptr<YearSession> session; // as the shell holds it: made before the window, let go after it
    YearModel* model = nullptr;           // the session's
    std::unique_ptr<ConditionsWindow> window;

    // A session on the table and its conditions window, as the shell makes them; not shown yet.
    void makeWindow();

    // readConditions: Command3 once; without the conditions file, nen1.csv alone.
    bool open(bool readConditions = true, bool conditionsFile = true);
    // The same on the nen1.csv (and conditions) already in the folder.
    bool openAsItIs(bool readConditions = true);
    bool activate() const; // shortcuts reach only the active window
    void key(Qt::Key key) const { activate(); QTest::keyClick(window.get(), key, Qt::ControlModifier); } // Ctrl+key
    QList<Message> press(const QString& button) const { click(w(), button); return Dialogs::takeMessages(); }
    QWidget* w() const { return window.get(); }
    // The program ends: the window goes, then the year writes its drafts.
    void end() { window.reset(); session.reset(); model = nullptr; }
};

} // namespace classdiv::testing

#define CLASSDIV_GUI_TEST_MAIN(TestObject)                                                                            \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        TestObject test;                                                                                               \
        return classdiv::testing::runGuiTest(test, argc, argv);                                                        \
    }
