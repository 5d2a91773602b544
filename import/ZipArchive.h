#pragma once
// The parts of a ZIP archive held whole in memory, read through the central
// directory with every offset and size checked against the bytes at hand.
// Only what spreadsheet programs write is taken: stored or deflated parts,
// no encryption, no ZIP64 (no roster comes near 4 GB).
//
// The directory is checked whole before anything is inflated: the number of
// entries, every entry's place inside the bytes, and no two entries sharing
// bytes (a ZIP whose entries overlap inflates the same bytes many times).
// A part is inflated as it is read (open), so that a reader holds only what
// it keeps of it; the sizes the directory declares are checked before.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>
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

class ZipPartStream;

class ZipArchive {
public:
    // A part that declares more than kMaxPartBytes is refused, and so are
    // parts that together declare more than kMaxTotalBytes (a roster's
    // largest part is a few megabytes). What bounds the time a workbook takes
    // is what its XML parts inflate to, so these are what keeps it short.
    static constexpr qint64 kMaxPartBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxTotalBytes = 20 * 1024 * 1024;
    // Spreadsheet programs write a few dozen entries; pictures add some.
    static constexpr int kMaxEntries = 10000;

    // Reads and checks the central directory; status() tells whether it could.
    explicit ZipArchive(QByteArray bytes);
    ~ZipArchive();

    ZipStatus status() const { return m_status; }
    bool contains(const QString& name) const { return find(name) != nullptr; }

    // Sets aside the declared sizes of parts about to be read, before any of
    // them is inflated: TooLarge when one passes kMaxPartBytes or all parts
    // set aside pass kMaxTotalBytes. Parts not in the archive are left out.
    ZipStatus reserve(const QStringList& names);

    // A part to read as it inflates (its size set aside first); nullptr with
    // the status when it cannot be read. The stream fails (read() gives -1)
    // once the part inflates past its declared size, and status() says why.
    std::unique_ptr<ZipPartStream> open(const QString& name, ZipStatus* status);

    struct Part {
        ZipStatus status = ZipStatus::Ok;
        QByteArray bytes;
    };
    // The inflated part whole, by its name in the archive (no leading '/').
    Part read(const QString& name);

private:
    friend class ZipPartStream;
    struct Entry {
        QString name;
        quint16 flags = 0;
        quint16 method = 0;
        quint32 crc = 0;
        quint32 compressedSize = 0;
        quint32 size = 0;
        qint64 data = 0; // where its stored bytes begin
        bool reserved = false;
    };
    const Entry* find(const QString& name) const;
    ZipStatus readDirectory();
    ZipStatus check(const Entry& entry) const;

    QByteArray m_bytes;
    std::vector<Entry> m_entries;
    ZipStatus m_status = ZipStatus::NotZip;
    qint64 m_reserved = 0;
};

// One part as it inflates. Its checksum and size are checked at its end.
class ZipPartStream : public QIODevice {
public:
    ~ZipPartStream() override;
    bool isSequential() const override { return true; }
    // Ok once the whole part was read and found sound; Malformed or TooLarge
    // as soon as it is known to be neither.
    ZipStatus status() const { return m_status; }
    bool finished() const { return m_finished; }
    // Reads what is left, to check the checksum; the status then.
    ZipStatus drain();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    friend class ZipArchive;
    ZipPartStream(const QByteArray& bytes, const ZipArchive::Entry& entry);
    qint64 fail(ZipStatus status);

    const QByteArray& m_bytes;
    ZipArchive::Entry m_entry;
    struct Inflater;
    std::unique_ptr<Inflater> m_inflater;
    qint64 m_consumed = 0; // stored bytes taken
    qint64 m_produced = 0;
    quint32 m_crc = 0;
    bool m_finished = false;
    ZipStatus m_status = ZipStatus::Ok;
};

} // namespace classdiv
