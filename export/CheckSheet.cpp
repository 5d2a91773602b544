#include "export/CheckSheet.h"

#include "division/DivisionFigures.h"
#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSwaps.h"
#include "division/lists/FlagSplits.h"
#include "division/rules/RuleKind.h"
#include "division/Year.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>

namespace classdiv {

namespace {

QString nameOf(const Students& students, int row)
{
    const Student& s = students[row];
    return s.name.isEmpty() ? s.id : s.name;
}

QString names(const Students& students, const std::vector<int>& rows)
{
    QStringList list;
    for (const int r : rows)
        list << nameOf(students, r);
    return list.join(u'・');
}

// 「山田 １組・佐藤 ３組」: where each of the students sits.
QString placed(const Students& students, const std::vector<int16_t>& classes, const std::vector<int>& rows)
{
    QStringList list;
    for (const int r : rows)
        list << nameOf(students, r) + u' ' + classLabel(classAt(classes, r));
    return list.join(u'・');
}

QString share(double value)
{
    return QString::number(value, 'f', 1);
}

// The planned head count of every group in every class against the classes.
void headCountLines(const Year& year, const std::vector<int16_t>& classes, std::vector<CheckLine>& lines)
{
    const ConditionsWorkspace& ws = year.workspace();
    // Groups are numbered 1 .. groupCount(); only what the tables hold is read.
    const int groups = std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudents.size())) - 1);
    for (int g = 1; g <= groups; ++g) {
        std::map<int, int> counted; // class -> the group's students in it
        for (size_t w = 1; w < ws.groupStudents[static_cast<size_t>(g)].size(); ++w)
            ++counted[classAt(classes, ws.groupStudents[static_cast<size_t>(g)][w])];
        const GroupCondition& plan = ws.conditions[static_cast<size_t>(g)];
        std::map<int, int> planned;
        for (int k = 1; k <= plan.classCount && k <= kMaxPlanRows; ++k)
            planned[plan.rows[static_cast<size_t>(k)].classNumber] += plan.rows[static_cast<size_t>(k)].headCount;
        QStringList off;
        for (const auto& [c, heads] : planned)
            if (counted[c] != heads)
                off << QStringLiteral("%1 %2人（条件 %3人）").arg(classLabel(c)).arg(counted[c]).arg(heads);
        for (const auto& [c, count] : counted)
            if (count > 0 && !planned.count(c))
                off << (c == 0 ? QStringLiteral("クラスなし %1人").arg(count)
                               : QStringLiteral("%1 %2人（条件 0人）").arg(classLabel(c)).arg(count));
        const QString rule = QStringLiteral("人数「%1」").arg(ws.groupName[static_cast<size_t>(g)]);
        lines.push_back({CheckKind::HeadCounts, rule,
                         off.isEmpty() ? QStringLiteral("%1クラスとも条件の人数").arg(planned.size()) : off.join(u'・'),
                         !off.isEmpty()});
    }
}

void bandLines(const Year& year, const std::vector<int16_t>& classes, const RuleBreaks& breaks,
               std::vector<CheckLine>& lines)
{
    const QString rule = QStringLiteral("成績の層の人数");
    for (const BandBreak& b : breaks.bands) {
        const QString fair = b.low == b.high ? QString::number(b.low) : QStringLiteral("%1〜%2").arg(b.low).arg(b.high);
        lines.push_back({CheckKind::Bands, rule,
                         QStringLiteral("%1「%2」%3 %4人（目安 %5人）")
                             .arg(classLabel(b.classNumber), b.group, stratumText(b.band, year.bands()))
                             .arg(b.count)
                             .arg(fair),
                         true});
    }
    if (breaks.bands.empty())
        lines.push_back({CheckKind::Bands, rule,
                         QStringLiteral("%1か所とも目安の範囲").arg(bandCells(year.students(), classes, year.bands()).size()),
                         false});
}

void markLines(const Students& students, const RuleSet& rules, const std::vector<int16_t>& classes,
               const RuleBreaks& breaks, std::vector<CheckLine>& lines)
{
    const std::vector<std::vector<int>> sets = rules.column(RuleBox::Marks).sets();
    for (size_t v = 0; v < sets.size(); ++v) {
        const QString& mark = rules.column(RuleBox::Marks).values[v];
        QStringList together;
        for (const MarkBreak& m : breaks.marks)
            if (m.mark == mark)
                together << QStringLiteral("%1に %2").arg(classLabel(m.classNumber), names(students, m.rows));
        lines.push_back({CheckKind::Marks, QStringLiteral("別クラスの印「%1」").arg(mark),
                         together.isEmpty() ? placed(students, classes, sets[v]) : together.join(u'・'), !together.isEmpty()});
    }
}

void recordLines(const Students& students, const RuleSet& rules, const std::vector<int16_t>& classes,
                 std::vector<CheckLine>& lines)
{
    const std::vector<RecordBreak> breaks = recordBreaks(rules, classes);
    for (size_t e = 0; e < rules.recordEntries.size(); ++e) {
        const ApartEntry& entry = rules.recordEntries[e];
        QStringList together;
        for (const RecordBreak& b : breaks)
            if (b.entry == static_cast<int>(e))
                together << QStringLiteral("%1に %2").arg(classLabel(b.classNumber), names(students, b.rows));
        std::vector<int> rows;
        for (const int r : entry.rows)
            if (r >= 1 && r <= students.count())
                rows.push_back(r);
        lines.push_back({CheckKind::Record, QStringLiteral("離す記録「%1」").arg(entry.label),
                         together.isEmpty() ? placed(students, classes, rows) : together.join(u'・'), !together.isEmpty()});
    }
}

void togetherAndFixedLines(const Students& students, const RuleSet& rules, const std::vector<int16_t>& classes,
                           const RuleBreaks& breaks, std::vector<CheckLine>& lines)
{
    const std::vector<std::vector<int>> sets = rules.column(RuleBox::Together).sets();
    for (size_t v = 0; v < sets.size(); ++v) {
        const QString& value = rules.column(RuleBox::Together).values[v];
        const bool broken = std::any_of(breaks.together.begin(), breaks.together.end(),
                                        [&](const TogetherBreak& t) { return t.value == value; });
        lines.push_back({CheckKind::Together, QStringLiteral("同じクラスの印「%1」").arg(value),
                         broken ? placed(students, classes, sets[v])
                                : QStringLiteral("%1 %2").arg(names(students, sets[v]), classLabel(classAt(classes, sets[v].front()))),
                         broken});
    }
    for (int r = 1; r <= students.count(); ++r) {
        const std::optional<int> fixed = rules.fixedClassAt(r);
        if (!fixed)
            continue;
        const bool broken = std::any_of(breaks.fixed.begin(), breaks.fixed.end(), [&](const FixedBreak& f) { return f.row == r; });
        const QString wanted = *fixed == kUnreadableClass
                                   ? QStringLiteral("「%1」（クラスの番号として読めません）").arg(ruleText(rules.cells[RuleBox::Fixed], r))
                                   : classLabel(*fixed);
        lines.push_back({CheckKind::Fixed, QStringLiteral("クラス指定 %1").arg(nameOf(students, r)),
                         QStringLiteral("%1の指定、いま %2").arg(wanted, classLabel(classAt(classes, r))), broken});
    }
}

void flagLines(const RuleSet& rules, const std::vector<FlagSplit>& splits, const RuleBreaks& breaks,
               std::vector<CheckLine>& lines)
{
    for (size_t k = 0; k < splits.size() && k < rules.columns[RuleBox::Flags].size(); ++k) {
        QStringList off;
        for (const FlagBreak& f : breaks.flags)
            if (f.column == static_cast<int>(k))
                off << QStringLiteral("%1「%2」%3人（目安 %4人）").arg(classLabel(f.classNumber), f.text).arg(f.count).arg(share(f.share));
        QString detail = QStringLiteral("いちばん大きいずれ %1").arg(QString::number(splits[k].largest, 'f', 2));
        if (!off.isEmpty())
            detail = off.join(u'・') + QStringLiteral("　") + detail;
        else if (!splits[k].closest.isEmpty())
            detail += QStringLiteral("　") + splits[k].closest;
        lines.push_back({CheckKind::Flags, QStringLiteral("均等に散らす列「%1」").arg(rules.columns[RuleBox::Flags][k].name), detail, !off.isEmpty()});
    }
}

void mixingLine(const RuleSet& rules, const std::vector<int16_t>& classes, double deviation,
                std::vector<CheckLine>& lines)
{
    const FairShares fair = fairShares(rules, rules.column(RuleBox::Mix));
    const std::vector<int> count = shareCounts(rules, rules.column(RuleBox::Mix), fair, classes);
    QStringList off;
    for (size_t c = 0; c < fair.classes.size(); ++c)
        for (int v = 0; v < fair.values; ++v) {
            const size_t i = c * static_cast<size_t>(fair.values) + static_cast<size_t>(v);
            if (!withinShare(count[i], fair.share[i]))
                off << QStringLiteral("%1「%2」%3人（目安 %4人）")
                           .arg(classLabel(fair.classes[c]), rules.column(RuleBox::Mix).values[static_cast<size_t>(v)])
                           .arg(count[i])
                           .arg(share(fair.share[i]));
        }
    QString detail = QStringLiteral("いちばん大きいずれ %1").arg(QString::number(deviation, 'f', 2));
    if (!off.isEmpty())
        detail = off.join(u'・') + QStringLiteral("　") + detail;
    lines.push_back({CheckKind::Mixing, QStringLiteral("均等に混ぜる列"), detail, !off.isEmpty()});
}

} // namespace

std::vector<RecordBreak> recordBreaks(const RuleSet& rules, const std::vector<int16_t>& classes)
{
    RuleBreaks found;
    ruleKindUnit(RuleKind::Record).findBreaks(rules, classes, static_cast<int>(classes.size()) - 1, found);
    std::vector<RecordBreak> breaks;
    for (const MarkBreak& m : found.marks)
        breaks.push_back({m.value, m.classNumber, m.rows});
    return breaks;
}

std::optional<Message> recordBreakQuestion(const Students& students, const RuleSet& rules,
                                           const std::vector<int16_t>& classes, RecordUse use)
{
    const std::vector<RecordBreak> breaks = recordBreaks(rules, classes);
    if (breaks.empty())
        return std::nullopt;
    QStringList lines;
    for (const RecordBreak& b : breaks)
        lines << QStringLiteral("・%1に %2（%3）")
                     .arg(classLabel(b.classNumber), names(students, b.rows), rules.recordEntries[static_cast<size_t>(b.entry)].label);
    const QString doing = use == RecordUse::SaveResult ? QStringLiteral("保存") : QStringLiteral("印刷");
    return Message{QStringLiteral("離す記録で別のクラスにするはずの生徒が、同じクラスにいます。\n%1\n"
                                  "このまま%2しますか？")
                       .arg(lines.join(u'\n'), doing),
                   QString()};
}

QString rosterFingerprint(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("（読めません）");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QStringLiteral("（読めません）");
    const QString hex = QString::fromLatin1(hash.result().toHex().left(16));
    QStringList groups;
    for (int i = 0; i < hex.size(); i += 4)
        groups << hex.mid(i, 4);
    return QStringLiteral("SHA-256 ") + groups.join(u' ');
}

CheckSheet checkSheet(const Year& year, const CheckSheetSource& source)
{
    const Students& students = year.students();
    const RuleSet& rules = year.rules();
    const std::vector<int16_t>& classes = year.classes();
    const RuleBreaks breaks = findRuleBreaks(students, classes, year.bands(), rules);
    const DivisionFigures figures = divisionFigures(year, SpreadOfAverages::Counted);

    CheckSheet sheet;
    headCountLines(year, classes, sheet.lines);
    bandLines(year, classes, breaks, sheet.lines);
    markLines(students, rules, classes, breaks, sheet.lines);
    recordLines(students, rules, classes, sheet.lines);
    togetherAndFixedLines(students, rules, classes, breaks, sheet.lines);
    flagLines(rules, figures.flags, breaks, sheet.lines);
    if (figures.mixingDeviation)
        mixingLine(rules, classes, *figures.mixingDeviation, sheet.lines);
    std::stable_partition(sheet.lines.begin(), sheet.lines.end(), [](const CheckLine& l) { return l.broken; });
    sheet.broken = static_cast<int>(std::count_if(sheet.lines.begin(), sheet.lines.end(), [](const CheckLine& l) { return l.broken; }));
    sheet.verdict = sheet.broken > 0 ? kNotPublishable : kEveryRuleHeld;

    sheet.figures << QStringLiteral("平均点の開き（つながったクラスの平均点の最大と最小の差）: %1点")
                         .arg(QString::number(figures.averageSpread.value_or(0), 'f', 2));
    if (figures.scoreSpreads)
        sheet.figures << QStringLiteral("ほかにそろえる点数の列の平均の最大差（標準偏差を1として）: %1")
                             .arg(QString::number(figures.scoreSpreads->largest, 'f', 3));
    sheet.source << QStringLiteral("名簿ファイル: %1").arg(QDir::toNativeSeparators(source.rosterPath))
                 << QStringLiteral("ファイルの指紋: %1").arg(source.fingerprint)
                 << QStringLiteral("案: %1").arg(source.draftName)
                 << QStringLiteral("作成: %1").arg(source.made.toString(QStringLiteral("yyyy年M月d日 HH:mm")));
    return sheet;
}

} // namespace classdiv
