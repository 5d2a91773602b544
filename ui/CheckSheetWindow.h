#pragma once
// 確認票 on screen: the verdict, the broken rules named on their own, and the
// pages exactly as they print; 「PDFに保存」 writes them through the save
// dialog. It follows the classes while open (a press, a swap, new rules).

#include "export/CheckSheet.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QVBoxLayout;

namespace classdiv {

class YearModel;

class CheckSheetWindow : public QDialog {
    Q_OBJECT
public:
    CheckSheetWindow(YearModel& model, QWidget* parent);

    const CheckSheet& sheet() const { return m_sheet; }
    // Made again from the year as it stands now.
    void refresh();

private:
    void yearChanged();
    CheckSheet makeSheet() const;
    void saveClicked();

    YearModel& m_model;
    CheckSheet m_sheet;
    QLabel* m_verdict = nullptr;
    QListWidget* m_broken = nullptr;
    QVBoxLayout* m_pages = nullptr;
};

} // namespace classdiv
