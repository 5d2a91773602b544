#include "export/PaperColumns.h"

#include <algorithm>

namespace classdiv {

namespace {

// The four items of a student, by kind.
QString itemOf(const Students& students, PaperColumnKind kind, int row)
{
    if (row == 0) {
        const StudentRecord& names = students.itemNames;
        return kind == PaperColumnKind::Identifier ? names.studentId
               : kind == PaperColumnKind::Name     ? names.name
               : kind == PaperColumnKind::Group    ? names.group
                                                   : names.score;
    }
    const Student& s = students[row];
    return kind == PaperColumnKind::Identifier ? s.id
           : kind == PaperColumnKind::Name     ? s.name
           : kind == PaperColumnKind::Group    ? s.group
                                               : s.scoreText;
}

const PaperColumnKind kItems[] = {PaperColumnKind::Identifier, PaperColumnKind::Name, PaperColumnKind::Group,
                                  PaperColumnKind::Score};

bool sameCells(const std::vector<QString>& a, const std::vector<QString>& b)
{
    if (a.size() != b.size() || a.size() < 2)
        return false;
    return std::equal(a.begin() + 1, a.end(), b.begin() + 1);
}

// The rules' columns as the year holds them: each with its heading and whether it is a score.
struct RuleColumn {
    QString heading;
    std::vector<QString> cells;
    bool score = false;
    bool mix = false;
};

std::vector<RuleColumn> ruleColumns(const SpreadRules& rules)
{
    std::vector<RuleColumn> found;
    const auto add = [&](const std::vector<QString>& cells, const QString& heading, bool mix = false) {
        if (!cells.empty())
            found.push_back({heading, cells, false, mix});
    };
    add(rules.cells[RuleBox::Marks], QStringLiteral("別クラス印"));
    add(rules.cells[RuleBox::Mix], QStringLiteral("混合"), true);
    add(rules.cells[RuleBox::Together], QStringLiteral("同じクラス"));
    add(rules.cells[RuleBox::Fixed], QStringLiteral("クラス指定"));
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        add(flag.values, flag.name.isEmpty() ? QStringLiteral("印") : flag.name);
    for (const ScoreColumn& score : rules.numbers[RuleBox::Scores]) {
        RuleColumn column{score.name.isEmpty() ? QStringLiteral("点数") : score.name, {}, true, false};
        column.cells.resize(score.values.size());
        for (size_t r = 1; r < score.values.size(); ++r)
            column.cells[r] = score.values[r] ? QString::number(*score.values[r]) : QString();
        found.push_back(std::move(column));
    }
    return found;
}

void note(PaperColumns& columns, const PaperColumn& column, bool mix)
{
    const int at = columns.count();
    if (column.kind == PaperColumnKind::Identifier && columns.identifier < 0)
        columns.identifier = at;
    if (column.kind == PaperColumnKind::Name && columns.name < 0)
        columns.name = at;
    if (column.kind == PaperColumnKind::Group && columns.group < 0)
        columns.group = at;
    if (mix && columns.mix < 0)
        columns.mix = at;
    columns.columns.push_back(column);
}

PaperColumns ownColumns(const Students& students, const SpreadRules& rules)
{
    PaperColumns columns;
    const char16_t* fallback[] = {u"識別番号", u"氏名", u"グループ", u"成績"};
    for (int i = 0; i < 4; ++i) {
        PaperColumn column{itemOf(students, kItems[i], 0), kItems[i], kItems[i] == PaperColumnKind::Score, {QString()}};
        if (column.heading.isEmpty())
            column.heading = QString::fromUtf16(fallback[i]);
        for (int r = 1; r <= students.count(); ++r)
            column.cells.push_back(itemOf(students, kItems[i], r));
        note(columns, column, false);
    }
    for (const RuleColumn& rule : ruleColumns(rules)) {
        std::vector<QString> cells = rule.cells;
        cells.resize(static_cast<size_t>(students.count()) + 1);
        note(columns, {rule.heading, rule.score ? PaperColumnKind::Other : PaperColumnKind::Rule, rule.score, cells},
             rule.mix);
    }
    return columns;
}

} // namespace

QString PaperColumns::cell(int column, int row) const
{
    if (column < 0 || column >= count())
        return QString();
    const std::vector<QString>& cells = columns[static_cast<size_t>(column)].cells;
    return row >= 1 && row < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(row)] : QString();
}

QStringList PaperColumns::headings() const
{
    QStringList list;
    for (const PaperColumn& c : columns)
        list << c.heading;
    return list;
}

PaperColumns paperColumns(const Students& students, const SpreadRules& rules)
{
    return paperColumns(students, rules, readCurrentCsv(students));
}

PaperColumns paperColumns(const Students& students, const SpreadRules& rules, const CurrentCsv& csv)
{
    if (csv.message || csv.rows.empty()) {
        PaperColumns own = ownColumns(students, rules);
        own.message = Message{kOwnColumnsMessage, QString()};
        return own;
    }
    const std::vector<RuleColumn> rulesHeld = ruleColumns(rules);
    PaperColumns columns;
    std::vector<bool> itemTaken(4, false);
    for (int16_t c = 1; c <= csv.columnCount; ++c) {
        PaperColumn column{csv.rows[0][c - 1], PaperColumnKind::Other, false, columnOf(csv, c)};
        // The first column that holds an item is that item; a copy of it elsewhere is an ordinary column.
        for (int i = 0; i < 4 && column.kind == PaperColumnKind::Other; ++i) {
            bool same = !itemTaken[static_cast<size_t>(i)];
            bool any = false;
            for (int r = 1; r <= students.count() && same; ++r) {
                same = column.cells[static_cast<size_t>(r)] == itemOf(students, kItems[i], r);
                any = any || !column.cells[static_cast<size_t>(r)].isEmpty();
            }
            if (same && any) {
                itemTaken[static_cast<size_t>(i)] = true;
                column.kind = kItems[i];
                column.score = kItems[i] == PaperColumnKind::Score;
            }
        }
        bool mix = false;
        if (column.kind == PaperColumnKind::Other)
            for (const RuleColumn& rule : rulesHeld)
                if (rule.score ? rule.heading == column.heading : sameCells(rule.cells, column.cells)) {
                    column.kind = rule.score ? PaperColumnKind::Other : PaperColumnKind::Rule;
                    column.score = rule.score;
                    mix = mix || rule.mix;
                }
        if (column.heading.isEmpty())
            column.heading = QStringLiteral("%1列目").arg(c);
        note(columns, column, mix);
    }
    return columns;
}

std::vector<int> defaultCardColumns(const PaperColumns& columns)
{
    std::vector<int> chosen;
    for (int c = 0; c < columns.count(); ++c) {
        const PaperColumnKind kind = columns.columns[static_cast<size_t>(c)].kind;
        if (kind == PaperColumnKind::Identifier || kind == PaperColumnKind::Name || kind == PaperColumnKind::Group ||
            kind == PaperColumnKind::Rule)
            chosen.push_back(c);
    }
    return chosen;
}

std::vector<int> defaultSheetColumns(const PaperColumns& columns)
{
    std::vector<int> chosen;
    for (int c = 0; c < columns.count(); ++c) {
        const PaperColumnKind kind = columns.columns[static_cast<size_t>(c)].kind;
        if (kind == PaperColumnKind::Name || kind == PaperColumnKind::Group || kind == PaperColumnKind::Score ||
            kind == PaperColumnKind::Rule || (kind == PaperColumnKind::Identifier && columns.name < 0))
            chosen.push_back(c);
    }
    return chosen;
}

bool alwaysOnCard(const PaperColumns& columns, int column)
{
    return column >= 0 && (column == columns.identifier || column == columns.name);
}

} // namespace classdiv
