#include "conditions/FittingCounts.h"

#include <QStringList>

#include <algorithm>

namespace classdiv {

GroupCondition fittedCondition(const GroupCondition& condition, int groupSize)
{
    GroupCondition fitted = condition;
    const int rows = std::min<int>(condition.classCount, kMaxPlanRows);
    if (rows < 1)
        return fitted;
    int sum = 0;
    for (int k = 1; k <= rows; ++k)
        sum += fitted.rows[size_t(k)].headCount;
    // One student at a time: to the smallest class (the first of equals), or
    // from the largest (the last of equals), so that the classes stay even.
    while (sum != groupSize) {
        const bool more = sum < groupSize;
        int pick = 0;
        for (int k = 1; k <= rows; ++k) {
            const int count = fitted.rows[size_t(k)].headCount;
            if (!more && count <= 1)
                continue;
            const int best = pick == 0 ? 0 : fitted.rows[size_t(pick)].headCount;
            if (pick == 0 || (more ? count < best : count >= best))
                pick = k;
        }
        if (pick == 0)
            return condition; // every class is down to one student
        fitted.rows[size_t(pick)].headCount = int16_t(fitted.rows[size_t(pick)].headCount + (more ? 1 : -1));
        sum += more ? 1 : -1;
    }
    return fitted;
}

std::vector<FittingCounts> fittingHeadCounts(const ConditionsWorkspace& ws)
{
    std::vector<FittingCounts> fits;
    for (int g = 1; g <= ws.groupCount() && g < int(ws.conditions.size()); ++g) {
        const GroupCondition& c = ws.conditions[size_t(g)];
        if (c.classCount < 1)
            continue; // nothing entered for the group yet
        const GroupCondition fitted = fittedCondition(c, ws.groupSize[size_t(g)]);
        int sum = 0;
        for (int k = 1; k <= c.classCount && k <= kMaxPlanRows; ++k)
            sum += c.rows[size_t(k)].headCount;
        if (sum != ws.groupSize[size_t(g)])
            fits.push_back({g, c, fitted});
    }
    return fits;
}

QString fittingCountsQuestion(const ConditionsWorkspace& ws, const std::vector<FittingCounts>& fits)
{
    QStringList lines;
    for (const FittingCounts& fit : fits) {
        QStringList classes;
        for (int k = 1; k <= fit.before.classCount && k <= kMaxPlanRows; ++k) {
            const ClassPlanRow& was = fit.before.rows[size_t(k)];
            const ClassPlanRow& is = fit.offered.rows[size_t(k)];
            classes << (was.headCount == is.headCount
                            ? QStringLiteral("%1組 %2人").arg(was.classNumber).arg(was.headCount)
                            : QStringLiteral("%1組 %2→%3人").arg(was.classNumber).arg(was.headCount).arg(is.headCount));
        }
        lines << QStringLiteral("「%1」（今は%2人）: %3")
                     .arg(ws.groupName[size_t(fit.group)])
                     .arg(ws.groupSize[size_t(fit.group)])
                     .arg(classes.join(QStringLiteral("、")));
    }
    return QStringLiteral("名簿の人数が変わったため、次のグループの振り分け人数の合計が今の人数と合いません。\n"
                          "いちばん近い人数（足りない・多いクラスを１人ずつ直し、ほかはそのまま）は次のとおりです。\n\n%1\n\n"
                          "この人数にして条件ファイルに保存しますか？\n"
                          "「いいえ」なら何も変えません（条件入力でグループを選んで直せます）。")
        .arg(lines.join(u'\n'));
}

} // namespace classdiv
