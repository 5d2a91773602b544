#pragma once
// The header every page of a confidential paper carries (the meeting sheets,
// the student cards): 「機密」 and 「会議後回収」, the draft's name, when it
// was printed, which copy of how many, and the page of that copy. Copies are
// printed one after another into one file, each numbered on its own, so that
// a copy that does not come back is noticed.

#include <QDateTime>
#include <QString>

#include <vector>

namespace classdiv {

class DraftBook;
class Year;

inline const QString kConfidentialMark = QStringLiteral("機密");
inline const QString kCollectMark = QStringLiteral("会議後回収");
inline constexpr int kMaxCopies = 99;

struct PaperCopies {
    QString draftName;
    QDateTime printed;
    int copies = 1;
};

struct PageHeader {
    QString draft;   // "案：案2"
    QString printed; // "印刷 2026年12月8日 22:30"
    QString copy;    // "3部のうち第2部"
    QString page;    // "2 / 5 ページ"
    int copyNumber = 1;
    int pageNumber = 1;
};

// "n部のうち第k部"
QString copyText(int copy, int copies);

// The headers of every page in print order: copy 1's pages 1 .. pagesPerCopy, then copy 2's, ...
std::vector<PageHeader> pageHeaders(const PaperCopies& copies, int pagesPerCopy);

// The name the papers give the classes on screen: the kept draft they are
// (the latest such), else 「作業中」.
QString draftNameOnScreen(const DraftBook& drafts, const Year& year);

} // namespace classdiv
