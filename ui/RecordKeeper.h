#pragma once
// The school's separation record beside the year on screen: the file chosen
// once (remembered like the other settings), read when a roster is loaded
// and whenever it changes, held against the roster, and its entries that
// apply handed to the year as keep-apart rules. Every write goes through the
// locked read-merge-write of files/SharedRecord.h. A record that
// cannot be used is named once, never written over, and the year goes on
// without it.
//
// One keeper a year: a child of the YearModel, found by of(), so that the
// conditions window, the record window and the class lists share it.

#include "division/rules/RecordMatch.h"
#include "division/rules/SeparationRecord.h"

#include <QObject>
#include <QSet>

class QWidget;

namespace classdiv {

class YearModel;

class RecordKeeper : public QObject {
    Q_OBJECT
public:
    static RecordKeeper& of(YearModel& model);

    // The file chosen with 記録ファイルを選ぶ…; empty when none.
    static QString chosenFile();
    static inline const QString kFileKey = QStringLiteral("record/file");
    static inline const QString kEnteredByKey = QStringLiteral("record/enteredBy");

    // Chooses the file (remembered) and reads it.
    void choose(QWidget* parent, const QString& path);
    // Reads the record again and applies what holds this year; the matches
    // that need the teacher's word are asked about first.
    void reload(QWidget* parent);

    // A new entry of students of this roster (rows 1 .. N); false when not written (said why).
    bool addRows(QWidget* parent, const std::vector<int>& rows, const QString& reason, const QString& enteredBy);
    // Students chosen in the class lists: asks the reason, and who enters it
    // the first time, then adds them; two at least, and a record chosen.
    bool addChosen(QWidget* parent, const std::vector<int>& rows);
    // A new entry by identifiers of this roster; an unknown one is said and nothing is written.
    bool addIdentifiers(QWidget* parent, const QStringList& ids, const QString& reason, const QString& enteredBy);
    // Ends an entry on a date with a reason; it stays in the file.
    bool end(QWidget* parent, const QString& key, const QDate& date, const QString& reason);

    const QString& path() const { return m_path; }
    bool usable() const { return m_read.usable(); }
    const SeparationRecord& record() const { return m_read.record; }
    const RecordMatch& match() const { return m_match; }

signals:
    // The record or what of it applies changed.
    void changed();

private:
    explicit RecordKeeper(YearModel& model);
    bool write(QWidget* parent, const RecordChange& change);
    void apply(QWidget* parent, bool ask);
    // Each message once, until the record is usable again.
    void sayOnce(QWidget* parent, const QString& text);

    YearModel& m_model;
    QString m_path;
    RecordReadOutcome m_read;
    RecordMatch m_match;
    QSet<QString> m_said;
    QString m_declined; // the question of matches last answered no
};

} // namespace classdiv
