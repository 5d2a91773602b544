#include "import/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace classdiv {

namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kDirectorySignature = 0x02014b50;
constexpr quint32 kLocalSignature = 0x04034b50;
constexpr qsizetype kEndSize = 22;
constexpr qsizetype kDirectoryEntrySize = 46;
constexpr qsizetype kLocalHeaderSize = 30;
constexpr qsizetype kMaxComment = 0xFFFF;

quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(le16(b, at)) | quint32(le16(b, at + 2)) << 16;
}

// Whether [at, at + length) lies inside the bytes, without overflow.
bool fits(const QByteArray& b, qint64 at, qint64 length)
{
    return at >= 0 && length >= 0 && at <= b.size() && length <= b.size() - at;
}

} // namespace

ZipArchive::ZipArchive(QByteArray bytes) : m_bytes(std::move(bytes)) { m_status = readDirectory(); }

ZipStatus ZipArchive::readDirectory()
{
    const QByteArray& b = m_bytes;
    if (b.size() < kEndSize)
        return ZipStatus::NotZip;
    // The end record sits last, followed only by its comment.
    qsizetype end = -1;
    const qsizetype lowest = std::max<qsizetype>(0, b.size() - kEndSize - kMaxComment);
    for (qsizetype at = b.size() - kEndSize; at >= lowest; --at) {
        if (le32(b, at) == kEndSignature && at + kEndSize + le16(b, at + 20) == b.size()) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return b.startsWith("PK") ? ZipStatus::Malformed : ZipStatus::NotZip;

    const quint16 disk = le16(b, end + 4);
    const quint16 directoryDisk = le16(b, end + 6);
    const quint16 count = le16(b, end + 10);
    const quint32 directorySize = le32(b, end + 12);
    const quint32 directoryOffset = le32(b, end + 16);
    // Split archives and ZIP64 archives are nothing a spreadsheet program writes for a roster.
    if (disk != 0 || directoryDisk != 0 || count == 0xFFFF || directoryOffset == 0xFFFFFFFF)
        return ZipStatus::Malformed;
    if (!fits(b, directoryOffset, directorySize) || qint64(directoryOffset) + directorySize > end)
        return ZipStatus::Malformed;

    qsizetype at = directoryOffset;
    const qsizetype directoryEnd = qsizetype(directoryOffset) + directorySize;
    m_entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (at + kDirectoryEntrySize > directoryEnd || le32(b, at) != kDirectorySignature)
            return ZipStatus::Malformed;
        Entry entry;
        entry.flags = le16(b, at + 8);
        entry.method = le16(b, at + 10);
        entry.crc = le32(b, at + 16);
        entry.compressedSize = le32(b, at + 20);
        entry.size = le32(b, at + 24);
        const quint16 nameLength = le16(b, at + 28);
        const quint16 extraLength = le16(b, at + 30);
        const quint16 commentLength = le16(b, at + 32);
        entry.localOffset = le32(b, at + 42);
        const qsizetype next = at + kDirectoryEntrySize + nameLength + extraLength + commentLength;
        if (next > directoryEnd)
            return ZipStatus::Malformed;
        entry.name = QString::fromUtf8(b.constData() + at + kDirectoryEntrySize, nameLength);
        m_entries.push_back(std::move(entry));
        at = next;
    }
    return ZipStatus::Ok;
}

const ZipArchive::Entry* ZipArchive::find(const QString& name) const
{
    // Names are compared without regard to case, as Excel itself does.
    for (const Entry& entry : m_entries)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

ZipArchive::Part ZipArchive::read(const QString& name)
{
    if (m_status != ZipStatus::Ok)
        return {m_status, {}};
    const Entry* entry = find(name);
    if (!entry)
        return {ZipStatus::NoSuchPart, {}};
    if (entry->flags & 0x1)
        return {ZipStatus::Encrypted, {}};
    const qsizetype room = std::min(kMaxPartBytes, kMaxTotalBytes - m_inflatedTotal);
    if (qint64(entry->size) > room)
        return {ZipStatus::TooLarge, {}};

    const QByteArray& b = m_bytes;
    const qint64 local = entry->localOffset;
    if (!fits(b, local, kLocalHeaderSize) || le32(b, local) != kLocalSignature)
        return {ZipStatus::Malformed, {}};
    const qint64 data = local + kLocalHeaderSize + le16(b, local + 26) + le16(b, local + 28);
    if (!fits(b, data, entry->compressedSize))
        return {ZipStatus::Malformed, {}};

    QByteArray out;
    // Deflate cannot shrink data by more than about 1:1032; a size beyond
    // that is a lie, refused before any memory is set aside for it.
    if (qint64(entry->size) > qint64(entry->compressedSize) * 1032 + 1024)
        return {ZipStatus::Malformed, {}};
    if (entry->method == 0) {
        if (entry->compressedSize != entry->size)
            return {ZipStatus::Malformed, {}};
        out = b.mid(data, entry->compressedSize);
    } else if (entry->method == 8) {
        // The size the directory gives is not trusted: inflating stops once
        // the output passes it, and a part that inflates to more or less is refused.
        out.resize(qsizetype(entry->size));
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return {ZipStatus::Malformed, {}};
        char spare = 0;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(b.constData() + data));
        stream.avail_in = entry->compressedSize;
        stream.next_out = reinterpret_cast<Bytef*>(out.isEmpty() ? &spare : out.data());
        stream.avail_out = out.isEmpty() ? 1 : uInt(out.size());
        int result = inflate(&stream, Z_FINISH);
        const uLong produced = stream.total_out;
        inflateEnd(&stream);
        if (result != Z_STREAM_END || produced != entry->size)
            return {ZipStatus::Malformed, {}};
    } else {
        return {ZipStatus::Malformed, {}};
    }
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size()));
    if (crc != entry->crc)
        return {ZipStatus::Malformed, {}};
    m_inflatedTotal += out.size();
    return {ZipStatus::Ok, std::move(out)};
}

} // namespace classdiv
