#include "ui/Controls.h"

#include "ui/CommandButton.h"
#include "ui/Layout.h"

#include <QLabel>
#include <QLineEdit>

namespace classdiv {

QLineEdit* makeTextBox(QWidget* window, const QString& name, const QString& tip, int left, int top, int width,
                       int height)
{
    auto* box = new QLineEdit(window);
    box->setObjectName(name);
    box->setToolTip(tip);
    placeTwips(box, left, top, width, height);
    return box;
}

CommandButton* makeCommandButton(QWidget* window, const QString& name, const QString& text, const QString& tip,
                                 int left, int top, int width, int height)
{
    auto* button = new CommandButton(text, window);
    button->setObjectName(name);
    button->setToolTip(tip);
    placeTwips(button, left, top, width, height);
    return button;
}

QLabel* makeSizedLabel(QWidget* window, const QString& name, const QString& text, int left, int top,
                       const QFont* font)
{
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->setFocusPolicy(Qt::NoFocus);
    if (font)
        label->setFont(*font);
    label->adjustSize();
    label->move(twipsToPixels(left), twipsToPixels(top));
    return label;
}

void chainTabOrder(const QList<QWidget*>& controls)
{
    for (qsizetype i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1], controls[i]);
}

} // namespace classdiv
