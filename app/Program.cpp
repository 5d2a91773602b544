#include "app/Program.h"

#include "app/Shell.h"
#include "division/RandomSource.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace classdiv {

int runProgram(int argc, char* argv[], const Deliverable& deliverable)
{
    QApplication app(argc, argv);
    // A window switch hides the old window before the next one shows; the
    // program ends only through Dialogs::endProgram (close box or exit button).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(deliverable.programTitle);
    installFontSubstitutions();
    // Every text of the program is Japanese; the buttons and questions of
    // Qt's own boxes (the save dialog's overwrite question) should be too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    Dialogs::setProgramTitle(deliverable.programTitle);

    ClockRandomSource random;
    Shell shell(deliverable, random);
    shell.start();
    return app.exec();
}

} // namespace classdiv
