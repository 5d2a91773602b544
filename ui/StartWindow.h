#pragma once
// Form1, the start window: the program's title and the way in.

#include "ui/Deliverable.h"

#include <QWidget>

class QCloseEvent;

namespace classdiv {

class StartWindow : public QWidget {
    Q_OBJECT
public:
    explicit StartWindow(const Deliverable& deliverable, QWidget* parent = nullptr);

signals:
    void runRequested();         // Command1 "プログラム実行"
    void explanationRequested(); // Command2 "プログラムの解説文を読む"
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
};

inline const QString kStartCaption = QStringLiteral("Mｅｎｕ");

} // namespace classdiv
