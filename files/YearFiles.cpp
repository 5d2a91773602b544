#include "files/YearFiles.h"

#include "common/FileLock.h"
#include "common/FileMessages.h"
#include "common/TextFile.h"
#include "files/SharedDrafts.h"
#include "division/Year.h"

#include <QFile>

namespace classdiv {

namespace {

// Far more than the six lines of any choice: a longer file is no rules file.
constexpr qint64 kMaxRulesBytes = 128;

} // namespace

YearFiles::YearFiles(QString rosterPath) : m_rosterPath(std::move(rosterPath)) {}

QString YearFiles::conditionsPath() const
{
    return m_rosterPath + QStringLiteral("JYOKEN.TXT");
}

QString YearFiles::rulesPath() const
{
    return m_rosterPath + QStringLiteral("BUNKATSU.TXT");
}

QString YearFiles::draftsPath() const
{
    return m_rosterPath.isEmpty() ? QString() : m_rosterPath + QStringLiteral("AN.TXT");
}

DraftBook YearFiles::loadDrafts(const Year& year) const
{
    return loadDraftBook(year, draftsPath());
}

std::optional<Message> YearFiles::saveDrafts(DraftBook& book, const Year& year, const QDateTime& now)
{
    return saveDraftBook(book, year, now);
}

ReadConditionsOutcome YearFiles::loadConditions(Year& year) const
{
    const TextFileContent content = readTextFile(conditionsPath());
    if (content.status == ReadStatus::NotFound) {
        ReadConditionsOutcome missing;
        missing.status = ReadConditionsOutcome::Status::Missing;
        missing.message = Message{kMissingConditionsMessage, QString()};
        return missing;
    }
    // A file that cannot be read (or decoded) stops the read before any group.
    if (content.status != ReadStatus::Ok)
        return ReadConditionsOutcome{};
    return year.readConditions(content.text);
}

SaveOutcome YearFiles::saveConditions(const Year& year) const
{
    return saveLocked(conditionsPath(), formatConditionsFile(year.workspace()), fileNames::conditions,
                      QStringLiteral("入力した条件は画面に残っています。"));
}

std::optional<QByteArray> YearFiles::readRules() const
{
    QFile file(rulesPath());
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("?");
    return file.read(kMaxRulesBytes);
}

void YearFiles::loadRules(Year& year) const
{
    year.setRules(storedSpreadRules(year.students(), readRules()));
}

SpreadDialogView YearFiles::openRules(const Students& students) const
{
    return openSpreadColumns(students, StoredChoice{rulesPath(), readRules()});
}

SpreadAcceptOutcome YearFiles::acceptRules(const Students& students, const RuleTexts& texts) const
{
    SpreadAcceptOutcome outcome = acceptSpreadColumns(students, texts);
    if (!outcome.rules)
        return outcome;
    SaveOutcome saved = saveLocked(rulesPath(), formatSpreadFile(outcome.choice), fileNames::rules,
                                   QStringLiteral("列の設定は変わっていません。"));
    if (saved.status != SaveOutcome::Status::Saved) {
        outcome.message = std::move(saved.message);
        outcome.rules.reset();
    }
    return outcome;
}

SaveOutcome YearFiles::saveLocked(const QString& path, const QByteArray& bytes, const QString& what,
                                  const QString& kept) const
{
    const LockedWriteOutcome written = writeFileLocked(path, bytes);
    switch (written.status) {
    case LockedWriteOutcome::Status::Written:
        return {SaveOutcome::Status::Saved,
                written.takenOver ? std::optional(lockTakenOverNote(path, *written.takenOver)) : std::nullopt};
    case LockedWriteOutcome::Status::Busy:
        return {SaveOutcome::Status::Busy, lockBusyMessage(path, written.holder)};
    case LockedWriteOutcome::Status::Failed:
        break;
    }
    return {SaveOutcome::Status::Failed, writeFailedMessage(path, what, kept)};
}

} // namespace classdiv
