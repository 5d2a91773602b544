#include "division/FewestMovesYear.h"

#include "division/EvenAverages.h"
#include "search/FewestMoves.h"
#include "division/rules/RuleChecks.h"

#include <algorithm>

namespace classdiv {

namespace {

QString ruleName(evening::MendBreak broken)
{
    switch (broken) {
    case evening::MendBreak::Fixed:
        return QStringLiteral("クラスの指定");
    case evening::MendBreak::Apart:
        return QStringLiteral("別のクラスにする印");
    case evening::MendBreak::Together:
        return QStringLiteral("同じクラスにする印");
    case evening::MendBreak::HeadCount:
        return QStringLiteral("振り分け人数");
    case evening::MendBreak::Limit:
        return QStringLiteral("動かす人数の上限");
    case evening::MendBreak::None:
        break;
    }
    return {};
}

Message breakMessage(const Year& year, const SearchModel& model, const evening::Mend& mend, const MoveOptions& options)
{
    const QString rule = ruleName(mend.broken);
    std::vector<std::pair<int, QString>> rows;
    for (int s : mend.students)
        rows.emplace_back(model.row[static_cast<size_t>(s)], rule);
    std::sort(rows.begin(), rows.end());
    QString text;
    if (mend.broken == evening::MendBreak::Limit)
        text = QStringLiteral("動かす人数の上限（%1人）の中では直せません。決まりを守るには、次の%2人を動かします。")
                   .arg(options.largestMoves)
                   .arg(mend.moves);
    else if (options.lockedClasses.empty())
        text = QStringLiteral("決まり「%1」を守るクラス分けが見つかりません。次の生徒を確かめて下さい。").arg(rule);
    else
        text = QStringLiteral("動かさないクラスの生徒をそのままにすると、決まり「%1」を守れません。次の生徒を確かめて下さい。").arg(rule);
    return Message{text + QStringLiteral("\nクラス分けは変わりません。\n") + studentLines(year.students(), rows), titles::error};
}

} // namespace

QString classText(int classNumber)
{
    return classNumber == kUnplacedClass ? QStringLiteral("未配置") : QStringLiteral("%1組").arg(classNumber);
}

std::vector<MovedStudent> studentsMoved(const std::vector<int16_t>& before, const std::vector<int16_t>& after)
{
    std::vector<MovedStudent> moved;
    for (size_t row = 1; row < after.size(); ++row) {
        const int from = row < before.size() ? before[row] : kUnplacedClass;
        if (from != after[row])
            moved.push_back({static_cast<int>(row), from, after[row]});
    }
    return moved;
}

FewestMovesOutcome findFewestMoves(const Year& year, const MoveOptions& options, uint64_t seed)
{
    FewestMovesOutcome out;
    if (!year.hasDraw()) {
        out.refusal = Message{kNothingToMendMessage, QString()};
        return out;
    }
    const Students& students = year.students();
    if ((out.refusal = checkPress(year.workspace(), students)) || (out.refusal = checkRules(year.workspace(), students, year.rules())) ||
        (out.refusal = checkRulesTogether(year)))
        return out;

    const SearchModel& model = year.searchModel();
    const std::vector<int> start = presentClasses(model, year.classes());
    std::vector<char> placed(model.row.size());
    for (size_t s = 0; s < placed.size(); ++s)
        placed[s] = year.classOf(model.row[s]) != kUnplacedClass;
    evening::MoveLimits limits;
    limits.largestMoves = options.largestMoves;
    limits.locked.assign(model.classNumber.size(), 0);
    for (size_t c = 0; c < model.classNumber.size(); ++c)
        limits.locked[c] = std::find(options.lockedClasses.begin(), options.lockedClasses.end(), model.classNumber[c]) !=
                           options.lockedClasses.end();

    const evening::Mend mend = evening::fewestMoves(model.problem, start, placed, limits, seed);
    if (mend.broken != evening::MendBreak::None) {
        out.refusal = breakMessage(year, model, mend, options);
        return out;
    }
    out.classes = year.classes();
    for (size_t s = 0; s < mend.classOf.size(); ++s)
        out.classes[static_cast<size_t>(model.row[s])] = static_cast<int16_t>(model.classNumber[static_cast<size_t>(mend.classOf[s])]);
    out.students = studentsMoved(year.classes(), out.classes);
    out.moves = mend.moves;
    out.spread = averageSpread(year, out.classes);
    return out;
}

double scratchSpread(const Year& year, const std::vector<int16_t>& classes, uint64_t seed)
{
    std::vector<int16_t> evened = classes;
    evenClasses(year, evened, seed);
    return averageSpread(year, evened);
}

} // namespace classdiv
