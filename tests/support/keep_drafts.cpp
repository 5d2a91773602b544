// A program of the shared-folder test (tests/division/test_shared_drafts.cpp):
// one of several run at once on one drafts file, each keeping its drafts
// through the program's own DraftBook, as a teacher's program does.
//
//   keep_drafts <drafts file> <program> <first> <last> [<hold after>]
//
// Keeps drafts 「<program>-<first>」 … 「<program>-<last>」, each written at once
// (written again while another program holds the lock), and prints
// "kept <name>" once it is in the file. With <hold after>, after that many
// drafts it takes the drafts file's lock, prints "holding" and waits to be
// killed, as a program that stops in the middle of a write.

#include "support/Years.h"

#include "common/FileLock.h"
#include "division/drafts/Drafts.h"
#include "files/SharedDrafts.h"

#include <QCoreApplication>
#include <QDateTime>

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

    const testing::DivisionYear made({{"A", 12, {{1, 6}, {2, 6}}}, {"B", 8, {{2, 4}, {3, 4}}}});
    Year year = made.year();
    DraftBook book = loadDraftBook(year, path);
    book.setOwner(QStringLiteral("PC%1").arg(program), QStringLiteral("teacher%1").arg(program));
    for (int i = first; i <= last; ++i) {
        if (!year.pressNumber(static_cast<uint32_t>(program * 1000 + i)).drawn)
            return 3;
        const QString name = QStringLiteral("%1-%2").arg(program).arg(i);
        if (book.keep(year, name, QDateTime::currentDateTime()))
            return 4;
        book.markChanged(); // the press is this program's 「作業中」
        // A write refused while others hold the lock stays to be written: try again.
        const auto start = std::chrono::steady_clock::now();
        while (book.dirty()) {
            if (const std::optional<Message> message = saveDraftBook(book, year, QDateTime::currentDateTime()))
                std::fprintf(stderr, "%s\n", message->text.toUtf8().constData());
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(120))
                return 5;
        }
        std::printf("kept %s\n", qPrintable(name));
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
