#include "import/StartFile.h"

#include "common/FileKinds.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace classdiv {

std::variant<StartFile, Message> checkStartFile(const QString& argument, const QString& currentFolder)
{
    QString path = argument;
    // Some file managers hand over an address rather than a path.
    if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    if (path.isEmpty())
        return Message{kStartFileMissingMessage.arg(argument), QString()};
    // The folder of the name as given, not of a link's target: the conditions
    // file is written beside the name the teacher knows.
    const QString absolute = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
    const QFileInfo info(absolute);
    if (!info.exists())
        return Message{kStartFileMissingMessage.arg(QDir::toNativeSeparators(absolute)), QString()};
    if (info.isDir())
        return Message{kStartFileFolderMessage.arg(QDir::toNativeSeparators(absolute)), QString()};
    // The same test as the file list's patterns, so the file is in its list.
    if (!info.isFile() || !isRosterName(info.fileName()))
        return Message{kStartFileNotCsvMessage.arg(QDir::toNativeSeparators(absolute)), QString()};
    return StartFile{info.absolutePath(), info.fileName()};
}

} // namespace classdiv
