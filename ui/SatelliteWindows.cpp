#include "ui/SatelliteWindows.h"

#include "ui/ChartWindow.h"
#include "ui/CheckSheetWindow.h"
#include "ui/ClassListWindow.h"
#include "division/drafts/RosterChangesText.h"
#include "ui/DraftCompareWindow.h"
#include "ui/DraftWindow.h"
#include "ui/FewestMovesDialog.h"
#include "ui/PaperDialog.h"
#include "ui/PostedListsDialog.h"
#include "ui/RosterChangesWindow.h"
#include "ui/SeparationRecordWindow.h"
#include "ui/SpreadDialog.h"

#include <algorithm>

namespace classdiv {

void SatelliteWindows::install(YearSession& session, QWidget* host)
{
    session.setFactory(std::make_unique<SatelliteWindows>(host));
}

QObject* SatelliteWindows::make(Satellite kind, YearSession& session)
{
    if (!m_host)
        return nullptr;
    YearModel& model = session.model();
    switch (kind) {
    case Satellite::Chart:
        return new ChartWindow(model, m_host);
    case Satellite::ClassLists:
        return new ClassListWindow(session, m_host);
    case Satellite::Drafts:
        return new DraftWindow(session, m_host);
    case Satellite::CheckSheet:
        return new CheckSheetWindow(model, m_host);
    case Satellite::SeparationRecord:
        return new SeparationRecordWindow(model, m_host);
    case Satellite::Cards:
        return new PaperDialog(PaperDialog::Kind::Cards, model, RosterOrder::Score, m_host);
    case Satellite::PostedLists:
        return new PostedListsDialog(model, m_host);
    case Satellite::Rules:
        return new SpreadDialog(model, m_host);
    case Satellite::FewestMoves:
        return new FewestMovesDialog(model, session.mendSeed(), m_host);
    default:
        return make(SatelliteRequest{kind}, session, m_host);
    }
    return nullptr;
}

QObject* SatelliteWindows::make(const SatelliteRequest& request, YearSession& session, QObject* over)
{
    auto* parent = qobject_cast<QWidget*>(over);
    if (!parent)
        parent = m_host;
    if (!parent)
        return nullptr;
    YearModel& model = session.model();
    const DraftBook& book = model.drafts();
    switch (request.kind) {
    case Satellite::MeetingSheets:
        return new PaperDialog(PaperDialog::Kind::MeetingSheets, model, request.order, parent);
    case Satellite::RosterChanges:
        if (!book.rosterChanges())
            return nullptr;
        return new RosterChangesWindow(rosterChangesTable(*book.rosterChanges()), rosterConsequences(book, model.year()),
                                       parent);
    case Satellite::DraftComparison: {
        const auto [a, b] = request.draftRows;
        if (std::min(a, b) < 0 || std::max(a, b) >= book.rowCount())
            return nullptr;
        return new DraftCompareWindow(compareDrafts(model.year(), book.row(a), book.row(b)), parent);
    }
    default:
        return make(request.kind, session);
    }
}

void SatelliteWindows::present(Satellite kind, QObject* window, bool made)
{
    auto* widget = qobject_cast<QWidget*>(window);
    if (!widget)
        return;
    // The check sheet shown again takes the date and time, and a draft kept meanwhile.
    if (kind == Satellite::CheckSheet && !made)
        static_cast<CheckSheetWindow*>(widget)->refresh();
    // The menu's dialogs are modal, but open() returns at once; each goes when it closes.
    // (The check sheet is a dialog too, shown beside the conditions window.)
    const bool modal = kind == Satellite::Cards || kind == Satellite::PostedLists || kind == Satellite::Rules ||
                       kind == Satellite::FewestMoves || kind == Satellite::MeetingSheets;
    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && modal) {
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        return;
    }
    // Those opened from another window are made for what they show: each goes when it closes.
    if (kind == Satellite::RosterChanges || kind == Satellite::DraftComparison)
        widget->setAttribute(Qt::WA_DeleteOnClose);
    widget->show();
    widget->raise();
    widget->activateWindow();
}

} // namespace classdiv
