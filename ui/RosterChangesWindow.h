#pragma once
// 「名簿の変更」: the students added, removed and changed since the drafts
// were kept, and what follows for each draft and the conditions; saved as an
// A4 PDF for the meeting. Shown before the drafts when the roster changed.

#include "division/drafts/DraftFigures.h"

#include <QStringList>
#include <QWidget>

namespace classdiv {

class RosterChangesWindow : public QWidget {
    Q_OBJECT
public:
    RosterChangesWindow(TextTable changes, QStringList consequences, QWidget* parent);

private:
    void saveClicked();

    TextTable m_changes;
    QStringList m_consequences;
};

// The window's content as an A4 portrait PDF, the table running on over pages.
QByteArray rosterChangesPdf(const TextTable& changes, const QStringList& consequences);

} // namespace classdiv
