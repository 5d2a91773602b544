#pragma once
// 確認票: the division on screen checked rule by rule for the 学年主任 to sign
// before the lists go out. Every line says what a rule asks and whether the
// classes keep it: the head counts of the conditions, the fair bands, each
// keep-apart mark and each entry of the school's record by the students'
// names, the together sets, the fixed classes, the flag columns and the
// mixing column; then the spread of averages, the roster file with its
// fingerprint, the draft's name and when the sheet was made.
//
// The checks are the ones the class lists and the drafts already judge by
// (division/lists/ClassSwaps.h findRuleBreaks, division/rules/RuleSet.h's
// fair shares) and the figures they read (division/DivisionFigures.h), so the
// sheet never calls held what the lists mark red. Broken lines come first;
// a sheet with any says kNotPublishable.

#include "common/Message.h"
#include "division/rules/RuleSet.h"
#include "import/StudentTable.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

class Year;

enum class CheckKind { HeadCounts, Bands, Marks, Record, Together, Fixed, Flags, Mixing };

struct CheckLine {
    CheckKind kind = CheckKind::HeadCounts;
    QString rule;   // 「別クラスの印「A」」: what is checked
    QString detail; // the students and their classes, or the cells that break it
    bool broken = false;
};

// What the sheet names beside the year: where the roster came from and which division this is.
struct CheckSheetSource {
    QString rosterPath;
    QString fingerprint; // rosterFingerprint(rosterPath)
    QString draftName;   // export/PaperHeader.h draftNameOnScreen
    QDateTime made;
};

struct CheckSheet {
    std::vector<CheckLine> lines; // the broken ones first, each part in the order of the rules
    int broken = 0;
    QString verdict;      // kNotPublishable, or kEveryRuleHeld
    QStringList figures;  // the spread of averages (and of the evened score columns)
    QStringList source;   // roster file, fingerprint, draft, date and time
};

inline const QString kCheckSheetTitle = QStringLiteral("クラス分け確認票");
inline const QString kNotPublishable = QStringLiteral("このままでは公表できません");
inline const QString kEveryRuleHeld = QStringLiteral("すべての決まりが守られています");
inline const QString kHeld = QStringLiteral("守られている");
inline const QString kBroken = QStringLiteral("破れている");
inline const QString kSignatureCaption = QStringLiteral("学年主任");
inline const QString kNoDrawForCheckSheetMessage =
    QStringLiteral("まだクラス分けをしていません。「分布表表示」を押してから、確認票を開いて下さい。");

// The sheet of the year's classes on screen.
CheckSheet checkSheet(const Year& year, const CheckSheetSource& source);

// The roster file's bytes summed up (SHA-256, its first 16 hex digits in
// groups of four), so that a signed sheet names exactly the file it checked;
// 「（読めません）」 when the file cannot be read.
QString rosterFingerprint(const QString& path);

// An entry of the school's record whose students share a class.
struct RecordBreak {
    int entry = 0;       // index into the rules' recordEntries
    int classNumber = 0;
    std::vector<int> rows; // the entry's students in that class, ascending
    bool operator==(const RecordBreak&) const = default;
};
std::vector<RecordBreak> recordBreaks(const RuleSet& rules, const std::vector<int16_t>& classes);

// What is to be done with the classes while a record entry is broken.
enum class RecordUse { SaveResult, PrintPostedLists };
// Asked before the result is saved or the posted lists printed while an
// entry of the record is broken, naming the students; nullopt when none is.
std::optional<Message> recordBreakQuestion(const Students& students, const RuleSet& rules,
                                           const std::vector<int16_t>& classes, RecordUse use);

} // namespace classdiv
