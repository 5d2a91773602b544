#include "import/WorkbookXml.h"

namespace classdiv::workbook {

namespace {

WorkbookStatus partStatus(ZipStatus status)
{
    switch (status) {
    case ZipStatus::Ok:
        return WorkbookStatus::Ok;
    case ZipStatus::TooLarge:
        return WorkbookStatus::ZipBomb;
    case ZipStatus::Encrypted:
        return WorkbookStatus::Encrypted;
    case ZipStatus::NoSuchPart:
        return WorkbookStatus::NoSheet;
    case ZipStatus::NotZip:
    case ZipStatus::Malformed:
        break;
    }
    return WorkbookStatus::Malformed;
}

} // namespace

// The part's bytes on their way to the XML reader, each run between two
// '<' counted.
class MarkupRuns : public QIODevice {
public:
    explicit MarkupRuns(ZipPartStream& source) : m_source(source) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool tooLong() const { return m_tooLong; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 read = m_source.read(data, maxSize);
        if (read <= 0)
            return read;
        const QByteArrayView bytes(data, read);
        const qsizetype first = bytes.indexOf('<');
        // The run going on into this chunk, then the one it leaves open (runs
        // between two '<' inside one chunk are shorter than the chunk).
        m_tooLong = m_tooLong || m_run + (first < 0 ? read : first) > kMaxRunBytes || read > kMaxRunBytes;
        m_run = first < 0 ? m_run + read : read - 1 - bytes.lastIndexOf('<');
        return m_tooLong ? -1 : read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ZipPartStream& m_source;
    qint64 m_run = 0;
    bool m_tooLong = false;
};

PartXml::PartXml(ZipArchive& zip, const QString& name) : m_name(name)
{
    ZipStatus status = ZipStatus::Ok;
    m_stream = zip.open(name, &status);
    if (m_stream) {
        m_runs = std::make_unique<MarkupRuns>(*m_stream);
        m_xml.setDevice(m_runs.get());
    } else {
        stop(partStatus(status));
    }
}

PartXml::~PartXml() = default;

void PartXml::stop(WorkbookStatus status)
{
    if (m_status == WorkbookStatus::Ok)
        m_status = status;
    if (!m_xml.hasError())
        m_xml.raiseError(QStringLiteral("refused"));
}

QXmlStreamReader::TokenType PartXml::next()
{
    const auto token = m_xml.readNext();
    if (token == QXmlStreamReader::DTD) {
        stop(WorkbookStatus::DocType);
    } else if (token == QXmlStreamReader::StartElement) {
        if (++m_depth > kMaxDepth)
            stop(WorkbookStatus::TooDeep);
    } else if (token == QXmlStreamReader::EndElement) {
        --m_depth;
    }
    return m_xml.hasError() ? QXmlStreamReader::Invalid : token;
}

bool PartXml::nextStartElement()
{
    while (!m_xml.atEnd()) {
        const auto token = next();
        if (token == QXmlStreamReader::StartElement)
            return true;
        if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::Invalid)
            return false;
    }
    return false;
}

void PartXml::skipElement()
{
    const int depth = m_depth;
    while (!m_xml.atEnd() && m_depth >= depth)
        next();
}

std::optional<QString> PartXml::elementText()
{
    QString text;
    const int depth = m_depth;
    while (!m_xml.atEnd() && m_depth >= depth) {
        if (next() != QXmlStreamReader::Characters)
            continue;
        if (text.size() + m_xml.text().size() > kMaxCellChars) {
            stop(WorkbookStatus::CellTooLong);
            return std::nullopt;
        }
        text += m_xml.text();
    }
    if (m_xml.hasError())
        return std::nullopt;
    return text;
}

WorkbookStatus PartXml::outcome()
{
    if (m_status != WorkbookStatus::Ok)
        return m_status;
    if (m_stream->status() != ZipStatus::Ok)
        return partStatus(m_stream->status());
    if (m_runs->tooLong())
        return WorkbookStatus::TooDeep;
    if (m_xml.hasError())
        return WorkbookStatus::Malformed;
    // The XML ended; what follows it, and the checksum, still count.
    return partStatus(m_stream->drain());
}

} // namespace classdiv::workbook
