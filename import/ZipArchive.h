#pragma once
// The parts of a ZIP archive held whole in memory, read through the central
// directory with every offset and size checked against the bytes at hand.
// Only what spreadsheet programs write is taken: stored or deflated parts,
// no encryption, no ZIP64 (no roster comes near 4 GB).

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

enum class ZipStatus {
    Ok,
    NotZip,     // no end-of-directory record: not a ZIP at all
    Malformed,  // a directory or a part that does not fit the bytes, a bad checksum
    Encrypted,  // a part stored with ZIP's own encryption
    TooLarge,   // a part, or all parts read, inflate past the limit
    NoSuchPart,
};

class ZipArchive {
public:
    // A part that inflates past this is refused (a roster's largest part is a
    // few megabytes); the parts read from one archive together stay below
    // kMaxTotalBytes.
    static constexpr qsizetype kMaxPartBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxTotalBytes = 160 * 1024 * 1024;

    // Reads the central directory; status() tells whether it could.
    explicit ZipArchive(QByteArray bytes);

    ZipStatus status() const { return m_status; }
    bool contains(const QString& name) const { return find(name) != nullptr; }

    struct Part {
        ZipStatus status = ZipStatus::Ok;
        QByteArray bytes;
    };
    // The inflated part, by its name in the archive (no leading '/').
    Part read(const QString& name);

private:
    struct Entry {
        QString name;
        quint16 flags = 0;
        quint16 method = 0;
        quint32 crc = 0;
        quint32 compressedSize = 0;
        quint32 size = 0;
        quint32 localOffset = 0;
    };
    const Entry* find(const QString& name) const;
    ZipStatus readDirectory();

    QByteArray m_bytes;
    std::vector<Entry> m_entries;
    ZipStatus m_status = ZipStatus::NotZip;
    qsizetype m_inflatedTotal = 0;
};

} // namespace classdiv
