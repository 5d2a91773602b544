#pragma once
// Two drafts side by side: the per-class figures of both, then every student
// whose class differs; saved as an A4 landscape PDF for the meeting.

#include "division/drafts/Drafts.h"

#include <QWidget>

class QTableWidget;

namespace classdiv {

class DraftCompareWindow : public QWidget {
    Q_OBJECT
public:
    DraftCompareWindow(DraftComparison comparison, QWidget* parent);

private:
    void saveClicked();

    DraftComparison m_comparison;
};

// The comparison as a PDF: the per-class figures on the first page, then the differing students.
QByteArray draftComparisonPdf(const DraftComparison& comparison);

} // namespace classdiv
