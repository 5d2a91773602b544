#include "support/GuiTest.h"

#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

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
    installFontSubstitutions();
    Dialogs::setRecording(true);
    Dialogs::takeMessages();
    Dialogs::resetProgramEnded();
}

QString controlText(const QWidget* control)
{
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    return QString();
}

namespace {

QRect twipsRect(const ExpectedControl& e)
{
    return QRect(twipsToPixels(e.left), twipsToPixels(e.top), twipsToPixels(e.width), twipsToPixels(e.height));
}

QString describe(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool within(int actual, int design, double low, double high)
{
    return actual >= std::floor(design * low) && actual <= std::ceil(design * high);
}

} // namespace

QStringList checkControls(const QWidget* window, const std::vector<ExpectedControl>& expected)
{
    QStringList problems;
    auto fail = [&](const ExpectedControl& e, const QString& what) { problems << e.name + QStringLiteral(": ") + what; };

    for (const ExpectedControl& e : expected) {
        const QList<QWidget*> found = window->findChildren<QWidget*>(e.name);
        if (found.size() != 1) {
            fail(e, QStringLiteral("found %1 controls of that name").arg(found.size()));
            continue;
        }
        const QWidget* control = found.first();
        if (!control->inherits(e.className))
            fail(e, QStringLiteral("class %1, expected %2").arg(control->metaObject()->className(), e.className));

        if (e.text && controlText(control) != *e.text)
            fail(e, QStringLiteral("text \"%1\", expected \"%2\"").arg(controlText(control), *e.text));
        if (control->toolTip() != e.tip)
            fail(e, QStringLiteral("tip \"%1\", expected \"%2\"").arg(control->toolTip(), e.tip));

        const QRect design = twipsRect(e);
        const QRect actual = control->geometry();
        if (control->parentWidget() != window)
            fail(e, QStringLiteral("not a direct child of the window"));
        if (e.sizedToText) {
            if (actual.topLeft() != design.topLeft())
                fail(e, QStringLiteral("at %1, expected at %2").arg(describe(actual), describe(design)));
            if (actual.size() != control->sizeHint())
                fail(e, QStringLiteral("size %1 is not the size of its text").arg(describe(actual)));
            if (!within(actual.width(), design.width(), 0.8, 1.25) || !within(actual.height(), design.height(), 0.7, 1.5))
                fail(e, QStringLiteral("size %1 far from the design size %2").arg(describe(actual), describe(design)));
            if (control->focusPolicy() != Qt::NoFocus)
                fail(e, QStringLiteral("a label must not take the focus"));
        } else if (actual != design) {
            fail(e, QStringLiteral("geometry %1, expected %2").arg(describe(actual), describe(design)));
        }

        const QFont font = control->font();
        if (font.family() != e.fontFamily)
            fail(e, QStringLiteral("font \"%1\", expected \"%2\"").arg(font.family(), e.fontFamily));
        if (std::abs(font.pointSizeF() - e.pointSize) > 0.01)
            fail(e, QStringLiteral("font size %1, expected %2").arg(font.pointSizeF()).arg(e.pointSize));
        if (font.bold() || font.italic() || font.underline())
            fail(e, QStringLiteral("font must be normal, upright, not underlined"));
    }
    return problems;
}

QStringList expectedTabOrder(const std::vector<ExpectedControl>& expected)
{
    std::vector<ExpectedControl> focusable;
    std::copy_if(expected.begin(), expected.end(), std::back_inserter(focusable), [](const ExpectedControl& e) {
        return e.tab >= 0 && qstrcmp(e.className, "QLabel") != 0;
    });
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const ExpectedControl& a, const ExpectedControl& b) { return a.tab < b.tab; });
    QStringList names;
    for (const ExpectedControl& e : focusable)
        names << e.name;
    return names;
}

QStringList focusChainNames(QWidget* window)
{
    QStringList names;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (!window->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isVisibleTo(window) && w->isEnabled())
            names << w->objectName();
        if (names.size() > 1000)
            break; // a broken chain must not hang the test
    }
    return names;
}

QStringList tabWalk(QWidget* window, QWidget* first, int presses)
{
    QStringList names;
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {QStringLiteral("<window not active>")};
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0;; ++i) {
        QWidget* focused = QApplication::focusWidget();
        names << (focused ? focused->objectName() : QStringLiteral("<none>"));
        if (i == presses || !focused)
            break;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    return names;
}

QSize clientSizeTwips(const QWidget* window)
{
    return QSize(window->width() * 15, window->height() * 15);
}

bool hasFixedSize(const QWidget* window)
{
    return window->minimumSize() == window->maximumSize();
}

QWidget* visibleWindow(const QString& objectName)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == objectName)
            return w;
    return nullptr;
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

} // namespace classdiv::testing
