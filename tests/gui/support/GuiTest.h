#pragma once
// Shared helpers of the window tests: start-up, layout tables, tab chains.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>
#include <vector>

class QWidget;

namespace classdiv::testing {

// Off-screen platform unless the caller chose one (xcb under Xvfb for
// screenshots). Must run before the QApplication exists.
void prepareGuiPlatform();

// After the QApplication exists: font substitutes, messages recorded instead
// of shown, the end-of-program flag cleared.
void initGuiTestApp();

// One row of a window's layout table.
struct ExpectedControl {
    QString name;                  // objectName
    const char* className = "";    // e.g. "QPushButton", "QLabel", "QLineEdit"
    std::optional<QString> text;   // nullopt: not compared (lists, combos)
    QString tip;                   // empty: the control has no tip
    int left = 0, top = 0, width = 0, height = 0; // twips, client coordinates
    QString fontFamily;            // the Windows family name, e.g. kFontPMincho
    double pointSize = 0;
    int tab = -1;                  // place in the Tab column; -1: none
    bool sizedToText = false;      // label that takes the size of its text
};

// The text a control shows: button, label, line edit, plain text edit, combo's current text.
QString controlText(const QWidget* control);

// Compares every expected control with the window's child of that name.
// Returns one readable line per mismatch; empty when everything matches.
// Sized-to-text labels: position exact, size equal to their own size hint
// (adjustSize() was applied) and within a band of the design size (width
// -20%/+25%, height -30%/+50%),
// since the substitute fonts measure a little differently.
QStringList checkControls(const QWidget* window, const std::vector<ExpectedControl>& expected);

// The names the Tab key should visit, in order: every control with a tab
// place that is not a label.
QStringList expectedTabOrder(const std::vector<ExpectedControl>& expected);

// The window's focus chain as the Tab key walks it (nextInFocusChain,
// controls that take Tab focus, visible and enabled), starting at the first
// such control, once round.
QStringList focusChainNames(QWidget* window);

// Shows and activates the window, puts the focus on `first` and presses Tab
// `presses` times, returning the focused control's name before and after
// each press (presses + 1 names).
QStringList tabWalk(QWidget* window, QWidget* first, int presses);

// Client size in twips at 15 twips a pixel.
QSize clientSizeTwips(const QWidget* window);
// True when the window cannot be resized (minimum == maximum size).
bool hasFixedSize(const QWidget* window);

// The visible top-level window with this objectName, or nullptr.
QWidget* visibleWindow(const QString& objectName);
// Object names of the visible top-level windows.
QStringList visibleWindowNames();

} // namespace classdiv::testing

// main() for a window test: the platform is chosen before the QApplication
// is made, then the shared set-up runs.
#define CLASSDIV_GUI_TEST_MAIN(TestObject)                          \
    int main(int argc, char* argv[])                                \
    {                                                               \
        classdiv::testing::prepareGuiPlatform();                    \
        QApplication app(argc, argv);                               \
        classdiv::testing::initGuiTestApp();                        \
        TestObject test;                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                  \
        return QTest::qExec(&test, argc, argv);                     \
    }
