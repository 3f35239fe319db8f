#include "XmlFormat.h"

#include <QXmlStreamReader>

#include <utility>

std::unique_ptr<XmlFormat> xmlFormatFor(const QXmlStreamReader& xml, bool wplHeader)
{
    const QStringView name = xml.name();
    // Last.fm, Clementine and older Quod Libet leave the XSPF namespace out.
    if (name == u"playlist" && (xml.namespaceUri() == u"http://xspf.org/ns/0/" || xml.namespaceUri().isEmpty())) {
        return makeXspfFormat(xml.namespaceUri().isEmpty());
    }
    if (sameName(name, u"WinampXML")) {
        return makeB4sFormat();
    }
    if (wplHeader || name == u"smil") {
        return makeWplFormat();
    }
    if (sameName(name, u"asx")) {
        return makeAsxFormat();
    }
    if (name == u"plist") {
        return makePlistFormat();
    }
    return nullptr;
}

void addXmlEntry(QStringView text, std::vector<std::string>& entries)
{
    const QStringView entry = text.trimmed();
    if (!entry.isEmpty()) {
        const QByteArray utf8 = entry.toUtf8();
        entries.emplace_back(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
}

void ElementText::add(QStringView text)
{
    if (m_bOpen) {
        m_strText += text;
    }
}

QString ElementText::take()
{
    m_bOpen = false;
    return std::exchange(m_strText, {});
}
