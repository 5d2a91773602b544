#include "division/EveningRun.h"

#include "search/RuleAssignment.h"
#include "search/Search.h"
#include "division/rules/RuleChecks.h"
#include "division/rules/RuleKind.h"

#include <QStringList>

#include <algorithm>
#include <map>

namespace classdiv {

namespace {

const QString kNothingToEvenMessage = QStringLiteral(
    "どのグループも1つのクラスだけに振り分ける条件なので、入れ替えられる生徒がいません。"
    "平均点はこれ以上そろえられません。");
const QString kNoOtherChoiceMessage = QStringLiteral(
    "今の分け方と同じくらいそろった別の分け方は見つかりませんでした。クラス分けは変わっていません。");

// Marked students who share a class.
std::vector<std::pair<int, QString>> markedTogether(const SearchModel& model, const std::vector<int>& classOf)
{
    const evening::Problem& p = model.problem;
    std::map<std::pair<int, int>, int> marked; // (class, mark) -> students
    for (size_t s = 0; s < p.students.size(); ++s)
        p.forEachMark(static_cast<int>(s), [&](int m) { ++marked[{classOf[s], m}]; });
    std::vector<std::pair<int, QString>> rows;
    for (size_t s = 0; s < p.students.size(); ++s)
        p.forEachMark(static_cast<int>(s), [&](int m) {
            if (marked[{classOf[s], m}] > 1)
                rows.emplace_back(model.row[s], m < model.columnMarks ? QStringLiteral("印「%1」").arg(model.marks[m])
                                                                      : QStringLiteral("離す記録「%1」").arg(model.marks[m]));
        });
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Together sets the search could not gather.
std::vector<std::pair<int, QString>> setsApart(const SearchModel& model, const std::vector<int>& classOf)
{
    const evening::Problem& p = model.problem;
    std::vector<std::pair<int, QString>> apart;
    for (size_t u = 0; u < p.units.size(); ++u) {
        const std::vector<int>& members = p.units[u];
        if (std::all_of(members.begin(), members.end(), [&](int m) { return classOf[m] == classOf[members.front()]; }))
            continue;
        for (int m : members)
            apart.emplace_back(model.row[m], QStringLiteral("同じクラス「%1」").arg(model.units[u]));
    }
    std::sort(apart.begin(), apart.end());
    return apart;
}

// What the search could not meet after all, student by student: marked
// students who share a class, together sets it could not gather, and flag
// values outside their fair share in a class.
std::optional<Message> rulesNotMet(const SearchModel& model, const std::vector<int>& classOf, const Students& students)
{
    const std::vector<std::pair<int, QString>> rows = markedTogether(model, classOf);
    const std::vector<std::pair<int, QString>> apart = setsApart(model, classOf);
    QString text;
    if (!rows.empty())
        text += QStringLiteral("同じ印の生徒を別々のクラスにできませんでした。"
                               "グループの振り分け先のクラスが足りません。\n") + studentLines(students, rows);
    if (!apart.empty())
        text += QString(text.isEmpty() ? "" : "\n\n") +
                QStringLiteral("同じクラスにする生徒を、そろって入れられるクラスがありませんでした。\n") +
                studentLines(students, apart);
    const std::array<long, evening::kFlagColumns> outside = evening::flagsOutside(model.problem, classOf);
    if (std::any_of(outside.begin(), outside.end(), [](long n) { return n > 0; }))
        text += QString(text.isEmpty() ? "" : "\n\n") +
                QStringLiteral("均等に散らす列の印を、どのクラスにも目安どおりには分けられませんでした。");
    if (text.isEmpty())
        return std::nullopt;
    return Message{text, QString()};
}

} // namespace

std::optional<Message> checkRulesTogether(const SearchModel& model, const Students& students, const RuleSet& rules)
{
    const evening::Assignment assignment = evening::assignRuleStudents(model.problem, {});
    if (assignment.found || !assignment.complete)
        return std::nullopt;
    std::vector<std::pair<int, QString>> bound;
    for (const int row : model.row) {
        QStringList said;
        for (const RuleKindUnit* kind : ruleKindUnits())
            said << kind->rulesOf(rules, row);
        if (!said.isEmpty())
            bound.emplace_back(row, said.join(u'、'));
    }
    std::sort(bound.begin(), bound.end());
    return Message{QStringLiteral("クラス分けの決まりは一つずつなら守れますが、全部をいっしょに守れる分け方がありません"
                                  "（クラスの人数が足りません）。クラス分けは変えていません。\n"
                                  "次の生徒の決まりを見直して下さい。\n") + studentLines(students, bound),
                   titles::inputMistake};
}

EvenResult evenClasses(const SearchModel& model, const Students& students, std::vector<int16_t>& classes, uint64_t seed)
{
    const bool movable = std::any_of(model.problem.groups.begin(), model.problem.groups.end(),
                                     [](const evening::Group& g) { return g.classes.size() > 1; });
    if (!movable)
        return {Message{kNothingToEvenMessage, QString()}, false};

    std::vector<int> classOf = presentClasses(model, classes);
    const std::vector<int> start = classOf;
    evening::evenOut(model.problem, classOf, seed);
    for (size_t s = 0; s < classOf.size(); ++s)
        classes[model.row[s]] = static_cast<int16_t>(model.classNumber[classOf[s]]);
    std::optional<Message> notMet = rulesNotMet(model, classOf, students);
    if (!notMet && classOf == start)
        notMet = Message{kNoOtherChoiceMessage, QString()};
    return {std::move(notMet), true};
}

} // namespace classdiv
