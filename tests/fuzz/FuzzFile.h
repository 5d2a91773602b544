#pragma once
// The readers open files by name: each input is written over one file on
// tmpfs, so a run costs a write and a read in memory, not a new folder.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>

namespace classdiv::fuzz {

inline QString scratchFolder()
{
    static const QString folder = [] {
        const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString path = base + QStringLiteral("/classdiv-fuzz-%1").arg(getpid());
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

// Fails loudly: a fuzzer that silently tests nothing is worse than none.
inline void writeInput(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
}

} // namespace classdiv::fuzz
