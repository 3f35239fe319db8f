#include "XmlReader.h"

#include <utility>

namespace {

// Characters an entity may expand to, all its references taken together: a playlist needs none,
// a "billion laughs" file needs billions.
constexpr int kEntityExpansionLimit = 4096;
// Qt 6.4 misreads UTF-16 whose XML declaration, naming its encoding, came in two pieces: the
// first piece it is given holds this many bytes, the whole declaration with them.
constexpr std::size_t kHeadBytes = 4096;

std::string lineSuffix(qint64 line)
{
    return " (line " + std::to_string(line) + ")";
}

} // namespace

XmlReader::XmlReader()
{
    m_xml.setEntityExpansionLimit(kEntityExpansionLimit);
}

void XmlReader::feed(std::string_view chunk, std::vector<std::string>& entries)
{
    if (done()) {
        return;
    }
    if (m_bHeadGiven) {
        give(chunk, entries);
        return;
    }
    m_strHead.append(chunk);
    if (m_strHead.size() >= kHeadBytes) {
        m_bHeadGiven = true;
        give(std::exchange(m_strHead, {}), entries);
    }
}

void XmlReader::give(std::string_view bytes, std::vector<std::string>& entries)
{
    m_xml.addData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    readTokens(entries);
}

void XmlReader::readTokens(std::vector<std::string>& entries)
{
    while (!done()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::Invalid:
            // Premature end: the rest may come with the next chunk; finish() tells.
            if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
                m_refusal = errorReason();
            }
            return;
        case QXmlStreamReader::DTD:
            if (declaresExternalEntity()) {
                refuse(QStringLiteral("the file declares an external entity, which is not read"));
            }
            break;
        case QXmlStreamReader::ProcessingInstruction:
            m_bWplHeader = m_bWplHeader || m_xml.processingInstructionTarget() == u"wpl";
            break;
        case QXmlStreamReader::StartElement:
            if (!startElement(entries)) {
                return;
            }
            break;
        case QXmlStreamReader::Characters:
            if (m_format != nullptr) {
                m_format->characters(m_xml.text());
            }
            break;
        case QXmlStreamReader::EntityReference:
            // An entity that could not be expanded would leave a hole in a location.
            refuse(QStringLiteral("the entity &%1; cannot be read").arg(m_xml.name()));
            break;
        case QXmlStreamReader::EndElement:
            --m_nOpen;
            m_format->endElement(static_cast<int>(m_nOpen), entries);
            break;
        case QXmlStreamReader::EndDocument:
            m_bEnded = true;
            break;
        default:
            break;
        }
    }
}

bool XmlReader::startElement(std::vector<std::string>& entries)
{
    if (m_format == nullptr) {
        m_format = xmlFormatFor(m_xml, m_bWplHeader);
        if (m_format == nullptr) {
            m_refusal = "an XML file that is not a playlist";
            return false;
        }
    }
    m_format->startElement(m_xml, static_cast<int>(m_nOpen), entries);
    // Each depth's name is written over the last one's, without a new allocation each time.
    if (m_nOpen == m_vecOpen.size()) {
        m_vecOpen.emplace_back();
    }
    m_vecOpen[m_nOpen].resize(0);
    m_vecOpen[m_nOpen++].append(m_xml.qualifiedName());
    return true;
}

bool XmlReader::declaresExternalEntity() const
{
    for (const QXmlStreamEntityDeclaration& entity : m_xml.entityDeclarations()) {
        if (!entity.systemId().isEmpty() || !entity.publicId().isEmpty()) {
            return true;
        }
    }
    return false;
}

void XmlReader::refuse(const QString& why)
{
    m_refusal = why.toStdString() + lineSuffix(m_xml.lineNumber());
}

std::string XmlReader::errorReason() const
{
    QString message = m_xml.errorString();
    // Qt says it in English whatever the locale; the limit is what stopped the expansion.
    if (message.contains(QStringLiteral("entity expansion limit"))) {
        return "an entity expands past the limit of " + std::to_string(kEntityExpansionLimit) + " characters"
            + lineSuffix(m_xml.lineNumber());
    }
    if (message.endsWith(u'.')) {
        message.chop(1);
    }
    if (!message.isEmpty()) {
        message[0] = message[0].toLower();
    }
    return "not well-formed XML: " + message.toStdString() + lineSuffix(m_xml.lineNumber());
}

std::optional<std::string> XmlReader::finish(std::vector<std::string>& entries)
{
    if (!m_bHeadGiven) {
        m_bHeadGiven = true;
        give(std::exchange(m_strHead, {}), entries);
    }
    if (m_refusal) {
        return m_refusal;
    }
    if (!m_bEnded) {
        if (m_nOpen == 0) {
            return "the file ends before its first element" + lineSuffix(m_xml.lineNumber());
        }
        return "the file ends inside <" + m_vecOpen[m_nOpen - 1].toStdString() + ">" + lineSuffix(m_xml.lineNumber());
    }
    return m_format->finish();
}
