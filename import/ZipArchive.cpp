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
// Deflate cannot shrink data by more than about 1:1032; a size beyond that is a lie.
constexpr qint64 kMaxRatio = 1032;

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

namespace {

// Where the end record starts: it sits last, followed only by its comment; -1: nowhere.
qsizetype endRecord(const QByteArray& b)
{
    const qsizetype lowest = std::max<qsizetype>(0, b.size() - kEndSize - kMaxComment);
    for (qsizetype at = b.size() - kEndSize; at >= lowest; --at) {
        if (le32(b, at) == kEndSignature && at + kEndSize + le16(b, at + 20) == b.size())
            return at;
    }
    return -1;
}

// Whether the bytes of two entries (local header to data end) overlap.
bool overlapping(std::vector<std::pair<qint64, qint64>> spans)
{
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return true;
    return false;
}

} // namespace

ZipArchive::ZipArchive(QByteArray bytes) : m_bytes(std::move(bytes)) { m_status = readDirectory(); }

ZipArchive::~ZipArchive() = default;

ZipStatus ZipArchive::readDirectory()
{
    const QByteArray& b = m_bytes;
    if (b.size() < kEndSize)
        return ZipStatus::NotZip;
    const qsizetype end = endRecord(b);
    if (end < 0)
        return b.startsWith("PK") ? ZipStatus::Malformed : ZipStatus::NotZip;

    const quint16 disk = le16(b, end + 4);
    const quint16 directoryDisk = le16(b, end + 6);
    const quint16 countHere = le16(b, end + 8);
    const quint16 count = le16(b, end + 10);
    const quint32 directorySize = le32(b, end + 12);
    const quint32 directoryOffset = le32(b, end + 16);
    // Split archives and ZIP64 archives are nothing a spreadsheet program writes for a roster.
    if (disk != 0 || directoryDisk != 0 || count == 0xFFFF || directoryOffset == 0xFFFFFFFF || countHere != count)
        return ZipStatus::Malformed;
    if (count > kMaxEntries)
        return ZipStatus::TooLarge;
    if (!fits(b, directoryOffset, directorySize) || qint64(directoryOffset) + directorySize > end)
        return ZipStatus::Malformed;

    qsizetype at = directoryOffset;
    const qsizetype directoryEnd = qsizetype(directoryOffset) + directorySize;
    std::vector<std::pair<qint64, qint64>> spans; // each entry's bytes, local header to data end
    m_entries.reserve(count);
    spans.reserve(count);
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
        const qint64 local = le32(b, at + 42);
        const qsizetype next = at + kDirectoryEntrySize + nameLength + extraLength + commentLength;
        if (next > directoryEnd)
            return ZipStatus::Malformed;
        entry.name = QString::fromUtf8(b.constData() + at + kDirectoryEntrySize, nameLength);
        // Every entry's stored bytes lie before the directory, behind a local header of its own.
        if (!fits(b, local, kLocalHeaderSize) || local + kLocalHeaderSize > directoryOffset ||
            le32(b, local) != kLocalSignature)
            return ZipStatus::Malformed;
        entry.data = local + kLocalHeaderSize + le16(b, local + 26) + le16(b, local + 28);
        if (entry.data + qint64(entry.compressedSize) > directoryOffset)
            return ZipStatus::Malformed;
        spans.emplace_back(local, entry.data + entry.compressedSize);
        m_entries.push_back(std::move(entry));
        at = next;
    }
    return overlapping(std::move(spans)) ? ZipStatus::Malformed : ZipStatus::Ok;
}

const ZipArchive::Entry* ZipArchive::find(const QString& name) const
{
    // Names are compared without regard to case, as Excel itself does.
    for (const Entry& entry : m_entries)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

ZipStatus ZipArchive::check(const Entry& entry) const
{
    if (entry.flags & 0x1)
        return ZipStatus::Encrypted;
    if (entry.method != 0 && entry.method != 8)
        return ZipStatus::Malformed;
    if (entry.method == 0 ? entry.compressedSize != entry.size
                          : qint64(entry.size) > qint64(entry.compressedSize) * kMaxRatio + 1024)
        return ZipStatus::Malformed;
    return qint64(entry.size) > kMaxPartBytes ? ZipStatus::TooLarge : ZipStatus::Ok;
}

ZipStatus ZipArchive::reserve(const QStringList& names)
{
    if (m_status != ZipStatus::Ok)
        return m_status;
    qint64 total = m_reserved;
    std::vector<Entry*> taken;
    for (const QString& name : names) {
        auto* entry = const_cast<Entry*>(find(name));
        if (!entry || entry->reserved || std::find(taken.begin(), taken.end(), entry) != taken.end())
            continue;
        if (const ZipStatus status = check(*entry); status != ZipStatus::Ok)
            return status;
        total += entry->size;
        taken.push_back(entry);
    }
    if (total > kMaxTotalBytes)
        return ZipStatus::TooLarge;
    for (Entry* entry : taken)
        entry->reserved = true;
    m_reserved = total;
    return ZipStatus::Ok;
}

std::unique_ptr<ZipPartStream> ZipArchive::open(const QString& name, ZipStatus* status)
{
    const Entry* entry = find(name);
    *status = m_status != ZipStatus::Ok ? m_status : !entry ? ZipStatus::NoSuchPart : reserve({name});
    if (*status != ZipStatus::Ok)
        return nullptr;
    std::unique_ptr<ZipPartStream> stream(new ZipPartStream(m_bytes, *entry));
    if (stream->status() != ZipStatus::Ok) {
        *status = stream->status();
        return nullptr;
    }
    return stream;
}

ZipArchive::Part ZipArchive::read(const QString& name)
{
    ZipStatus status = ZipStatus::Ok;
    const std::unique_ptr<ZipPartStream> stream = open(name, &status);
    if (!stream)
        return {status, {}};
    const QByteArray bytes = stream->readAll();
    if (stream->drain() != ZipStatus::Ok)
        return {stream->status(), {}};
    return {ZipStatus::Ok, bytes};
}

struct ZipPartStream::Inflater {
    z_stream stream{};
};

ZipPartStream::ZipPartStream(const QByteArray& bytes, const ZipArchive::Entry& entry)
    : m_bytes(bytes), m_entry(entry)
{
    if (m_entry.method == 8) {
        m_inflater = std::make_unique<Inflater>();
        if (inflateInit2(&m_inflater->stream, -MAX_WBITS) != Z_OK) {
            m_inflater.reset();
            m_status = ZipStatus::Malformed;
        }
    }
    m_crc = quint32(crc32(0L, nullptr, 0));
    QIODevice::open(QIODevice::ReadOnly);
}

ZipPartStream::~ZipPartStream()
{
    if (m_inflater)
        inflateEnd(&m_inflater->stream);
}

qint64 ZipPartStream::fail(ZipStatus status)
{
    m_status = status;
    setErrorString(QStringLiteral("broken part"));
    return -1;
}

qint64 ZipPartStream::readData(char* data, qint64 maxSize)
{
    if (m_status != ZipStatus::Ok)
        return -1;
    if (m_finished || maxSize <= 0)
        return 0;
    qint64 produced = 0;
    bool ended = false;
    if (m_entry.method == 0) {
        const char* in = m_bytes.constData() + m_entry.data + m_consumed;
        produced = std::min(maxSize, qint64(m_entry.compressedSize) - m_consumed);
        std::copy(in, in + produced, data);
        m_consumed += produced;
        ended = m_consumed == qint64(m_entry.compressedSize);
    } else {
        // Never more than one byte past the declared size: that byte already proves it a lie.
        const qint64 room = std::min<qint64>(maxSize, qint64(m_entry.size) - m_produced + 1);
        z_stream& z = m_inflater->stream;
        z.next_out = reinterpret_cast<Bytef*>(data);
        z.avail_out = uInt(std::min<qint64>(room, std::numeric_limits<uInt>::max()));
        // A deflate block may take input before it gives any output.
        while (produced == 0 && !ended) {
            const char* from = m_bytes.constData() + m_entry.data + m_consumed;
            const qint64 left = qint64(m_entry.compressedSize) - m_consumed;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(from));
            z.avail_in = uInt(std::min<qint64>(left, std::numeric_limits<uInt>::max()));
            const int result = inflate(&z, Z_NO_FLUSH);
            const qint64 taken = qint64(reinterpret_cast<const char*>(z.next_in) - from);
            m_consumed += taken;
            produced = qint64(reinterpret_cast<char*>(z.next_out) - data);
            if (result == Z_STREAM_END)
                ended = true;
            else if (result != Z_OK && result != Z_BUF_ERROR)
                return fail(ZipStatus::Malformed);
            else if (produced == 0 && taken == 0)
                return fail(ZipStatus::Malformed); // the stored bytes end before the part does
        }
    }
    m_produced += produced;
    if (m_produced > qint64(m_entry.size))
        return fail(ZipStatus::Malformed);
    m_crc = quint32(crc32(m_crc, reinterpret_cast<const Bytef*>(data), uInt(produced)));
    if (ended) {
        m_finished = true;
        if (m_produced != qint64(m_entry.size) || m_crc != m_entry.crc)
            return fail(ZipStatus::Malformed);
    }
    return produced;
}

ZipStatus ZipPartStream::drain()
{
    char buffer[16384];
    while (m_status == ZipStatus::Ok && !m_finished)
        if (read(buffer, sizeof buffer) < 0)
            break;
    return m_status;
}

} // namespace classdiv
