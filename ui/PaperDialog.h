#pragma once
// The dialog before a confidential paper is printed: the student cards
// (調整 → 短冊を印刷…, object name CardsDialog) or the meeting sheets (the
// class lists' 「PDFに保存」, object name MeetingSheetDialog). The teacher
// chooses the columns printed, for the cards the column that colours their
// edge and their order, the number of copies and the draft's name. OK asks
// where to save it; the PDF is written only there, through a temporary file
// in that folder and a rename. A cancelled save dialog or a failed write
// keeps this dialog open.

#include "division/lists/ClassRoster.h"
#include "export/PaperColumns.h"
#include "export/PaperHeader.h"
#include "export/StudentCards.h"

#include <QByteArray>
#include <QDateTime>
#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace classdiv {

class YearModel;

class PaperDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Cards, MeetingSheets };
    // `order` is the order of the class lists, which the meeting sheets follow.
    PaperDialog(Kind kind, YearModel& model, RosterOrder order, QWidget* parent);

    std::vector<int> chosenColumns() const; // positions in the roster's columns, in their order
    CardChoice cardChoice() const;
    PaperCopies copies(const QDateTime& printed) const;
    // The PDF of the choices as they stand, printed at `printed`.
    QByteArray pdf(const QDateTime& printed) const;

protected:
    void accept() override;

private:
    Kind m_kind;
    YearModel& m_model;
    RosterOrder m_order;
    PaperColumns m_columns;
    QListWidget* m_list = nullptr;
    QComboBox* m_colour = nullptr;
    QComboBox* m_cardOrder = nullptr;
    QSpinBox* m_copies = nullptr;
    QLineEdit* m_draft = nullptr;
};

inline const QString kNoDrawForCardsMessage =
    QStringLiteral("まだクラス分けをしていません。「分布表表示」を押してから、短冊を印刷して下さい。");

} // namespace classdiv
