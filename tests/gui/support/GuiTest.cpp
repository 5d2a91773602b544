#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "ui/Layout.h"

#include <algorithm>
#include <utility>

namespace classdiv::testing {

int runGuiTest(QObject& test, int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Settings the windows remember go to a test folder, never the user's own
    // (on Windows to a file there: test mode does not reach the registry).
    QStandardPaths::setTestModeEnabled(true);
#ifdef Q_OS_WIN
    QSettings::setDefaultFormat(QSettings::IniFormat);
#endif
    installFontSubstitutions();
#ifdef Q_OS_WIN
    // The offscreen platform reads the font files by itself and knows each font by its English name
    // only; the Windows platform, which the programs use, knows the Japanese names too.
    const std::pair<QString, QString> englishNames[] = {
        {kFontPMincho, "MS PMincho"}, {kFontMincho, "MS Mincho"}, {kFontPGothic, "MS PGothic"}, {kFontGothic, "MS Gothic"}};
    if (QGuiApplication::platformName() == u"offscreen")
        for (const auto& [japanese, english] : englishNames)
            QFont::insertSubstitution(japanese, english);
#endif
    resetDialogs();
    return QTest::qExec(&test, argc, argv);
}

void resetDialogs()
{
    Dialogs::setRecording(true);
    Dialogs::takeMessages();
    Dialogs::resetProgramEnded();
}

QStringList visibleWindowNames()
{
    QStringList names;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            names << w->objectName();
    names.sort();
    return names;
}

void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        QTest::keyClicks(box, text);
    else
        QApplication::sendEvent(box, &commit);
}

bool copyExamples(const QString& folder, const QStringList& names)
{
    return std::all_of(names.begin(), names.end(), [&](const QString& name) {
        return writeBytes(folder + u'/' + name, readBytes(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/") + name));
    });
}

QStringList textLines(const QString& path)
{
    const std::optional<DecodedText> decoded = decodeText(readBytes(path));
    QStringList lines = decoded ? decoded->text.split(QStringLiteral("\r\n")) : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool ExampleWindow::open(bool readConditions, bool conditionsFile)
{
    const QStringList files = conditionsFile ? QStringList{"nen1.csv", "nen1.csvJYOKEN.TXT"} : QStringList{"nen1.csv"};
    return copyExamples(folder.path(), files) && openAsItIs(readConditions);
}

bool ExampleWindow::openAsItIs(bool readConditions)
{
    if (!readExampleYear(folder.path(), table))
        return false;
    makeWindow();
    window->show();
    if (readConditions)
        click(window.get(), "Command3");
    return QTest::qWaitForWindowExposed(window.get()) && activate();
}

void ExampleWindow::makeWindow()
{
    end();
    session = std::make_unique<YearSession>(table, random);
    model = &session->model();
    window = std::make_unique<ConditionsWindow>(*session, Deliverable::varmesto());
    SatelliteWindows::install(*session, window.get());
}

bool ExampleWindow::activate() const
{
    window->activateWindow();
    return QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); });
}

} // namespace classdiv::testing
