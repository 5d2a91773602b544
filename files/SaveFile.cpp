#include "files/SaveFile.h"

#include "common/TextFile.h"

namespace classdiv {

std::optional<Message> saveWholeFile(const QString& path, const QByteArray& bytes, const QString& what)
{
    if (writeFileAtomically(path, bytes) == WriteStatus::Ok)
        return std::nullopt;
    return writeFailedMessage(path, what);
}

} // namespace classdiv
