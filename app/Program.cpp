#include "app/Program.h"

#include "app/Shell.h"
#include "division/RandomSource.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QApplication>

namespace classdiv {

int runProgram(int argc, char* argv[], const Deliverable& deliverable)
{
    QApplication app(argc, argv);
    // A window switch hides the old window before the next one shows; the
    // program ends only through Dialogs::endProgram (close box or exit button).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(deliverable.programTitle);
    installFontSubstitutions();
    Dialogs::setProgramTitle(deliverable.programTitle);

    ClockRandomSource random;
    Shell shell(deliverable, random);
    shell.start();
    return app.exec();
}

} // namespace classdiv
