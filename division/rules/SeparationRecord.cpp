#include "division/rules/SeparationRecord.h"

#include "common/FileMessages.h"
#include "common/TabFields.h"

#include <QDateTime>
#include <QDir>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace classdiv {

namespace {

const QByteArray kVersionWord = "CLASSDIV-APART";
const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

QByteArray field(const QString& text)
{
    return '\t' + escapedField(text).toUtf8();
}

QByteArray dateText(const QDate& date)
{
    if (!date.isValid())
        return QByteArray();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return QByteArray(text);
}

std::optional<int> numberOf(QStringView text, int low, int high)
{
    if (text.isEmpty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    int n = 0;
    for (const QChar c : text)
        n = n * 10 + (c.unicode() - u'0');
    return n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
}

// yyyy-MM-dd, read by hand: QDate::fromString parses its format at every call,
// and a record holds thousands of dates.
std::optional<QDate> dateOf(QStringView text, bool emptyAllowed)
{
    if (text.isEmpty())
        return emptyAllowed ? std::optional<QDate>(QDate()) : std::nullopt;
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    const std::optional<int> y = numberOf(text.first(4), 1, 9999), m = numberOf(text.sliced(5, 2), 1, 12),
                             d = numberOf(text.sliced(8, 2), 1, 31);
    if (!y || !m || !d || !QDate::isValid(*y, *m, *d))
        return std::nullopt;
    return QDate(*y, *m, *d);
}

// Every field of a line unescaped; nullopt when one cannot be.
std::optional<std::vector<QString>> fieldsOf(const QList<QStringView>& raw, qsizetype from)
{
    std::vector<QString> out;
    out.reserve(static_cast<size_t>(raw.size()));
    for (qsizetype i = from; i < raw.size(); ++i) {
        if (!raw[i].contains(u'\\')) { // most texts: nothing to unescape
            out.push_back(raw[i].toString());
            continue;
        }
        std::optional<QString> text = unescapedField(raw[i]);
        if (!text)
            return std::nullopt;
        out.push_back(std::move(*text));
    }
    return out;
}

std::optional<RecordEntry> entryOf(const std::vector<QString>& f)
{
    // key, year, entered, by, reason, ended, end reason, then pairs
    if (f.size() < 7 + 4 || (f.size() - 7) % 2 != 0 || (f.size() - 7) / 2 > size_t(kMaxEntryStudents))
        return std::nullopt;
    RecordEntry entry;
    const std::optional<int> year = numberOf(f[1], 1900, 9999);
    const std::optional<QDate> entered = dateOf(f[2], false);
    const std::optional<QDate> ended = dateOf(f[5], true);
    if (f[0].isEmpty() || !year || !entered || !ended)
        return std::nullopt;
    entry.key = f[0];
    entry.schoolYear = *year;
    entry.entered = *entered;
    entry.enteredBy = f[3];
    entry.reason = f[4];
    entry.ended = *ended;
    entry.endReason = f[6];
    for (size_t i = 7; i + 1 < f.size(); i += 2) {
        if (f[i].isEmpty() && f[i + 1].isEmpty())
            return std::nullopt;
        entry.students.push_back({f[i], f[i + 1]});
    }
    return entry;
}

} // namespace

int schoolYearOf(const QDate& date)
{
    return date.month() >= 4 ? date.year() : date.year() - 1;
}

QString newEntryKey()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz")) + u'-' +
           QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray formatSeparationRecord(const SeparationRecord& record)
{
    QByteArray out = kVersionWord + ' ' + QByteArray::number(kRecordVersion) + "\r\n";
    for (const RecordEntry& e : record.entries) {
        out += "entry" + field(e.key) + '\t' + QByteArray::number(e.schoolYear) + '\t' + dateText(e.entered) +
               field(e.enteredBy) + field(e.reason) + '\t' + dateText(e.ended) + field(e.endReason);
        for (const RecordStudent& s : e.students)
            out += field(s.id) + field(s.name);
        out += "\r\n";
    }
    for (const RecordConfirmation& c : record.confirmations)
        out += "confirm" + field(c.recorded.id) + field(c.recorded.name) + field(c.roster.id) + field(c.roster.name) + "\r\n";
    out += "end\t" + QByteArray::number(qsizetype(record.entries.size())) + '\t' +
           QByteArray::number(qsizetype(record.confirmations.size())) + "\r\n";
    return out;
}

namespace {

// The line of the first byte that is not UTF-8, or a NUL.
int firstBadLine(QByteArrayView body)
{
    int line = 0;
    for (const QByteArray& piece : body.toByteArray().split('\n')) {
        ++line;
        QStringDecoder one(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = one.decode(piece);
        if (decoded.contains(QChar(0)) || one.hasError())
            break;
    }
    return line;
}

// The version the first line names; nullopt when it is not this program's first line.
std::optional<int> versionOf(QStringView line)
{
    const QList<QStringView> words = line.split(u' ');
    if (words.size() != 2 || words[0] != QLatin1String(kVersionWord))
        return std::nullopt;
    return numberOf(words[1], 1, 999999);
}

// A line after the first: an entry, a confirmation or the end; why it cannot be read.
std::optional<QString> readBodyLine(QStringView line, int number, SeparationRecord& record, bool& ended)
{
    const QList<QStringView> raw = line.split(u'\t');
    const std::optional<std::vector<QString>> fields = fieldsOf(raw, 1);
    if (!fields)
        return QStringLiteral("%1行目が読めません").arg(number);
    if (raw[0] == u"entry") {
        std::optional<RecordEntry> entry = entryOf(*fields);
        if (!entry)
            return QStringLiteral("%1行目の記録が読めません").arg(number);
        if (record.entries.size() >= size_t(kMaxRecordEntries))
            return QStringLiteral("記録が多すぎます（%1件まで）").arg(kMaxRecordEntries);
        record.entries.push_back(std::move(*entry));
    } else if (raw[0] == u"confirm" && fields->size() == 4) {
        if (record.confirmations.size() >= size_t(kMaxRecordConfirmations))
            return QStringLiteral("確かめた組み合わせが多すぎます");
        record.confirmations.push_back({{(*fields)[0], (*fields)[1]}, {(*fields)[2], (*fields)[3]}});
    } else if (raw[0] == u"end" && fields->size() == 2) {
        if (numberOf((*fields)[0], 0, kMaxRecordEntries) != int(record.entries.size()) ||
            numberOf((*fields)[1], 0, kMaxRecordConfirmations) != int(record.confirmations.size()))
            return QStringLiteral("%1行目：記録の数が合いません").arg(number);
        ended = true;
    } else {
        return QStringLiteral("%1行目が読めません").arg(number);
    }
    return std::nullopt;
}

} // namespace

RecordReadOutcome parseSeparationRecord(const QByteArray& bytes)
{
    RecordReadOutcome outcome;
    outcome.status = RecordReadOutcome::Status::Damaged;
    const auto damage = [&](int line, const QString& reason) {
        outcome.record = {};
        outcome.status = RecordReadOutcome::Status::Damaged;
        outcome.line = line;
        outcome.reason = reason;
        return outcome;
    };
    if (bytes.size() > kMaxRecordBytes) {
        outcome.status = RecordReadOutcome::Status::TooLarge;
        return outcome;
    }
    QByteArrayView body(bytes);
    if (body.startsWith(kUtf8Bom))
        body = body.sliced(kUtf8Bom.size());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError() || text.contains(QChar(0))) {
        const int line = firstBadLine(body);
        return damage(line, QStringLiteral("%1行目に読めない文字があります").arg(line));
    }
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    bool ended = false;
    int number = 0;
    for (QStringView line : lines) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (ended) {
            if (!line.isEmpty() || number != lines.size())
                return damage(number, QStringLiteral("%1行目：終わりの行のあとに行があります").arg(number));
            continue;
        }
        if (line.size() > kMaxRecordLine)
            return damage(number, QStringLiteral("%1行目が長すぎます").arg(number));
        if (number == 1) {
            const std::optional<int> version = versionOf(line);
            if (!version)
                return damage(1, QStringLiteral("離す記録のファイルではありません"));
            if (*version > kRecordVersion) {
                outcome.status = RecordReadOutcome::Status::Newer;
                return outcome;
            }
            continue;
        }
        if (const std::optional<QString> fault = readBodyLine(line, number, outcome.record, ended))
            return damage(number, *fault);
    }
    if (!ended)
        return damage(number, QStringLiteral("途中で切れています"));
    outcome.status = RecordReadOutcome::Status::Read;
    return outcome;
}

std::optional<QString> recordProblemText(const QString& path, const RecordReadOutcome& read)
{
    const QString file = QDir::toNativeSeparators(path);
    const QString keep = QStringLiteral("このファイルは書き換えずにそのまま残し、離す記録を使わずに続けます。");
    switch (read.status) {
    case RecordReadOutcome::Status::Missing:
    case RecordReadOutcome::Status::Read:
        return std::nullopt;
    case RecordReadOutcome::Status::Damaged:
        return QStringLiteral("離す記録のファイル「%1」は読めません（%2）。").arg(file, read.reason) + keep;
    case RecordReadOutcome::Status::Newer:
        return QStringLiteral("離す記録のファイル「%1」は、新しい版のプログラムで作られていて読めません。").arg(file) + keep;
    case RecordReadOutcome::Status::Unreadable:
        return readFailedMessage(path, fileNames::record, keep).text;
    case RecordReadOutcome::Status::TooLarge:
        return QStringLiteral("離す記録のファイル「%1」は大きすぎて（16MBより大きい）読めません。").arg(file) + keep;
    case RecordReadOutcome::Status::FolderGone:
        return QStringLiteral("離す記録のファイル「%1」のあるフォルダーが見つかりません"
                              "（ネットワークのドライブが外れていないか確かめて下さい）。離す記録を使わずに続けます。")
            .arg(file);
    }
    return std::nullopt;
}

SeparationRecord mergeRecord(SeparationRecord file, const RecordChange& change)
{
    for (const RecordEntry& e : change.entries) {
        const auto there = std::find_if(file.entries.begin(), file.entries.end(),
                                        [&](const RecordEntry& f) { return f.key == e.key; });
        if (there == file.entries.end()) {
            file.entries.push_back(e);
        } else if (there->open() && !e.open()) {
            there->ended = e.ended;
            there->endReason = e.endReason;
        }
    }
    for (const RecordConfirmation& c : change.confirmations)
        if (std::find(file.confirmations.begin(), file.confirmations.end(), c) == file.confirmations.end())
            file.confirmations.push_back(c);
    return file;
}

} // namespace classdiv
