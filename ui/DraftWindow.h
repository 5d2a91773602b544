#pragma once
// 案の一覧: keeps the classes on screen under a name, lists the kept drafts
// and 「作業中」 with their figures, puts one back on screen, renames,
// deletes, and compares two. The year's drafts (division/drafts/Drafts.h) do the
// work; the window reads its boxes and shows what they return.

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace classdiv {

class YearModel;

class DraftWindow : public QWidget {
    Q_OBJECT
public:
    DraftWindow(YearModel& model, QWidget* parent);

    // The list drawn again from the drafts and the classes on screen.
    void refresh();

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
    void selectOnly(int row);

    YearModel& m_model;
    QLineEdit* m_name = nullptr;
    QPushButton* m_keep = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_compare = nullptr;
    bool m_refreshQueued = false;
};

} // namespace classdiv
