#include "app/Program.h"

#include "app/Shell.h"
#include "division/draw/RandomSource.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace classdiv {

namespace {

struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
};

Options describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "クラス分けシステム: divides the students of a school year into new classes by a stratified random draw.\n"
        "Given a CSV file, starts at the import window with that file chosen."));
    // -reverse, -style and Qt's other one-dash options must not read as -v or -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The student CSV file to open."),
                                 QStringLiteral("[file.csv]"));
    return {help, version};
}

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int runProgram(int argc, char* argv[], const Deliverable& deliverable)
{
    // Names for QSettings (~/.config/classdiv/<program>.conf on Linux, the
    // registry key HKEY_CURRENT_USER\Software\classdiv\<program> on Windows) and --version.
    QCoreApplication::setOrganizationName(QStringLiteral("classdiv"));
    QCoreApplication::setApplicationName(deliverable.programTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(CLASSDIV_VERSION));

    // --help and --version answer before the window system is asked for, so
    // they work without a display. Qt's own options are unknown here, which
    // is no error yet: QApplication takes them out below.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        QCommandLineParser parser;
        const Options options = describe(parser);
        parser.parse(arguments);
        if (parser.isSet(options.help) || parser.isSet(QStringLiteral("help-all"))) {
            print(stdout, parser.helpText().replace(QStringLiteral("<executable_name>"), deliverable.programTitle));
            return 0;
        }
        if (parser.isSet(options.version)) {
            print(stdout, deliverable.programTitle + u' ' + QCoreApplication::applicationVersion() + u'\n');
            return 0;
        }
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    const bool parsed = parser.parse(QApplication::arguments());
    if (!parsed || parser.positionalArguments().size() > 1) {
        print(stderr, deliverable.programTitle + QStringLiteral(": ") +
                          (parsed ? QStringLiteral("only one file can be given") : parser.errorText()) +
                          QStringLiteral("\nTry '") + deliverable.programTitle + QStringLiteral(" --help'.\n"));
        return 2;
    }

    // A window switch hides the old window before the next one shows; the
    // program ends only through Dialogs::endProgram (close box or exit button).
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed menu entry and icon, for window lists and docks.
    QGuiApplication::setDesktopFileName(deliverable.programTitle);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("classdiv")));
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
    if (parser.positionalArguments().isEmpty())
        shell.start();
    else
        shell.startWith(parser.positionalArguments().constFirst(), QDir::currentPath());
    return app.exec();
}

} // namespace classdiv
