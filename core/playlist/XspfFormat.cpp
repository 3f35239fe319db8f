#include "XmlFormat.h"

#include <QXmlStreamReader>

namespace {

// XSPF, as VLC, Strawberry, Clementine and Quod Libet save it: every location of every track.
// Extensions (VLC's <extension>, other namespaces) are passed over.
class XspfFormat final : public XmlFormat {
public:
    void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>&) override
    {
        if (depth == m_nOpen && depth < kLevels && xml.namespaceUri() == kNamespace && xml.name() == kPath[depth]) {
            ++m_nOpen;
            if (m_nOpen == kLevels) {
                m_location.begin();
            }
        }
    }
    void characters(QStringView text) override { m_location.add(text); }
    void endElement(int depth, std::vector<std::string>& entries) override
    {
        if (depth >= m_nOpen) {
            return;
        }
        if (m_nOpen == kLevels) {
            addXmlEntry(m_location.take(), entries);
        }
        m_nOpen = depth;
    }

private:
    static constexpr QStringView kNamespace = u"http://xspf.org/ns/0/";
    static constexpr int kLevels = 4;
    static constexpr QStringView kPath[kLevels] = {u"playlist", u"trackList", u"track", u"location"};

    int m_nOpen = 0; // how many elements of kPath are open, one in another
    ElementText m_location;
};

} // namespace

std::unique_ptr<XmlFormat> makeXspfFormat()
{
    return std::make_unique<XspfFormat>();
}
