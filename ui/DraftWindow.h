#pragma once
// 案の一覧: keeps the classes on screen under a name, lists the kept drafts
// and 「作業中」 with their figures, puts one back on screen, renames,
// deletes, and compares two. The year's drafts (division/drafts/Drafts.h) do the
// work; the window reads its boxes and shows what they return.

#include "division/drafts/DraftFigures.h"
#include "ui/QueuedRefresh.h"

#include <QWidget>

#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace classdiv {

class YearModel;
class YearSession;

class DraftWindow : public QWidget {
    Q_OBJECT
public:
    // Over `parent`, which owns it; 「名簿の変更」 and the comparison open through the session.
    DraftWindow(YearSession& session, QWidget* parent);

    // The list drawn again from the drafts and the classes on screen.
    void refresh();
    // After hand swaps: the figures of 「作業中」 counted again and, for
    // every other row, its students in another class than on screen; only
    // the cells whose text changed are set.
    void refreshScreenRow();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepClicked();
    void openClicked();
    void renameClicked();
    void deleteClicked();
    void compareClicked();
    QList<int> selectedRows() const;
    void showRow(int row, const QStringList& cells);
    void selectOnly(int row);

    YearSession& m_session;
    YearModel& m_model;
    QLineEdit* m_name = nullptr;
    QPushButton* m_keep = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_compare = nullptr;
    std::vector<DraftFigures> m_figures; // of the rows shown, as the last redraw counted them
    QueuedRefresh m_queued;
};

} // namespace classdiv
