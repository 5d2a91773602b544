#include "support/GuiTest.h"

#include "common/TextFile.h"
#include "import/ImportActions.h"
#include "ui/Layout.h"

#include <QAbstractButton>
#include <QInputMethodEvent>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace classdiv::testing {

void prepareGuiPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void initGuiTestApp()
{
    QApplication::setQuitOnLastWindowClosed(false);
    // Settings the windows remember go to a test folder, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    installFontSubstitutions();
    resetDialogs();
}

void resetDialogs()
{
    Dialogs::setRecording(true);
    Dialogs::takeMessages();
    Dialogs::resetProgramEnded();
}

namespace {

QString controlText(const QWidget* control)
{
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    auto* plain = qobject_cast<const QPlainTextEdit*>(control);
    return plain ? plain->toPlainText() : QString();
}

QString describe(const QRect& r) { return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); }
bool within(int actual, int design, double low, double high)
{
    return actual >= std::floor(design * low) && actual <= std::ceil(design * high);
}

} // namespace

QStringList checkControls(const QWidget* window, const std::vector<ExpectedControl>& expected)
{
    QStringList problems;
    for (const ExpectedControl& e : expected) {
        auto fail = [&](const QString& what) { problems << e.name + QStringLiteral(": ") + what; };
        const QList<QWidget*> found = window->findChildren<QWidget*>(e.name);
        if (found.size() != 1) {
            fail(QStringLiteral("found %1 controls of that name").arg(found.size()));
            continue;
        }
        const QWidget* control = found.first();
        if (!control->inherits(e.className))
            fail(QStringLiteral("class %1, expected %2").arg(control->metaObject()->className(), e.className));
        if (control->parentWidget() != window)
            fail(QStringLiteral("not a direct child of the window"));
        if (e.text && controlText(control) != *e.text)
            fail(QStringLiteral("text \"%1\", expected \"%2\"").arg(controlText(control), *e.text));
        if (control->toolTip() != e.tip)
            fail(QStringLiteral("tip \"%1\", expected \"%2\"").arg(control->toolTip(), e.tip));

        const QRect design(twipsToPixels(e.left), twipsToPixels(e.top), twipsToPixels(e.width), twipsToPixels(e.height));
        const QRect actual = control->geometry();
        if (e.fit == ExpectedControl::Fixed) {
            if (actual != design)
                fail(QStringLiteral("geometry %1, expected %2").arg(describe(actual), describe(design)));
        } else {
            // Labels sized to their text: the substitute fonts measure a little differently.
            if (actual.topLeft() != design.topLeft() || actual.size() != control->sizeHint())
                fail(QStringLiteral("%1 is not its text's size at %2").arg(describe(actual), describe(design)));
            if (e.fit == ExpectedControl::SizedToText &&
                (!within(actual.width(), design.width(), 0.8, 1.25) || !within(actual.height(), design.height(), 0.7, 1.5)))
                fail(QStringLiteral("size %1 far from the design size %2").arg(describe(actual), describe(design)));
            if (control->focusPolicy() != Qt::NoFocus)
                fail(QStringLiteral("a label must not take the focus"));
        }

        const QFont font = control->font();
        if (font.family() != e.fontFamily || std::abs(font.pointSizeF() - e.pointSize) > 0.01)
            fail(QStringLiteral("font %1 %2, expected %3 %4").arg(font.family()).arg(font.pointSizeF()).arg(e.fontFamily).arg(e.pointSize));
        if (font.bold() || font.italic() || font.underline())
            fail(QStringLiteral("font must be normal, upright, not underlined"));
    }
    return problems;
}

QStringList tabWalk(QWidget* window, const QStringList& order)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {QStringLiteral("<window not active>")};
    child(window, order.first())->setFocus(Qt::TabFocusReason);
    QStringList names;
    for (int i = 0;; ++i) {
        QWidget* focused = QApplication::focusWidget();
        names << (focused ? focused->objectName() : QStringLiteral("<none>"));
        if (i == order.size() || !focused)
            return names;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
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
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QTest::keyClicks(box, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(box, &commit);
    }
}

bool copyExamples(const QString& folder, const QStringList& names)
{
    return std::all_of(names.begin(), names.end(), [&](const QString& name) {
        return writeBytes(folder + u'/' + name, readBytes(QStringLiteral(CLASSDIV_SOURCE_DIR "/examples/") + name));
    });
}

bool readExampleYear(const QString& folder, StudentTable& table)
{
    ImportWindowState state;
    const QString name = QStringLiteral("nen1.csv");
    return !preview({folder, folder, name, name}, state, table).message &&
           !readColumns({"8", "1", "3", "6", "7"}, state, table).message && table.lineCount == 241;
}

QStringList cp932Lines(const QString& path)
{
    const std::optional<DecodedText> decoded = decodeText(readBytes(path));
    QStringList lines = decoded ? decoded->text.split(QStringLiteral("\r\n")) : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

DistributionTable recount(const StudentTable& table)
{
    DistributionTable d;
    fillDistributionTable(table, d);
    return d;
}

bool ExampleWindow::open(bool readConditions, bool conditionsFile)
{
    const QStringList files = conditionsFile ? QStringList{"nen1.csv", "nen1.csvJYOKEN.TXT"} : QStringList{"nen1.csv"};
    if (!copyExamples(folder.path(), files) || !readExampleYear(folder.path(), table))
        return false;
    window = std::make_unique<ConditionsWindow>(table, Deliverable::varmesto(), random);
    window->show();
    if (readConditions)
        click(window.get(), "Command3");
    return QTest::qWaitForWindowExposed(window.get()) && activate();
}

bool ExampleWindow::activate() const
{
    window->activateWindow();
    return QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); });
}

} // namespace classdiv::testing
