// A teacher's road through varmesto's real windows with fixed draw numbers:
// start, the example year chosen and read in the import window (its rules
// file beside it), its conditions read back, one press, the averages evened
// out under those rules, the result saved as <folder>/kekka.csv.
// The Linux build and the Windows build (under Wine) must save the same bytes;
// scripts/test-windows.sh runs both and compares.
// Usage: drive_road <empty folder>

#include "support/GuiTest.h"
#include "support/ScriptedRandom.h"

#include "app/Shell.h"
#include "ui/ConditionsWindow.h"
#include "ui/CsvFileListBox.h"

#include <cmath>
#include <cstdio>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "drive_road: %s\n", what);
    std::exit(1);
}

// Numbers spread evenly over [0, 1), none repeating soon: the fractional parts of multiples of the golden ratio.
std::vector<float> drawNumbers()
{
    std::vector<float> numbers;
    for (int i = 1; i <= 997; ++i)
        numbers.push_back(static_cast<float>(std::fmod(i * 0.6180339887498949, 1.0)));
    return numbers;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc != 2)
        fail("usage: drive_road <empty folder>");
    QApplication::setQuitOnLastWindowClosed(false);
    QStandardPaths::setTestModeEnabled(true);
    resetDialogs();
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!copyExamples(folder, {"nen1.csv", "nen1.csvJYOKEN.TXT", "nen1.csvBUNKATSU.TXT"}) || !QDir::setCurrent(folder))
        fail("the example year could not be copied");

    ScriptedRandom random(drawNumbers());
    Shell shell(Deliverable::varmesto(), random);
    shell.start();
    click(shell.currentWindow(), "Command1");
    QWidget* form2 = shell.currentWindow();
    auto* file1 = child<CsvFileListBox>(form2, "File1");
    const QList<QListWidgetItem*> found = file1->findItems("nen1.csv", Qt::MatchExactly);
    if (form2->objectName() != "Form2" || found.isEmpty())
        fail("the import window does not list nen1.csv");
    file1->setCurrentItem(found.first());
    click(form2, "Command1");
    for (int i = 4; i <= 7; ++i)
        typeInto(child<QLineEdit>(form2, QStringLiteral("Text%1").arg(i)), QString("1367"[i - 4]));
    click(form2, "Command2");
    click(form2, "Command3");
    QWidget* form3 = shell.currentWindow();
    if (form3->objectName() != "Form3")
        fail("the conditions window did not open");
    click(form3, "Command3");
    click(form3, "Command4");
    auto* conditions = qobject_cast<ConditionsWindow*>(form3);
    if (!conditions || conditions->year().rules() == SpreadRules{})
        fail("the example's rules were not read");
    child<QAction>(form3, "actionBalance")->trigger();
    Dialogs::queueSaveFileName(folder + QStringLiteral("/kekka.csv"));
    click(form3, "Command5");

    const QList<Message> messages = Dialogs::takeMessages(); // each step goes through without a word
    for (const Message& message : messages)
        std::fprintf(stderr, "drive_road: message shown: %s\n", message.text.toLocal8Bit().constData());
    if (!QFile::exists(folder + QStringLiteral("/kekka.csv")) || random.taken() == 0)
        fail("no result file was saved");
    return messages.isEmpty() ? 0 : 1;
}
