#include "session/YearSession.h"

#include "division/EveningProblem.h"

#include <QDateTime>
#include <QFileInfo>

namespace classdiv {

YearSession::YearSession(const StudentTable& table, RandomSource& random, QObject* parent)
    : QObject(parent), m_random(random), m_model(std::make_unique<YearModel>(table))
{
}

YearSession::~YearSession()
{
    // The windows watch the year: they go first.
    closeWindows();
}

uint64_t YearSession::mendSeed()
{
    return seedFrom(m_random);
}

QObject* YearSession::show(Satellite kind)
{
    if (!m_factory)
        return nullptr;
    QPointer<QObject>& window = m_windows[index(kind)];
    const bool made = !window;
    if (made)
        window = m_factory->make(kind, *this);
    if (window)
        m_factory->present(kind, window, made);
    return window;
}

QObject* YearSession::open(const SatelliteRequest& request, QObject* over)
{
    if (!m_factory)
        return nullptr;
    std::erase_if(m_opened, [](const QPointer<QObject>& window) { return window.isNull(); });
    QObject* window = m_factory->make(request, *this, over);
    if (!window)
        return nullptr;
    m_opened.emplace_back(window);
    m_factory->present(request.kind, window, true);
    return window;
}

std::vector<QObject*> YearSession::opened() const
{
    std::vector<QObject*> open;
    for (const QPointer<QObject>& window : m_opened)
        if (window)
            open.push_back(window.data());
    return open;
}

void YearSession::closeWindows()
{
    // Those opened from another window first: they may stand above one of the rest.
    for (QPointer<QObject>& window : m_opened)
        delete window.data();
    m_opened.clear();
    for (QPointer<QObject>& window : m_windows)
        delete window.data();
}

ResultDraftOutcome YearSession::draftFromResult(const QString& path) const
{
    const ResultRows rows = readResultRows(path);
    if (rows.failure)
        return {std::nullopt, rows.failure, std::nullopt};
    const QString name = freeDraftName(m_model->drafts().drafts(), QFileInfo(path).completeBaseName());
    ResultDraftOutcome outcome = draftFromResultRows(year(), rows.rows, name);
    if (outcome.draft)
        outcome.draft->kept = QDateTime::currentDateTime();
    return outcome;
}

} // namespace classdiv
