#pragma once
// The work on one year, from the conditions window's load until the teacher
// leaves it: the year model, the random source every press draws from, and
// the windows that stand beside the conditions window (the chart, the class
// lists, the drafts, the check sheet, the separation record). The shell makes
// it and hands it to the windows; a window that wants another asks the
// session, so no window creates another, not even those it opens itself. The windows themselves are made by
// a SatelliteFactory that the window layer fills in: this layer knows no widget.

#include "division/draw/RandomSource.h"
#include "export/ResultRead.h"
#include "session/YearModel.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

namespace classdiv {

// The windows a session keeps, one of each at most: those that stay open
// beside the conditions window, then the dialogs its menu opens. After them
// the windows another window opens, as many as asked for: the class lists'
// meeting sheets, 「名簿の変更」 and two drafts compared, from the drafts window.
enum class Satellite {
    Chart, ClassLists, Drafts, CheckSheet, SeparationRecord, Cards, PostedLists, Rules, FewestMoves,
    MeetingSheets, RosterChanges, DraftComparison
};
inline constexpr int kSatelliteKinds = 9; // those kept one of each

// A window opened from another, and what it shows.
struct SatelliteRequest {
    Satellite kind = Satellite::MeetingSheets;
    RosterOrder order = RosterOrder::Score; // the meeting sheets': the order of the lists
    std::array<int, 2> draftRows{};         // the comparison's: two rows of the drafts list
};

class YearSession;

class SatelliteFactory {
public:
    virtual ~SatelliteFactory() = default;
    // A new window of the kind over the session's year, not shown yet.
    virtual QObject* make(Satellite kind, YearSession& session) = 0;
    // A new window asked for from `over`, which it stands above; not shown yet.
    virtual QObject* make(const SatelliteRequest& request, YearSession& session, QObject* over) = 0;
    // Shows the window, raised and active; `made` says it is new, else it was open already.
    virtual void present(Satellite kind, QObject* window, bool made) = 0;
};

class YearSession : public QObject {
    Q_OBJECT
public:
    YearSession(const StudentTable& table, RandomSource& random, QObject* parent = nullptr);
    // Closes the session's windows; the model then writes what is unwritten.
    ~YearSession() override;

    YearModel& model() { return *m_model; }
    const Year& year() const { return m_model->year(); }
    // The source of every press; tests hand in fixed numbers.
    RandomSource& random() { return m_random; }

    // 分布表表示 and 平均点をそろえる, drawn from the session's random source.
    DrawOutcome press() { return m_model->press(m_random); }
    EvenOutcome evenOut(bool pressFirst = false) { return m_model->evenOut(m_random, pressFirst); }
    // The seed of a mend (最小の移動で直す).
    uint64_t mendSeed();

    // Without a factory (the core's own tests) no window is made.
    void setFactory(std::unique_ptr<SatelliteFactory> factory) { m_factory = std::move(factory); }
    // The window of the kind, made at the first asking and shown; the same window at every asking after.
    QObject* show(Satellite kind);
    // The window of the kind while it is open; null before and after.
    QObject* window(Satellite kind) const { return m_windows[index(kind)].data(); }
    // A new window asked for from another (`over`), shown; it goes when it is closed, or with the session's.
    QObject* open(const SatelliteRequest& request, QObject* over);
    // Those of open() still open.
    std::vector<QObject*> opened() const;
    // Closes every window of the session (leaving the year, the end of the program).
    void closeWindows();

    // 結果ファイルから案を作る: the classes of a result file as a draft named
    // after the file; a name in use gets the first free number. A failure or a
    // refusal keeps nothing.
    ResultDraftOutcome draftFromResult(const QString& path) const;

private:
    static size_t index(Satellite kind) { return static_cast<size_t>(kind); }

    RandomSource& m_random;
    std::unique_ptr<YearModel> m_model;
    std::unique_ptr<SatelliteFactory> m_factory;
    std::array<QPointer<QObject>, kSatelliteKinds> m_windows;
    std::vector<QPointer<QObject>> m_opened;
};

} // namespace classdiv
