#include "app/Program.h"

#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QApplication>

namespace classdiv {

int runProgram(int argc, char* argv[], const Deliverable& deliverable)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    Dialogs::setProgramTitle(deliverable.programTitle);
    return 0; // the window chain comes next
}

} // namespace classdiv
