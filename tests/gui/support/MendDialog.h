#pragma once
// The 最小の移動で直す dialog as the window tests drive it: opened with
// Ctrl+M, waited on until it closes, and its list of moved students read back.

#include "support/GuiTest.h"

#include "division/FewestMovesYear.h"

#include <QDialog>
#include <QTableWidget>

#include <vector>

namespace classdiv::testing {

inline QDialog* openMend(const ExampleWindow& f)
{
    f.key(Qt::Key_M);
    QDialog* dialog = nullptr;
    const bool shown = QTest::qWaitFor([&] {
        dialog = f.w()->findChild<QDialog*>("FewestMovesDialog");
        return dialog && dialog->isVisible();
    });
    return shown ? dialog : nullptr;
}

inline bool mendClosed(const ExampleWindow& f)
{
    return QTest::qWaitFor([&] { return !f.w()->findChild<QDialog*>("FewestMovesDialog"); });
}

// The rows of the dialog's list: (row, from, to) read back from its cells.
inline std::vector<MovedStudent> listedMoves(QDialog* dialog)
{
    auto* table = child<QTableWidget>(dialog, "movedStudents");
    std::vector<MovedStudent> out;
    const auto classOf = [](const QString& text) { return text == QStringLiteral("未配置") ? 0 : text.chopped(1).toInt(); };
    for (int i = 0; i < table->rowCount(); ++i)
        out.push_back({table->item(i, 0)->text().toInt() - 1, classOf(table->item(i, 3)->text()), classOf(table->item(i, 4)->text())});
    return out;
}

} // namespace classdiv::testing
