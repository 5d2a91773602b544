#include "support/TestFiles.h"

#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace classdiv::testing {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray cp932(const QString& text)
{
    auto bytes = encodeText(text, TextEncoding::Cp932);
    if (!bytes) {
        std::fprintf(stderr, "test text cannot be written in CP932: %s\n", qPrintable(text));
        std::abort();
    }
    return *bytes;
}

TempFolder::TempFolder() : m_dir(QDir::tempPath() + QStringLiteral("/classdiv-test-XXXXXX")) {}
QString TempFolder::path() const { return m_dir.path(); }
QString TempFolder::file(const QString& name) const { return m_dir.path() + u'/' + name; }

} // namespace classdiv::testing
