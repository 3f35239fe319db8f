#include "XmlFormat.h"

#include <QXmlStreamReader>

namespace {

// ASX, whose writers spell element and attribute names in any case: every ref href of every
// entry, also inside a repeat.
class AsxFormat final : public XmlFormat {
public:
    void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>& entries) override
    {
        if (sameName(xml.name(), u"entry")) {
            m_nEntryDepth = depth;
        } else if (depth == m_nEntryDepth + 1 && m_nEntryDepth >= 0 && sameName(xml.name(), u"ref")) {
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (sameName(attribute.name(), u"href")) {
                    addXmlEntry(attribute.value(), entries);
                }
            }
        }
    }
    void characters(QStringView) override { }
    void endElement(int depth, std::vector<std::string>&) override
    {
        if (depth == m_nEntryDepth) {
            m_nEntryDepth = -1;
        }
    }

private:
    int m_nEntryDepth = -1; // of the open entry element, if any
};

} // namespace

std::unique_ptr<XmlFormat> makeAsxFormat()
{
    return std::make_unique<AsxFormat>();
}
