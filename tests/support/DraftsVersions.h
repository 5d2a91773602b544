#pragma once
// A drafts file of this version as an earlier version wrote it, for the tests
// that read such files: version 2 had no header line and rows of identifier,
// name and group only; version 1 also had its one working line without
// computer and user.

#include <QByteArray>
#include <QList>

namespace classdiv::testing {

inline QByteArray earlierDraftsVersion(const QByteArray& file, int version)
{
    QList<QByteArray> out;
    for (QByteArray line : file.split('\n')) {
        const bool cr = line.endsWith('\r');
        if (cr)
            line.chop(1);
        QList<QByteArray> fields = line.split('\t');
        if (line.startsWith("CLASSDIV-DRAFTS "))
            line = "CLASSDIV-DRAFTS " + QByteArray::number(version);
        else if (fields[0] == "header")
            continue;
        else if (fields[0] == "row" && fields.size() >= 6)
            line = fields[0] + '\t' + fields[1] + '\t' + fields[3] + '\t' + fields[4] + '\t' + fields[5];
        else if (version == 1 && fields[0] == "working" && fields.size() >= 3) {
            fields.remove(1, 2);
            line = fields.join('\t');
        }
        out << (cr ? line + '\r' : line);
    }
    return out.join('\n');
}

} // namespace classdiv::testing
