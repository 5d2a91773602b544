#pragma once
// 案: divisions kept under a name, to come back to on another day, and the
// division last on screen (「作業中」), kept in the drafts file beside the CSV
// (division/drafts/DraftsFile.h). The book reads the file once when the year is
// loaded and changes no classes then; it writes the whole file again when
// asked, through a temporary file and a rename.
//
// The figures of a draft come from the functions the class lists and the
// chart use, so a draft and the windows never judge the same classes apart.

#include "common/Message.h"
#include "division/draw/DistributionTable.h"
#include "division/drafts/DraftsFile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

#include <optional>
#include <vector>

namespace classdiv {

class Year;

// What the drafts window shows of a draft, beside its name, time and number.
struct DraftFigures {
    double spread = 0;        // of the class averages (division/EvenAverages.h averageSpread)
    double bandDeviation = 0; // the largest |count - fair share| of a score band (division/evening/FairShares.h)
    std::optional<double> mixingDeviation; // when a mixing column is set
    std::optional<double> flagDeviation;   // when a flag column is set
    // The largest normalised spread of the evened score columns, when extra
    // ones are set (division/EvenAverages.h scoreColumnSpreads).
    std::optional<double> scoreSpread;
    int rulesBroken = 0; // cells the class lists mark as broken (division/lists/ClassSwaps.h findRuleBreaks)
    int swaps = 0;       // hand swaps since the press
    int moved = 0;       // students in another class than on screen now
};

// The figures of classes of this year (a draft's, or the screen's).
DraftFigures draftFigures(const Year& year, const Draft& draft);

// Two drafts side by side, for the meeting.
struct DraftComparison {
    struct ClassFigures {
        int classNumber = 0;
        std::array<int, 2> headCount{};
        std::array<float, 2> average{};
        std::array<float, 2> difference{}; // from the year's average
        std::array<std::array<int, 7>, 2> bands{}; // [draft][stratum 1 .. 6]
        std::array<std::vector<int>, 2> flags;     // [draft][index into flagValues]
    };
    struct Moved {
        int row = 0;
        int line = 0; // the CSV line
        QString id, name, group;
        std::array<int, 2> classes{};
    };
    std::array<QString, 2> names;
    float yearAverage = 0;
    std::array<QString, 7> bandLabels; // [stratum 1 .. 6]
    QStringList flagValues; // "column: value", one for each flag value of the rules
    std::vector<ClassFigures> classes; // every class that has students in either draft
    std::vector<Moved> moved;          // every student whose class differs, in CSV order
};
DraftComparison compareDrafts(const Year& year, const Draft& a, const Draft& b);

// The comparison as the window and the PDF show it: every cell "A／B".
struct TextTable {
    QStringList headings;
    std::vector<QStringList> rows;
};
TextTable classFiguresTable(const DraftComparison& comparison);
TextTable movedStudentsTable(const DraftComparison& comparison);

// A row of the drafts list: name, kept, number, then the figures.
QStringList draftListRow(const Draft& draft, const DraftFigures& figures);
QStringList draftListHeadings();

class DraftBook {
public:
    // Reads the drafts file beside the year's CSV; nothing on screen changes.
    explicit DraftBook(const Year& year);
    DraftBook(const Year& year, QString path);

    const QString& path() const { return m_path; }
    // What reading the file found wrong, once: shown when the drafts window first opens.
    std::optional<Message> takeReadMessage();

    const std::vector<Draft>& drafts() const { return m_drafts; }
    // 「作業中」: the classes on screen at the last change, or the last run's until this run changes any.
    const std::optional<Draft>& working() const { return m_working; }
    // The drafts, then 「作業中」 when there is one: the rows of the list.
    int rowCount() const { return static_cast<int>(m_drafts.size()) + (m_working ? 1 : 0); }
    const Draft& row(int index) const;

    // 案1, 案2, … the first not in use.
    QString nextFreeName() const;
    int indexOf(const QString& name) const; // -1 when no draft has it

    // Keeps the classes on screen; a name in use replaces that draft (the
    // window asks first). A refusal (no classes, an empty name) keeps nothing.
    std::optional<Message> keep(const Year& year, const QString& name, const QDateTime& now);
    // Keeps classes read from elsewhere (a result file) under a name.
    void keepDraft(Draft draft);
    // Puts the row's classes on screen; a draft of another roster is refused
    // with the rows that differ, and nothing changes.
    std::optional<Message> open(int index, Year& year) const;
    std::optional<Message> rename(int index, const QString& name);
    void remove(int index);

    // The classes on screen changed: 「作業中」 is written at the next write.
    void markChanged() { m_screenChanged = true; m_dirty = true; }
    bool dirty() const { return m_dirty; }
    // Writes the whole file when anything changed since the last write. A
    // damaged or foreign file is copied aside first. The first failure gives
    // its message; later ones are silent until a write succeeds again.
    std::optional<Message> write(const Year& year, const QDateTime& now);

    // The same in three steps, so the disk can be left to another thread:
    // the bytes made here, written there, the outcome taken back here.
    struct PendingWrite {
        QString path;
        QByteArray bytes;
        bool keepAside = false; // the file there goes aside first, under a name of its own
    };
    std::optional<PendingWrite> prepareWrite(const Year& year, const QDateTime& now);
    static bool performWrite(const PendingWrite& pending); // touches nothing of the book
    std::optional<Message> finishWrite(bool written);
    // 「作業中」 made from the screen when it changed since (the list shows it before it is written).
    void takeScreen(const Year& year, const QDateTime& now);
    // The snapshot of the screen that write() takes.
    static Draft screenDraft(const Year& year, const QString& name, const QDateTime& now);

private:
    QString m_path;
    std::vector<RosterRow> m_roster;        // the year's
    std::vector<RosterRow> m_fileRoster;    // the file's, when it differs (its drafts are refused)
    std::vector<Draft> m_drafts;
    std::optional<Draft> m_working;
    std::vector<bool> m_foreign; // [draft]: made on the file's other roster, not written back
    bool m_workingForeign = false;
    std::optional<Message> m_readMessage;
    bool m_keepAside = false; // the file on disk is damaged or foreign: copy it before writing
    bool m_screenChanged = false;
    bool m_dirty = false;
    bool m_failed = false; // the last write failed and said so
    QByteArray m_head;      // the file's lines up to 「作業中」, as last made
    size_t m_ownDrafts = 0; // the drafts in m_head
    bool m_headChanged = true;
};

// The number typed for 番号を指定して分ける: 1 .. kLargestDrawNumber in half- or
// full-width digits, blanks around it allowed; nullopt for anything else.
std::optional<uint32_t> drawNumberFromText(const QString& text);
inline const QString kBadDrawNumberMessage =
    QStringLiteral("番号は１から999999999までの数字で入れて下さい。クラス分けは変えていません。");

// Students who sit in another class in b than in a.
int movedStudents(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

} // namespace classdiv
