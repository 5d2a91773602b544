#pragma once
// Form4, the explanation window: how to prepare the CSV file and use the program.

#include "ui/Deliverable.h"

#include <QString>
#include <QWidget>

class QCloseEvent;

namespace classdiv {

class ExplanationWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExplanationWindow(const Deliverable& deliverable, QWidget* parent = nullptr);

signals:
    void runRequested(); // Command1 "プログラム実行"
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
};

inline const QString kExplanationCaption = QStringLiteral("解説文");

// The fixed text of Text1, CR LF line ends. Both programs show the same text.
QString explanationText();

} // namespace classdiv
