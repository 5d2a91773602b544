#include "export/PaperHeader.h"

#include "division/drafts/Drafts.h"
#include "division/Year.h"

#include <algorithm>

namespace classdiv {

QString copyText(int copy, int copies)
{
    return QStringLiteral("%1部のうち第%2部").arg(copies).arg(copy);
}

std::vector<PageHeader> pageHeaders(const PaperCopies& copies, int pagesPerCopy)
{
    const QString draft = QStringLiteral("案：") +
                          (copies.draftName.trimmed().isEmpty() ? QStringLiteral("（名前なし）") : copies.draftName.trimmed());
    const QString printed = QStringLiteral("印刷 ") + copies.printed.toString(QStringLiteral("yyyy年M月d日 HH:mm"));
    const int count = std::clamp(copies.copies, 1, kMaxCopies);
    std::vector<PageHeader> headers;
    for (int k = 1; k <= count; ++k)
        for (int p = 1; p <= pagesPerCopy; ++p)
            headers.push_back({draft, printed, copyText(k, count), QStringLiteral("%1 / %2 ページ").arg(p).arg(pagesPerCopy),
                               k, p});
    return headers;
}

QString draftNameOnScreen(const DraftBook& drafts, const Year& year)
{
    if (year.hasDraw()) {
        const std::vector<Draft>& kept = drafts.drafts();
        for (auto d = kept.rbegin(); d != kept.rend(); ++d)
            if (d->classes == year.classes())
                return d->name;
    }
    return QStringLiteral("作業中");
}

} // namespace classdiv
