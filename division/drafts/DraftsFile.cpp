#include "division/drafts/DraftsFile.h"

#include "common/TabFields.h"
#include "division/drafts/DraftsFields.h"

#include "division/draw/RandomSource.h"
#include "import/Roster.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace classdiv {

using namespace draftsfields;

namespace {

const QByteArray kVersionLine = "CLASSDIV-DRAFTS 3";
const QByteArray kVersion2Line = "CLASSDIV-DRAFTS 2";
const QByteArray kVersion1Line = "CLASSDIV-DRAFTS 1";
const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QByteArray classesField(const std::vector<int16_t>& classes)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(classes.size()) * 3);
    for (size_t r = 1; r < classes.size(); ++r) {
        if (r > 1)
            out += ',';
        out += QByteArray::number(classes[r]);
    }
    return out;
}

QByteArray swapsField(const std::vector<ClassSwaps::Pair>& swaps)
{
    QByteArray out;
    for (size_t i = 0; i < swaps.size(); ++i) {
        if (i > 0)
            out += ',';
        out += QByteArray::number(swaps[i].rowA) + '-' + QByteArray::number(swaps[i].rowB);
    }
    return out;
}

QByteArray drawFields(const Draft& draft)
{
    return draft.kept.toString(kTimeFormat).toUtf8() + '\t' + QByteArray::number(draft.drawNumber) + '\t' +
           classesField(draft.classes) + '\t' + swapsField(draft.swaps);
}

// The fields <kept> <number> <classes> <swaps> of a draft or working line, for a roster of n students.
std::optional<QString> readDraw(const QList<QStringView>& fields, qsizetype first, int n, Draft& draft)
{
    const QDateTime kept = QDateTime::fromString(fields[first].toString(), kTimeFormat);
    if (!kept.isValid())
        return QStringLiteral("残した日時が読めません");
    draft.kept = kept;
    const auto number = wholeNumber(fields[first + 1], 0, kLargestDrawNumber);
    if (!number)
        return QStringLiteral("番号が読めません");
    draft.drawNumber = static_cast<uint32_t>(*number);

    const QList<QStringView> classes = fields[first + 2].split(u',');
    if (n == 0 ? !fields[first + 2].isEmpty() : classes.size() != n)
        return QStringLiteral("クラスの数が名簿の人数と合いません");
    draft.classes.assign(static_cast<size_t>(n) + 1, 0);
    for (int r = 1; r <= n; ++r) {
        // A class number is any 16-bit number the plans can hold.
        const bool negative = classes[r - 1].startsWith(u'-');
        const auto c = wholeNumber(classes[r - 1].mid(negative ? 1 : 0), 0, 32767);
        if (!c)
            return QStringLiteral("クラスが読めません（%1人目）").arg(r);
        draft.classes[r] = static_cast<int16_t>(negative ? -*c : *c);
    }

    draft.swaps.clear();
    // Counted before anything is split: a line of millions of swaps is refused at once.
    if (fields[first + 3].count(u',') >= kMaxDraftSwaps)
        return QStringLiteral("入れ替えの記録が多すぎます（%1回まで）").arg(kMaxDraftSwaps);
    if (!fields[first + 3].isEmpty()) {
        for (const QStringView pair : fields[first + 3].split(u',')) {
            const qsizetype dash = pair.indexOf(u'-');
            const auto a = dash < 0 ? std::nullopt : wholeNumber(pair.left(dash), 1, n);
            const auto b = dash < 0 ? std::nullopt : wholeNumber(pair.mid(dash + 1), 1, n);
            if (!a || !b || *a == *b)
                return QStringLiteral("入れ替えの記録が読めません");
            draft.swaps.push_back({static_cast<int16_t>(*a), static_cast<int16_t>(*b)});
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<RosterRow> rosterOf(const Students& students)
{
    std::vector<RosterRow> roster(static_cast<size_t>(students.count()) + 1);
    const std::vector<QStringList>* cells = students.roster ? &students.roster->rows : nullptr;
    const auto cellsOf = [&](int r) { return cells && r < int(cells->size()) ? (*cells)[size_t(r)] : QStringList(); };
    roster[0].cells = cellsOf(0);
    for (int r = 1; r <= students.count(); ++r)
        roster[r] = {students[r].id, students[r].name, students[r].group, students[r].scoreText, cellsOf(r)};
    assignKeys(roster);
    return roster;
}

QString freeDraftName(const std::vector<Draft>& drafts, const QString& name)
{
    const auto used = [&](const QString& n) {
        return std::any_of(drafts.begin(), drafts.end(), [&](const Draft& d) { return d.name == n; });
    };
    if (!used(name))
        return name;
    for (int i = 2;; ++i)
        if (const QString next = QStringLiteral("%1（%2）").arg(name).arg(i); !used(next))
            return next;
}

QString workingName(const QString& computer, const QString& user, bool own)
{
    if (own || (computer.isEmpty() && user.isEmpty()))
        return QStringLiteral("作業中");
    return QStringLiteral("作業中（%1 %2）").arg(computer, user);
}

QByteArray formatDraftsFile(const DraftsContent& content)
{
    const std::vector<RosterRow>& roster = content.roster;
    const int n = roster.empty() ? 0 : static_cast<int>(roster.size()) - 1;
    QByteArray out = kVersionLine + "\r\n";
    out += "roster\t" + QByteArray::number(n) + "\r\n";
    out += "header" + cellFields(roster.empty() ? QStringList() : roster[0].cells) + "\r\n";
    for (int r = 1; r <= n; ++r) {
        const RosterRow& row = roster[r];
        out += "row\t" + QByteArray::number(r + 1) + '\t' + char(row.key) + '\t' + escapedField(row.id).toUtf8() + '\t' +
               escapedField(row.name).toUtf8() + '\t' + escapedField(row.group).toUtf8() + '\t' + escapedField(row.score).toUtf8() +
               cellFields(row.cells) + "\r\n";
    }
    for (const Draft& draft : content.drafts)
        out += "draft\t" + escapedField(draft.name).toUtf8() + '\t' + drawFields(draft) + "\r\n";
    for (const Draft& working : content.working)
        out += "working\t" + escapedField(working.computer).toUtf8() + '\t' + escapedField(working.user).toUtf8() + '\t' +
               drawFields(working) + "\r\n";
    out += "end\t" + QByteArray::number(static_cast<qsizetype>(content.drafts.size())) + "\r\n";
    return out;
}

namespace {

// The reading of a drafts file, line after line: what was read so far and
// the first damage found.
class DraftsReader {
public:
    // false: not a drafts file of any version, and nothing more is read.
    bool readVersion(const QByteArray& line);
    // false: nothing after this line can be read.
    bool readLine(int lineNumber, const QByteArray& raw);
    // The outcome after lastLine, the number of the last line read.
    DraftsReadOutcome finish(int lastLine, bool complete);
    DraftsReadOutcome refused() { return std::move(m_outcome); }

private:
    void damage(int line, const QString& reason);
    // The roster's size, header and rows; false: the roster cannot be read on.
    bool readRoster(int lineNumber, const QList<QStringView>& fields);
    bool readRow(int lineNumber, const QList<QStringView>& fields);
    void readDraft(int lineNumber, const QList<QStringView>& fields);
    void readWorking(int lineNumber, const QList<QStringView>& fields);

    DraftsReadOutcome m_outcome;
    int m_n = -1;   // the roster's size once read
    int m_rows = 0; // roster rows read
    bool m_rosterWhole = false;
    bool m_ended = false;
    bool m_version1 = false;
    bool m_version2 = false;
    bool m_headerRead = false;
};

void DraftsReader::damage(int line, const QString& reason)
{
    if (m_outcome.status == DraftsReadOutcome::Status::Damaged)
        return;
    m_outcome.status = DraftsReadOutcome::Status::Damaged;
    m_outcome.line = line;
    m_outcome.reason = reason;
}

bool DraftsReader::readVersion(const QByteArray& line)
{
    m_outcome.status = DraftsReadOutcome::Status::Read;
    m_version1 = line == kVersion1Line;
    m_version2 = line == kVersion2Line;
    m_headerRead = m_version1 || m_version2; // earlier versions had no header line
    if (line == kVersionLine || m_version1 || m_version2)
        return true;
    damage(1, QStringLiteral("クラス分けの案のファイルではないか、この版では読めない形です"));
    m_outcome.content = {};
    return false;
}

bool DraftsReader::readLine(int lineNumber, const QByteArray& raw)
{
    if (m_ended) {
        damage(lineNumber, QStringLiteral("終わりの行のあとに続きがあります"));
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(raw);
    if (decoder.hasError()) {
        damage(lineNumber, QStringLiteral("読めない文字があります"));
        return m_rosterWhole;
    }
    const QList<QStringView> fields = QStringView(text).split(u'\t');
    const QStringView kind = fields[0];
    if (!m_rosterWhole)
        return readRoster(lineNumber, fields);
    if (kind == u"draft" && fields.size() == 6) {
        readDraft(lineNumber, fields);
    } else if (kind == u"working" && fields.size() == (m_version1 ? 5 : 7)) {
        readWorking(lineNumber, fields);
    } else if (kind == u"end" && fields.size() == 2) {
        m_ended = true;
        if (wholeNumber(fields[1], 0, std::numeric_limits<int>::max()) !=
            static_cast<long long>(m_outcome.content.drafts.size()))
            damage(lineNumber, QStringLiteral("案の数が合いません"));
    } else {
        damage(lineNumber, QStringLiteral("この行は読めません"));
    }
    return true;
}

bool DraftsReader::readRoster(int lineNumber, const QList<QStringView>& fields)
{
    const QStringView kind = fields[0];
    if (m_n < 0) {
        const auto size = fields.size() == 2 && kind == u"roster" ? wholeNumber(fields[1], 0, kMaxStudents) : std::nullopt;
        if (!size) {
            damage(lineNumber, QStringLiteral("名簿の人数が読めません"));
            return false;
        }
        m_n = static_cast<int>(*size);
        m_outcome.content.roster.assign(static_cast<size_t>(m_n) + 1, {});
        m_rosterWhole = m_n == 0 && m_headerRead;
        return true;
    }
    if (!m_headerRead) {
        const std::optional<QStringList> header = kind == u"header" ? cellsFrom(fields, 1) : std::nullopt;
        if (!header) {
            damage(lineNumber, QStringLiteral("名簿の項目名が読めません"));
            return false;
        }
        m_outcome.content.roster[0].cells = *header;
        m_headerRead = true;
        m_rosterWhole = m_n == 0;
        return true;
    }
    return readRow(lineNumber, fields);
}

bool DraftsReader::readRow(int lineNumber, const QList<QStringView>& fields)
{
    std::optional<RosterRow> row;
    if (fields.size() >= 5 && fields[0] == u"row" && wholeNumber(fields[1], 0, 100000) == m_rows + 2) {
        if (!m_version1 && !m_version2) {
            row = rowFrom(fields);
        } else if (fields.size() == 5) {
            std::optional<QString> id = unescapedField(fields[2]), name = unescapedField(fields[3]),
                                   group = unescapedField(fields[4]);
            if (id && name && group)
                row = RosterRow{*id, *name, *group};
        }
    }
    if (!row) {
        damage(lineNumber, QStringLiteral("名簿の%1人目が読めません").arg(m_rows + 1));
        return false;
    }
    m_outcome.content.roster[++m_rows] = std::move(*row);
    m_rosterWhole = m_rows == m_n;
    if (m_rosterWhole && (m_version1 || m_version2))
        assignKeys(m_outcome.content.roster); // an earlier version kept no keys
    return true;
}

void DraftsReader::readDraft(int lineNumber, const QList<QStringView>& fields)
{
    std::vector<Draft>& drafts = m_outcome.content.drafts;
    Draft draft;
    const std::optional<QString> name = unescapedField(fields[1]);
    std::optional<QString> wrong = !name || name->isEmpty() ? QStringLiteral("案の名前が読めません") : readDraw(fields, 2, m_n, draft);
    if (!wrong && drafts.size() >= static_cast<size_t>(kMaxDrafts))
        wrong = QStringLiteral("案が多すぎます（%1まで）").arg(kMaxDrafts);
    if (wrong) {
        damage(lineNumber, *wrong);
        return;
    }
    draft.name = *name;
    // A name twice (a file put together by hand): the later one is kept under a name of its own.
    if (std::any_of(drafts.begin(), drafts.end(), [&](const Draft& d) { return d.name == draft.name; })) {
        draft.name = freeDraftName(drafts, *name);
        m_outcome.renamed.emplace_back(*name, draft.name);
    }
    drafts.push_back(std::move(draft));
}

void DraftsReader::readWorking(int lineNumber, const QList<QStringView>& fields)
{
    std::vector<Draft>& working = m_outcome.content.working;
    Draft draft;
    std::optional<QString> computer = m_version1 ? QString() : unescapedField(fields[1]);
    std::optional<QString> user = m_version1 ? QString() : unescapedField(fields[2]);
    std::optional<QString> wrong = !computer || !user ? QStringLiteral("作業中の名前が読めません")
                                                      : readDraw(fields, m_version1 ? 1 : 3, m_n, draft);
    const bool twice = computer && user && std::any_of(working.begin(), working.end(), [&](const Draft& w) {
                           return w.computer == *computer && w.user == *user;
                       });
    if (!wrong && (twice || working.size() >= static_cast<size_t>(kMaxDrafts)))
        wrong = QStringLiteral("同じプログラムの作業中が２つあります");
    if (wrong) {
        damage(lineNumber, *wrong);
        return;
    }
    draft.computer = *computer;
    draft.user = *user;
    draft.name = workingName(draft.computer, draft.user, false);
    working.push_back(std::move(draft));
}

DraftsReadOutcome DraftsReader::finish(int lastLine, bool complete)
{
    if (!m_rosterWhole) {
        m_outcome.content = {};
        if (m_outcome.status != DraftsReadOutcome::Status::Damaged)
            damage(lastLine + 1, QStringLiteral("名簿の途中で切れています"));
    } else if (!m_ended || !complete) {
        damage(lastLine + (complete ? 1 : 0), QStringLiteral("途中で切れています"));
    }
    return std::move(m_outcome);
}

} // namespace

DraftsReadOutcome parseDraftsFile(const QByteArray& bytes)
{
    QList<QByteArray> lines = (bytes.startsWith(kUtf8Bom) ? bytes.mid(kUtf8Bom.size()) : bytes).split('\n');
    // The last line end leaves an empty piece after it; a file cut short has none.
    const bool complete = lines.size() > 1 && lines.last().isEmpty();
    if (complete)
        lines.removeLast();
    DraftsReader reader;
    int lineNumber = 0;
    for (QByteArray& raw : lines) {
        ++lineNumber;
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (lineNumber == 1 && !reader.readVersion(raw))
            return reader.refused();
        if (lineNumber > 1 && !reader.readLine(lineNumber, raw))
            break;
    }
    return reader.finish(lineNumber, complete);
}

} // namespace classdiv
