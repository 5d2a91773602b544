// A program of the shared-record test (tests/division/test_shared_record.cpp):
// one of several run at once on one separation record, each adding its
// entries through the program's own locked read-merge-write.
//
//   keep_record <record file> <program> <first> <last> [<hold after>]
//
// Adds entries 「<program>-<first>」 … 「<program>-<last>」 one write each
// (written again while another program holds the lock too long) and prints
// "kept <key>" once it is in the file. With <hold after>, after that many
// it takes the record's lock, prints "holding" and waits to be killed, as a
// program that stops in the middle of a write.

#include "common/FileLock.h"
#include "files/SharedRecord.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

using namespace classdiv;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    const QString path = args[1];
    const int program = args[2].toInt();
    const int first = args[3].toInt();
    const int last = args[4].toInt();
    const int holdAfter = args.size() > 5 ? args[5].toInt() : -1;
    for (int i = first; i <= last; ++i) {
        RecordEntry entry;
        entry.key = QStringLiteral("%1-%2").arg(program).arg(i);
        entry.students = {{QStringLiteral("%1").arg(program * 1000 + i), QStringLiteral("生徒甲%1").arg(i)},
                          {QStringLiteral("%1").arg(program * 1000 + 500 + i), QStringLiteral("生徒乙%1").arg(i)}};
        entry.reason = QStringLiteral("トラブル");
        entry.entered = QDate::currentDate();
        entry.schoolYear = schoolYearOf(entry.entered);
        entry.enteredBy = QStringLiteral("teacher%1").arg(program);
        const auto began = std::chrono::steady_clock::now();
        for (;;) {
            const RecordWriteOutcome written = writeRecordShared(path, RecordChange{{entry}, {}});
            if (written.takenOver)
                std::fprintf(stderr, "%s\n", lockTakenOverNote(path, *written.takenOver).text.toUtf8().constData());
            if (written.status == RecordWriteOutcome::Status::Written)
                break;
            if (written.status != RecordWriteOutcome::Status::Busy) {
                std::fprintf(stderr, "%s\n", recordWriteProblemText(path, written).value_or(QString()).toUtf8().constData());
                return 3;
            }
            if (std::chrono::steady_clock::now() - began > std::chrono::seconds(120))
                return 5;
        }
        std::printf("kept %s\n", qPrintable(entry.key));
        std::fflush(stdout);
        if (i - first + 1 == holdAfter) {
            FileLock lock(lockPathFor(path));
            if (lock.acquire().status != LockOutcome::Status::Taken)
                return 6;
            std::printf("holding\n");
            std::fflush(stdout);
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    return 0;
}
