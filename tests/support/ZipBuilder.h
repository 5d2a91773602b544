#pragma once
// Builds ZIP archives part by part for the workbook tests: stored or
// deflated parts, with sizes and checksums that can be made to lie.

#include <QByteArray>
#include <QString>

#include <zlib.h>

#include <vector>

namespace classdiv::testing {

struct ZipPart {
    QString name;
    QByteArray bytes;
    bool deflate = true;
    qint64 claimedSize = -1; // the size the directory gives, when not the true one
};

inline QByteArray deflateRaw(const QByteArray& bytes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

inline QByteArray makeZip(const std::vector<ZipPart>& parts)
{
    const auto le16 = [](QByteArray& b, quint32 v) { b.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    const auto le32 = [&](QByteArray& b, quint32 v) { le16(b, v & 0xFFFF), le16(b, v >> 16); };
    QByteArray zip;
    QByteArray directory;
    for (const ZipPart& part : parts) {
        const QByteArray name = part.name.toUtf8();
        const QByteArray data = part.deflate ? deflateRaw(part.bytes) : part.bytes;
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(part.bytes.constData()), uInt(part.bytes.size())));
        const quint32 size = quint32(part.claimedSize >= 0 ? part.claimedSize : part.bytes.size());
        const quint32 offset = quint32(zip.size());
        const quint16 method = part.deflate ? 8 : 0;
        le32(zip, 0x04034b50), le16(zip, 20), le16(zip, 0), le16(zip, method), le32(zip, 0), le32(zip, crc);
        le32(zip, quint32(data.size())), le32(zip, size), le16(zip, quint32(name.size())), le16(zip, 0);
        zip += name + data;
        le32(directory, 0x02014b50), le16(directory, 20), le16(directory, 20), le16(directory, 0);
        le16(directory, method), le32(directory, 0), le32(directory, crc), le32(directory, quint32(data.size()));
        le32(directory, size), le16(directory, quint32(name.size())), le16(directory, 0), le16(directory, 0);
        le16(directory, 0), le16(directory, 0), le32(directory, 0), le32(directory, offset);
        directory += name;
    }
    const quint32 directoryOffset = quint32(zip.size());
    zip += directory;
    le32(zip, 0x06054b50), le16(zip, 0), le16(zip, 0), le16(zip, quint32(parts.size()));
    le16(zip, quint32(parts.size())), le32(zip, quint32(directory.size())), le32(zip, directoryOffset), le16(zip, 0);
    return zip;
}

// An .xlsx of the given parts beside the package and workbook relationships;
// sheets are (name, part under xl/).
inline QByteArray makeXlsx(const std::vector<std::pair<QString, QString>>& sheets, std::vector<ZipPart> parts,
                           const QString& workbookExtra = QString())
{
    QString workbook = QStringLiteral("<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/"
                                      "spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/"
                                      "officeDocument/2006/relationships\">") + workbookExtra + QStringLiteral("<sheets>");
    QString rels = QStringLiteral("<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                  "package/2006/relationships\">");
    const QString type = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    for (size_t i = 0; i < sheets.size(); ++i) {
        workbook += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>").arg(sheets[i].first).arg(i + 1);
        rels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"%2worksheet\" Target=\"%3\"/>")
                    .arg(i + 1).arg(type, sheets[i].second);
    }
    rels += QStringLiteral("<Relationship Id=\"rS\" Type=\"%1sharedStrings\" Target=\"sharedStrings.xml\"/>"
                           "<Relationship Id=\"rT\" Type=\"%1styles\" Target=\"/xl/styles.xml\"/></Relationships>")
                .arg(type);
    workbook += QStringLiteral("</sheets></workbook>");
    parts.push_back({QStringLiteral("_rels/.rels"),
                     QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                    "relationships\"><Relationship Id=\"rId1\" Type=\"%1officeDocument\" "
                                    "Target=\"xl/workbook.xml\"/></Relationships>").arg(type).toUtf8()});
    parts.push_back({QStringLiteral("xl/workbook.xml"), workbook.toUtf8()});
    parts.push_back({QStringLiteral("xl/_rels/workbook.xml.rels"), rels.toUtf8()});
    return makeZip(parts);
}

inline QString sheetXml(const QString& rows)
{
    return QStringLiteral("<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
                          "spreadsheetml/2006/main\"><sheetData>") + rows + QStringLiteral("</sheetData></worksheet>");
}

} // namespace classdiv::testing
