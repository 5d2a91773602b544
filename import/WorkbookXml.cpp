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

PartXml::PartXml(ZipArchive& zip, const QString& name) : m_name(name)
{
    ZipStatus status = ZipStatus::Ok;
    m_stream = zip.open(name, &status);
    if (m_stream)
        m_xml.setDevice(m_stream.get());
    else
        stop(partStatus(status));
}

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
    if (m_xml.hasError())
        return WorkbookStatus::Malformed;
    // The XML ended; what follows it, and the checksum, still count.
    return partStatus(m_stream->drain());
}

} // namespace classdiv::workbook
