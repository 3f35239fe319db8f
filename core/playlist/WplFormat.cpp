#include "XmlFormat.h"

#include <QXmlStreamReader>

namespace {

// Windows Media Player's WPL (and Zune's ZPL), a SMIL document: each media element's src.
class WplFormat final : public XmlFormat {
public:
    void startElement(const QXmlStreamReader& xml, int, std::vector<std::string>& entries) override
    {
        if (xml.name() == u"media") {
            addXmlEntry(xml.attributes().value(QStringLiteral("src")), entries);
        }
    }
    void characters(QStringView) override { }
    void endElement(int, std::vector<std::string>&) override { }
};

} // namespace

std::unique_ptr<XmlFormat> makeWplFormat()
{
    return std::make_unique<WplFormat>();
}
