#pragma once
// Temporary folders and files for tests, written as exact bytes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace classdiv::testing {

// Writes bytes to path (folders created); returns false on failure.
bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// Text encoded in CP932; aborts the test program on an unencodable text.
QByteArray cp932(const QString& text);

// A folder under /tmp removed at the end of the test.
class TempFolder {
public:
    TempFolder();
    QString path() const;
    QString file(const QString& name) const; // path()/name
private:
    QTemporaryDir m_dir;
};

} // namespace classdiv::testing
