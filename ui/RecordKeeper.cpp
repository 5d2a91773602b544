#include "ui/RecordKeeper.h"

#include "files/SharedRecord.h"
#include "ui/Dialogs.h"
#include "session/YearModel.h"

#include <QSettings>

#include <algorithm>

namespace classdiv {

namespace {

const QString kTitle = QStringLiteral("離す記録");

bool sameEntries(const std::vector<ApartEntry>& a, const std::vector<ApartEntry>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ApartEntry& x, const ApartEntry& y) { return x.rows == y.rows && x.label == y.label; });
}

} // namespace

RecordKeeper& RecordKeeper::of(YearModel& model)
{
    if (auto* kept = model.findChild<RecordKeeper*>(QString(), Qt::FindDirectChildrenOnly))
        return *kept;
    return *new RecordKeeper(model);
}

RecordKeeper::RecordKeeper(YearModel& model) : QObject(&model), m_model(model) {}

QString RecordKeeper::chosenFile()
{
    return QSettings().value(kFileKey).toString();
}

void RecordKeeper::choose(QWidget* parent, const QString& path)
{
    QSettings().setValue(kFileKey, path);
    m_said.clear();
    reload(parent);
}

void RecordKeeper::reload(QWidget* parent)
{
    m_path = chosenFile();
    if (m_path.isEmpty()) {
        m_read = {};
        m_match = {};
        if (!m_model.year().rules().recordEntries.empty())
            m_model.setRecordEntries({});
        emit changed();
        return;
    }
    m_read = readSeparationRecord(m_path);
    if (const std::optional<QString> problem = recordProblemText(m_path, m_read)) {
        sayOnce(parent, *problem);
        m_read.record = {};
    } else {
        m_said.clear(); // usable again: a later loss is said again
    }
    apply(parent, true);
}

void RecordKeeper::apply(QWidget* parent, bool ask)
{
    m_match = m_read.usable() ? matchRecord(m_read.record, m_model.year().students()) : RecordMatch{};
    // The same list the teacher said no to is not asked again while the roster is open.
    const QString question = m_match.toConfirm.empty() ? QString() : confirmMatchesText(m_match, m_model.year().students());
    if (ask && !question.isEmpty() && question != m_declined) {
        if (!Dialogs::ask(parent, Message{question, kTitle}))
            m_declined = question;
        else if (write(parent, RecordChange{{}, confirmationsOf(m_match)}))
            m_match = matchRecord(m_read.record, m_model.year().students());
    }
    if (ask && !m_match.ambiguous.empty()) {
        QStringList names;
        for (const RecordStudent& s : m_match.ambiguous)
            names << s.name;
        sayOnce(parent, QStringLiteral("名簿に同じ氏名の生徒が２人以上いるので、次の生徒の離す記録は当てはめていません："
                                       "%1。識別番号の重ならない名簿なら当てはめられます。")
                            .arg(names.join(u'、')));
    }
    // The same entries again change nothing: the search's model and the windows stay as they are.
    if (!sameEntries(m_match.applied, m_model.year().rules().recordEntries))
        m_model.setRecordEntries(m_match.applied);
    emit changed();
}

void RecordKeeper::sayOnce(QWidget* parent, const QString& text)
{
    if (m_said.contains(text))
        return;
    m_said.insert(text);
    Dialogs::showMessage(parent, Message{text, kTitle});
}

bool RecordKeeper::write(QWidget* parent, const RecordChange& change)
{
    if (m_path.isEmpty()) {
        Dialogs::showMessage(parent, Message{QStringLiteral("先に「記録ファイルを選ぶ…」で離す記録のファイルを選んで下さい。"), kTitle});
        return false;
    }
    const RecordWriteOutcome outcome = writeRecordShared(m_path, change);
    if (outcome.takenOver)
        Dialogs::showMessage(parent, lockTakenOverNote(m_path, *outcome.takenOver));
    if (outcome.status != RecordWriteOutcome::Status::Written) {
        const QString text = recordWriteProblemText(m_path, outcome).value_or(QString());
        // A folder that went away is said once; a change that was not written is said each time.
        if (outcome.status == RecordWriteOutcome::Status::FolderGone)
            sayOnce(parent, text);
        else
            Dialogs::showMessage(parent, Message{text, kTitle});
        return false;
    }
    m_said.clear();
    m_read.status = RecordReadOutcome::Status::Read;
    m_read.record = outcome.record;
    return true;
}

bool RecordKeeper::addChosen(QWidget* parent, const std::vector<int>& rows)
{
    if (rows.size() < 2 || m_path.isEmpty()) {
        Dialogs::showMessage(parent, Message{rows.size() < 2 ? QStringLiteral("別々にする生徒を２人以上選んで下さい。")
                                                             : QStringLiteral("先に「調整」→「離す記録…」で記録ファイルを選んで下さい。"),
                                             QStringLiteral("離す記録")});
        return false;
    }
    QStringList names;
    for (int row : rows)
        names << m_model.year().students()[row].name;
    const std::optional<QString> reason = Dialogs::askText(
        parent, QStringLiteral("離す記録に加える"),
        QStringLiteral("%1 をこれからずっと別々のクラスにします。理由（トラブル、保護者要望など）:").arg(names.join(u'・')));
    if (!reason)
        return false;
    QString by = QSettings().value(kEnteredByKey).toString();
    if (by.isEmpty()) {
        const std::optional<QString> asked = Dialogs::askText(parent, QStringLiteral("離す記録に加える"), QStringLiteral("記入者（先生の名前）:"));
        if (!asked)
            return false;
        by = *asked;
    }
    return addRows(parent, rows, *reason, by);
}

bool RecordKeeper::addRows(QWidget* parent, const std::vector<int>& rows, const QString& reason, const QString& enteredBy)
{
    const Students& students = m_model.year().students();
    RecordEntry entry;
    entry.key = newEntryKey();
    entry.reason = reason.trimmed();
    entry.entered = QDate::currentDate();
    entry.schoolYear = schoolYearOf(entry.entered);
    entry.enteredBy = enteredBy.trimmed();
    RecordChange change;
    const bool byName = matchRecord(SeparationRecord{}, students).byName;
    for (int row : rows) {
        const RecordStudent s{students[row].id, students[row].name};
        if (std::find(entry.students.begin(), entry.students.end(), s) != entry.students.end())
            continue;
        entry.students.push_back(s);
        // Entered from a roster matched by name: its students are these, asked no more.
        if (byName)
            change.confirmations.push_back({s, s});
    }
    if (entry.students.size() < 2) {
        Dialogs::showMessage(parent, Message{QStringLiteral("離す記録には２人以上の生徒を選んで下さい。"), kTitle});
        return false;
    }
    change.entries.push_back(std::move(entry));
    if (!write(parent, change))
        return false;
    QSettings().setValue(kEnteredByKey, enteredBy.trimmed());
    apply(parent, false);
    return true;
}

bool RecordKeeper::addIdentifiers(QWidget* parent, const QStringList& ids, const QString& reason, const QString& enteredBy)
{
    const Students& students = m_model.year().students();
    std::vector<int> rows;
    QStringList unknown, twice;
    for (const QString& id : ids) {
        std::vector<int> found;
        for (int row = 1; row <= students.count(); ++row)
            if (students[row].id == id.trimmed())
                found.push_back(row);
        if (found.empty())
            unknown << id.trimmed();
        else if (found.size() > 1)
            twice << id.trimmed();
        else
            rows.push_back(found.front());
    }
    if (!unknown.isEmpty() || !twice.isEmpty()) {
        QString text;
        if (!unknown.isEmpty())
            text += QStringLiteral("識別番号 %1 の生徒は名簿にいません。").arg(unknown.join(u'、'));
        if (!twice.isEmpty())
            text += QStringLiteral("識別番号 %1 の生徒は名簿に２人以上います。クラス名簿で生徒を選んで「離す記録に加える」を押して下さい。")
                        .arg(twice.join(u'、'));
        Dialogs::showMessage(parent, Message{text + QStringLiteral("記録は加えていません。"), kTitle});
        return false;
    }
    return addRows(parent, rows, reason, enteredBy);
}

bool RecordKeeper::end(QWidget* parent, const QString& key, const QDate& date, const QString& reason)
{
    const auto at = std::find_if(m_read.record.entries.begin(), m_read.record.entries.end(),
                                 [&](const RecordEntry& e) { return e.key == key; });
    if (at == m_read.record.entries.end() || !at->open())
        return false;
    RecordEntry ended = *at;
    ended.ended = date;
    ended.endReason = reason.trimmed();
    if (!write(parent, RecordChange{{ended}, {}}))
        return false;
    apply(parent, false);
    return true;
}

} // namespace classdiv
