#include "division/drafts/DraftsFile.h"

#include "common/TabFields.h"
#include "division/drafts/DraftsFields.h"

#include "division/draw/RandomSource.h"
#include "import/Roster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString draftsFilePath(const QString& csvPath)
{
    return csvPath + QStringLiteral("AN.TXT");
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

DraftsReadOutcome parseDraftsFile(const QByteArray& bytes)
{
    DraftsReadOutcome outcome;
    outcome.status = DraftsReadOutcome::Status::Read;
    const auto damage = [&](int line, const QString& reason) {
        if (outcome.status != DraftsReadOutcome::Status::Damaged) {
            outcome.status = DraftsReadOutcome::Status::Damaged;
            outcome.line = line;
            outcome.reason = reason;
        }
    };

    QList<QByteArray> lines = (bytes.startsWith(kUtf8Bom) ? bytes.mid(kUtf8Bom.size()) : bytes).split('\n');
    // The last line end leaves an empty piece after it; a file cut short has none.
    const bool complete = lines.size() > 1 && lines.last().isEmpty();
    if (complete)
        lines.removeLast();
    int n = -1;   // the roster's size once read
    int rows = 0; // roster rows read
    bool rosterWhole = false;
    bool ended = false;
    bool version1 = false;
    bool version2 = false;
    bool headerRead = false;
    int lineNumber = 0;
    for (QByteArray& raw : lines) {
        ++lineNumber;
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (lineNumber == 1) {
            version1 = raw == kVersion1Line;
            version2 = raw == kVersion2Line;
            headerRead = version1 || version2;
            if (raw != kVersionLine && !version1 && !version2) {
                damage(1, QStringLiteral("クラス分けの案のファイルではないか、この版では読めない形です"));
                outcome.content = {};
                return outcome;
            }
            continue;
        }
        if (ended) {
            damage(lineNumber, QStringLiteral("終わりの行のあとに続きがあります"));
            break;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(raw);
        if (decoder.hasError()) {
            damage(lineNumber, QStringLiteral("読めない文字があります"));
            if (!rosterWhole)
                break;
            continue;
        }
        const QList<QStringView> fields = QStringView(text).split(u'\t');
        const QStringView kind = fields[0];
        if (n < 0) {
            const auto size = fields.size() == 2 && kind == u"roster" ? wholeNumber(fields[1], 0, kMaxStudents)
                                                                       : std::nullopt;
            if (!size) {
                damage(lineNumber, QStringLiteral("名簿の人数が読めません"));
                break;
            }
            n = static_cast<int>(*size);
            outcome.content.roster.assign(static_cast<size_t>(n) + 1, {});
            rosterWhole = n == 0 && headerRead;
            continue;
        }
        if (!headerRead) {
            const std::optional<QStringList> header = kind == u"header" ? cellsFrom(fields, 1) : std::nullopt;
            if (!header) {
                damage(lineNumber, QStringLiteral("名簿の項目名が読めません"));
                break;
            }
            outcome.content.roster[0].cells = *header;
            headerRead = true;
            rosterWhole = n == 0;
            continue;
        }
        if (!rosterWhole) {
            std::optional<RosterRow> row;
            if (fields.size() >= 5 && kind == u"row" && wholeNumber(fields[1], 0, 100000) == rows + 2) {
                if (!version1 && !version2) {
                    row = rowFrom(fields);
                } else if (fields.size() == 5) {
                    std::optional<QString> id = unescapedField(fields[2]), name = unescapedField(fields[3]),
                                           group = unescapedField(fields[4]);
                    if (id && name && group)
                        row = RosterRow{*id, *name, *group};
                }
            }
            if (!row) {
                damage(lineNumber, QStringLiteral("名簿の%1人目が読めません").arg(rows + 1));
                break;
            }
            outcome.content.roster[++rows] = std::move(*row);
            rosterWhole = rows == n;
            if (rosterWhole && (version1 || version2))
                assignKeys(outcome.content.roster); // an earlier version kept no keys
            continue;
        }
        if (kind == u"draft" && fields.size() == 6) {
            Draft draft;
            const std::optional<QString> name = unescapedField(fields[1]);
            std::optional<QString> wrong =
                !name || name->isEmpty() ? QStringLiteral("案の名前が読めません") : readDraw(fields, 2, n, draft);
            if (!wrong && outcome.content.drafts.size() >= static_cast<size_t>(kMaxDrafts))
                wrong = QStringLiteral("案が多すぎます（%1まで）").arg(kMaxDrafts);
            if (wrong) {
                damage(lineNumber, *wrong);
                continue;
            }
            draft.name = *name;
            // A name twice (a file put together by hand): the later one is kept under a name of its own.
            if (std::any_of(outcome.content.drafts.begin(), outcome.content.drafts.end(),
                            [&](const Draft& d) { return d.name == draft.name; })) {
                draft.name = freeDraftName(outcome.content.drafts, *name);
                outcome.renamed.emplace_back(*name, draft.name);
            }
            outcome.content.drafts.push_back(std::move(draft));
        } else if (kind == u"working" && fields.size() == (version1 ? 5 : 7)) {
            Draft draft;
            std::optional<QString> computer = version1 ? QString() : unescapedField(fields[1]);
            std::optional<QString> user = version1 ? QString() : unescapedField(fields[2]);
            std::optional<QString> wrong = !computer || !user ? QStringLiteral("作業中の名前が読めません")
                                                              : readDraw(fields, version1 ? 1 : 3, n, draft);
            const bool twice = computer && user &&
                               std::any_of(outcome.content.working.begin(), outcome.content.working.end(),
                                           [&](const Draft& w) { return w.computer == *computer && w.user == *user; });
            if (!wrong && (twice || outcome.content.working.size() >= static_cast<size_t>(kMaxDrafts)))
                wrong = QStringLiteral("同じプログラムの作業中が２つあります");
            if (wrong) {
                damage(lineNumber, *wrong);
                continue;
            }
            draft.computer = *computer;
            draft.user = *user;
            draft.name = workingName(draft.computer, draft.user, false);
            outcome.content.working.push_back(std::move(draft));
        } else if (kind == u"end" && fields.size() == 2) {
            ended = true;
            if (wholeNumber(fields[1], 0, std::numeric_limits<int>::max()) !=
                static_cast<long long>(outcome.content.drafts.size()))
                damage(lineNumber, QStringLiteral("案の数が合いません"));
        } else {
            damage(lineNumber, QStringLiteral("この行は読めません"));
        }
    }
    if (!rosterWhole) {
        outcome.content = {};
        if (outcome.status != DraftsReadOutcome::Status::Damaged)
            damage(lineNumber + 1, QStringLiteral("名簿の途中で切れています"));
    } else if (!ended || !complete) {
        damage(lineNumber + (complete ? 1 : 0), QStringLiteral("途中で切れています"));
    }
    return outcome;
}

DraftsReadOutcome readDraftsFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    DraftsReadOutcome refused;
    refused.status = info.isFile() && info.size() > kMaxDraftsBytes ? DraftsReadOutcome::Status::TooLarge
                                                                    : DraftsReadOutcome::Status::Unreadable;
    QFile file(path);
    if (!info.isFile() || info.size() > kMaxDraftsBytes || !file.open(QIODevice::ReadOnly))
        return refused;
    const QByteArray bytes = file.read(kMaxDraftsBytes + 1);
    if (bytes.size() > kMaxDraftsBytes)
        refused.status = DraftsReadOutcome::Status::TooLarge;
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxDraftsBytes)
        return refused;
    return parseDraftsFile(bytes);
}

} // namespace classdiv
