#pragma once
// A command button whose caption wraps onto further lines when it is wider
// than the button, as the long captions of the windows need.

#include <QPushButton>

namespace classdiv {

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace classdiv
