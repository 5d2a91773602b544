#include "division/drafts/Drafts.h"

#include "common/TextFile.h"
#include "conditions/GroupTable.h"
#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSwaps.h"
#include "division/EvenAverages.h"
#include "division/evening/FairShares.h"
#include "division/draw/RandomSource.h"
#include "division/Year.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>

namespace classdiv {

namespace {

const QString kWorkingName = QStringLiteral("作業中");

// The largest |count - fair share| of a score band of a group in a class.
double bandDeviation(const Students& students, const ScoreBands& bands, const std::vector<int16_t>& classes)
{
    struct Counts {
        int size = 0;
        std::array<int, 7> inBand{};
        std::map<int, std::array<int, 7>> perClass; // [0] the head count, [1 .. 6] the bands
    };
    std::map<QString, Counts> groups;
    const int n = std::min(students.count(), static_cast<int>(classes.size()) - 1);
    for (int r = 1; r <= n; ++r) {
        Counts& g = groups[students[r].group];
        const int band = bandOfScore(students[r].score, bands);
        ++g.size;
        ++g.inBand[band];
        std::array<int, 7>& c = g.perClass[classes[r]];
        ++c[0];
        ++c[band];
    }
    double deviation = 0;
    for (const auto& [name, g] : groups)
        for (const auto& [number, c] : g.perClass)
            for (int b = 1; b <= 6; ++b)
                deviation = std::max(deviation, std::abs(c[b] - evening::fairBandRange(c[0], g.inBand[b], g.size).share));
    return deviation;
}

int breakCount(const RuleBreaks& breaks)
{
    return static_cast<int>(breaks.bands.size() + breaks.marks.size() + breaks.fixed.size() +
                            breaks.together.size() + breaks.flags.size());
}

QDateTime toSecond(const QDateTime& time)
{
    QDateTime whole = time;
    whole.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
    return whole;
}

} // namespace

int movedStudents(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    int moved = 0;
    for (size_t r = 1; r < std::max(a.size(), b.size()); ++r)
        moved += (r < a.size() ? a[r] : 0) != (r < b.size() ? b[r] : 0);
    return moved;
}

std::optional<uint32_t> drawNumberFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 9)
        return std::nullopt;
    uint32_t number = 0;
    for (const QChar c : trimmed) {
        const int digit = c >= u'0' && c <= u'9' ? c.unicode() - '0'
                          : c >= QChar(0xFF10) && c <= QChar(0xFF19) ? c.unicode() - 0xFF10
                                                                     : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(digit);
    }
    if (number < 1 || number > kLargestDrawNumber)
        return std::nullopt;
    return number;
}

DraftFigures draftFigures(const Year& year, const Draft& draft)
{
    DraftFigures figures;
    figures.spread = averageSpread(year, draft.classes);
    figures.bandDeviation = bandDeviation(year.students(), year.bands(), draft.classes);
    if (!year.rules().mixValues.empty())
        figures.mixingDeviation = mixingDeviation(year, draft.classes);
    if (!year.rules().flags.empty())
        figures.flagDeviation = flagDeviation(year, draft.classes);
    if (!year.rules().scores.empty())
        figures.scoreSpread = scoreColumnSpreads(year, draft.classes).largest;
    figures.rulesBroken = breakCount(findRuleBreaks(year.students(), draft.classes, year.bands(), year.rules()));
    figures.swaps = static_cast<int>(draft.swaps.size());
    figures.moved = year.hasDraw() ? movedStudents(draft.classes, year.classes()) : 0;
    return figures;
}

DraftComparison compareDrafts(const Year& year, const Draft& a, const Draft& b)
{
    const Students& students = year.students();
    DraftComparison comparison;
    comparison.names = {a.name, b.name};
    std::array<DistributionTable, 2> tables;
    fillDistributionTable(students, year.bands(), a.classes, tables[0]);
    fillDistributionTable(students, year.bands(), b.classes, tables[1]);
    comparison.yearAverage = tables[0].overallAverage;
    for (int s = 1; s <= 6; ++s)
        comparison.bandLabels[s] = stratumText(s, year.bands());

    // Every value of every flag column, in order of first appearance.
    const SpreadRules& rules = year.rules();
    std::vector<std::pair<size_t, QString>> flagKeys;
    std::map<std::pair<size_t, QString>, int> flagIndex;
    for (size_t k = 0; k < rules.flags.size(); ++k)
        for (int r = 1; r <= students.count(); ++r)
            if (const QString v = ruleText(rules.flags[k].values, r); !v.isEmpty() && !flagIndex.count({k, v})) {
                flagIndex[{k, v}] = static_cast<int>(flagKeys.size());
                flagKeys.emplace_back(k, v);
                comparison.flagValues << rules.flags[k].name + QStringLiteral("「") + v + QStringLiteral("」");
            }

    const std::array<const Draft*, 2> drafts{&a, &b};
    for (int c = 1; c <= 10; ++c) {
        if (tables[0].classHeadCount[c] == 0 && tables[1].classHeadCount[c] == 0)
            continue;
        DraftComparison::ClassFigures figures;
        figures.classNumber = c;
        for (int d = 0; d < 2; ++d) {
            figures.headCount[d] = tables[d].classHeadCount[c];
            figures.average[d] = tables[d].classAverage[c];
            figures.difference[d] = tables[d].classAverageDifference[c];
            for (int s = 1; s <= 6; ++s)
                figures.bands[d][s] = tables[d].stratumCounts[c][s];
            figures.flags[d].assign(flagKeys.size(), 0);
        }
        comparison.classes.push_back(std::move(figures));
    }
    std::map<int, size_t> position;
    for (size_t i = 0; i < comparison.classes.size(); ++i)
        position[comparison.classes[i].classNumber] = i;
    for (size_t k = 0; k < rules.flags.size(); ++k)
        for (int r = 1; r <= students.count(); ++r)
            if (const QString v = ruleText(rules.flags[k].values, r); !v.isEmpty())
                for (int d = 0; d < 2; ++d)
                    if (const auto at = position.find(classAt(drafts[d]->classes, r)); at != position.end())
                        ++comparison.classes[at->second].flags[d][flagIndex[{k, v}]];

    for (int r = 1; r <= students.count(); ++r) {
        const int ca = classAt(a.classes, r);
        const int cb = classAt(b.classes, r);
        if (ca != cb)
            comparison.moved.push_back({r, r + 1, students[r].id, students[r].name, students[r].group, {ca, cb}});
    }
    return comparison;
}

namespace {

QString pair(const QString& a, const QString& b)
{
    return a + QStringLiteral("／") + b;
}

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

TextTable classFiguresTable(const DraftComparison& comparison)
{
    TextTable table;
    table.headings << QStringLiteral("組") << QStringLiteral("人数") << QStringLiteral("平均点")
                   << QStringLiteral("平均との差");
    for (int s = 1; s <= 6; ++s)
        table.headings << comparison.bandLabels[s];
    table.headings << comparison.flagValues;
    for (const DraftComparison::ClassFigures& c : comparison.classes) {
        QStringList row{classLabel(c.classNumber), pair(QString::number(c.headCount[0]), QString::number(c.headCount[1])),
                        pair(oneDecimal(c.average[0]), oneDecimal(c.average[1])),
                        pair(oneDecimal(c.difference[0]), oneDecimal(c.difference[1]))};
        for (int s = 1; s <= 6; ++s)
            row << pair(QString::number(c.bands[0][s]), QString::number(c.bands[1][s]));
        for (size_t f = 0; f < c.flags[0].size(); ++f)
            row << pair(QString::number(c.flags[0][f]), QString::number(c.flags[1][f]));
        table.rows.push_back(std::move(row));
    }
    return table;
}

TextTable movedStudentsTable(const DraftComparison& comparison)
{
    TextTable table;
    table.headings << QStringLiteral("行") << QStringLiteral("識別番号") << QStringLiteral("氏名")
                   << QStringLiteral("グループ") << comparison.names[0] << comparison.names[1];
    for (const DraftComparison::Moved& m : comparison.moved)
        table.rows.push_back({QString::number(m.line), m.id, m.name, m.group, classLabel(m.classes[0]),
                              classLabel(m.classes[1])});
    return table;
}

QStringList draftListHeadings()
{
    return {QStringLiteral("名前"),         QStringLiteral("残した日時"),   QStringLiteral("番号"),
            QStringLiteral("平均点の開き"), QStringLiteral("点数の列の開き"), QStringLiteral("層のずれ"),     QStringLiteral("混ぜ方のずれ"),
            QStringLiteral("割り振りのずれ"), QStringLiteral("決まりの破れ"), QStringLiteral("入れ替え"),
            QStringLiteral("今と違う生徒")};
}

QStringList draftListRow(const Draft& draft, const DraftFigures& figures)
{
    const auto optional = [](const std::optional<double>& value) {
        return value ? oneDecimal(*value) : QStringLiteral("－");
    };
    return {draft.name,
            draft.kept.toString(QStringLiteral("yyyy/MM/dd HH:mm")),
            draft.drawNumber ? QString::number(draft.drawNumber) : QStringLiteral("－"),
            QString::number(figures.spread, 'f', 2),
            figures.scoreSpread ? QString::number(*figures.scoreSpread, 'f', 3) : QStringLiteral("－"),
            oneDecimal(figures.bandDeviation),
            optional(figures.mixingDeviation),
            optional(figures.flagDeviation),
            QString::number(figures.rulesBroken),
            QString::number(figures.swaps),
            QString::number(figures.moved)};
}

DraftBook::DraftBook(const Year& year) : DraftBook(year, draftsFilePath(year.students().csvPath)) {}

DraftBook::DraftBook(const Year& year, QString path)
    : m_path(std::move(path)), m_roster(rosterOf(year.students()))
{
    if (year.students().csvPath.isEmpty() && m_path == draftsFilePath(QString()))
        m_path.clear(); // a year of no file keeps its drafts in memory only
    if (m_path.isEmpty())
        return;
    DraftsReadOutcome read = readDraftsFile(m_path);
    m_readMessage = draftsReadMessage(read, m_path);
    m_keepAside = read.status == DraftsReadOutcome::Status::Damaged ||
                  read.status == DraftsReadOutcome::Status::Unreadable;
    const bool foreign = (read.status == DraftsReadOutcome::Status::Read ||
                          read.status == DraftsReadOutcome::Status::Damaged) &&
                         !read.content.roster.empty() && read.content.roster != m_roster;
    if (foreign) {
        m_fileRoster = read.content.roster;
        m_keepAside = true;
    }
    m_drafts = std::move(read.content.drafts);
    m_foreign.assign(m_drafts.size(), foreign);
    m_working = std::move(read.content.working);
    m_workingForeign = foreign && m_working.has_value();
}

std::optional<Message> DraftBook::takeReadMessage()
{
    std::optional<Message> message = std::move(m_readMessage);
    m_readMessage.reset();
    return message;
}

const Draft& DraftBook::row(int index) const
{
    if (index >= 0 && index < static_cast<int>(m_drafts.size()))
        return m_drafts[static_cast<size_t>(index)];
    if (index == static_cast<int>(m_drafts.size()) && m_working)
        return *m_working;
    throw std::out_of_range("DraftBook::row");
}

QString DraftBook::nextFreeName() const
{
    for (int i = 1;; ++i) {
        const QString name = QStringLiteral("案%1").arg(i);
        if (indexOf(name) < 0)
            return name;
    }
}

int DraftBook::indexOf(const QString& name) const
{
    for (size_t i = 0; i < m_drafts.size(); ++i)
        if (m_drafts[i].name == name)
            return static_cast<int>(i);
    return -1;
}

Draft DraftBook::screenDraft(const Year& year, const QString& name, const QDateTime& now)
{
    return Draft{name, toSecond(now), year.drawNumber(), year.classes(), year.swaps().history()};
}

std::optional<Message> DraftBook::keep(const Year& year, const QString& name, const QDateTime& now)
{
    const QString trimmed = name.trimmed();
    if (!year.hasDraw())
        return Message{QStringLiteral("まだクラス分けをしていません。「分布表表示」を押してから、案を残して下さい。"),
                       QString()};
    if (trimmed.isEmpty() || trimmed == kWorkingName)
        return Message{QStringLiteral("案の名前を入れて下さい（「作業中」は使えません）。"), titles::reenter};
    keepDraft(screenDraft(year, trimmed, now));
    return std::nullopt;
}

void DraftBook::keepDraft(Draft draft)
{
    const int at = indexOf(draft.name);
    if (at >= 0) {
        m_drafts[static_cast<size_t>(at)] = std::move(draft);
        m_foreign[static_cast<size_t>(at)] = false;
    } else {
        m_drafts.push_back(std::move(draft));
        m_foreign.push_back(false);
    }
    m_dirty = true;
    m_headChanged = true;
}

std::optional<Message> DraftBook::open(int index, Year& year) const
{
    const bool isWorking = index == static_cast<int>(m_drafts.size());
    const bool foreign = isWorking ? m_workingForeign : m_foreign.at(static_cast<size_t>(index));
    if (foreign)
        return rosterMismatch(m_fileRoster, year.students());
    const Draft& draft = row(index);
    year.restoreDraw(draft.classes, draft.swaps, draft.drawNumber);
    return std::nullopt;
}

std::optional<Message> DraftBook::rename(int index, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (index < 0 || index >= static_cast<int>(m_drafts.size()))
        return Message{QStringLiteral("「作業中」の名前は変えられません。名前を付けて残すには「残す」を使って下さい。"),
                       QString()};
    if (trimmed.isEmpty() || trimmed == kWorkingName)
        return Message{QStringLiteral("案の名前を入れて下さい（「作業中」は使えません）。"), titles::reenter};
    const int at = indexOf(trimmed);
    if (at >= 0 && at != index)
        return Message{QStringLiteral("「%1」という案はもうあります。別の名前を入れて下さい。").arg(trimmed),
                       titles::reenter};
    m_drafts[static_cast<size_t>(index)].name = trimmed;
    m_dirty = true;
    m_headChanged = true;
    return std::nullopt;
}

void DraftBook::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(m_drafts.size()))
        return;
    m_drafts.erase(m_drafts.begin() + index);
    m_foreign.erase(m_foreign.begin() + index);
    m_dirty = true;
    m_headChanged = true;
}

void DraftBook::takeScreen(const Year& year, const QDateTime& now)
{
    if (!m_screenChanged || !year.hasDraw())
        return;
    m_working = screenDraft(year, kWorkingName, now);
    m_workingForeign = false;
    m_screenChanged = false;
}

std::optional<Message> DraftBook::write(const Year& year, const QDateTime& now)
{
    const std::optional<PendingWrite> pending = prepareWrite(year, now);
    return pending ? finishWrite(performWrite(*pending)) : std::nullopt;
}

std::optional<DraftBook::PendingWrite> DraftBook::prepareWrite(const Year& year, const QDateTime& now)
{
    if (!m_dirty || m_path.isEmpty())
        return std::nullopt;
    takeScreen(year, now);
    // The kept drafts' lines are made again only when the drafts changed.
    if (m_headChanged) {
        std::vector<Draft> own;
        for (size_t i = 0; i < m_drafts.size(); ++i)
            if (!m_foreign[i])
                own.push_back(m_drafts[i]);
        m_head = formatDraftsHead(m_roster, own);
        m_ownDrafts = own.size();
        m_headChanged = false;
    }
    // Changes from here on need a write of their own.
    m_dirty = false;
    return PendingWrite{m_path, m_head + formatDraftsTail(m_workingForeign ? std::nullopt : m_working, m_ownDrafts),
                        m_keepAside};
}

bool DraftBook::performWrite(const PendingWrite& pending)
{
    if (pending.keepAside && QFileInfo::exists(pending.path)) {
        // The damaged or foreign file stays as it was, under a name of its own.
        QString aside = pending.path + QStringLiteral(".bak");
        for (int i = 2; QFileInfo::exists(aside); ++i)
            aside = pending.path + QStringLiteral(".bak%1").arg(i);
        if (!QFile::copy(pending.path, aside))
            return false;
    }
    return writeFileAtomically(pending.path, pending.bytes) == WriteStatus::Ok;
}

std::optional<Message> DraftBook::finishWrite(bool written)
{
    if (written) {
        m_keepAside = false;
        m_failed = false;
        return std::nullopt;
    }
    m_dirty = true;
    if (m_failed)
        return std::nullopt;
    m_failed = true;
    return Message{QStringLiteral("クラス分けの案を保存できません。\n%1\n"
                                  "フォルダーに書き込めるか、ディスクに空きがあるかを確かめて下さい。"
                                  "作業はこのまま続けられますが、終了すると画面の案は残りません。")
                       .arg(QDir::toNativeSeparators(m_path)),
                   titles::error};
}

} // namespace classdiv
