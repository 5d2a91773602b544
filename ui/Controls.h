#pragma once
// The controls of the window layouts, made from their design values in twips.

#include <QList>
#include <QString>

class QFont;
class QLabel;
class QLineEdit;
class QWidget;

namespace classdiv {

class CommandButton;

QLineEdit* makeTextBox(QWidget* window, const QString& name, const QString& tip, int left, int top, int width,
                       int height);

CommandButton* makeCommandButton(QWidget* window, const QString& name, const QString& text, const QString& tip,
                                 int left, int top, int width, int height);

// A label sized to its text in its font (the window's unless one is given);
// labels never take the focus.
QLabel* makeSizedLabel(QWidget* window, const QString& name, const QString& text, int left, int top,
                       const QFont* font = nullptr);

// Tab walks the controls in this order.
void chainTabOrder(const QList<QWidget*>& controls);

} // namespace classdiv
