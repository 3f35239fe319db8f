#include "XmlFormat.h"

#include <QXmlStreamReader>

namespace {

// XSPF, as VLC, Strawberry, Clementine, Quod Libet and Last.fm save it: every location of every
// track, in the XSPF namespace or, as older writers left it out, in none. Extensions (VLC's
// <extension>, other namespaces) are passed over.
class XspfFormat final : public XmlFormat {
public:
    explicit XspfFormat(bool withoutNamespace)
        : m_strNamespace(withoutNamespace ? QStringView() : kNamespace)
    {
    }
    void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>&) override
    {
        if (depth == m_nOpen && depth < kLevels && xml.namespaceUri() == m_strNamespace && xml.name() == kPath[depth]) {
            ++m_nOpen;
            m_bSawTrackList = m_bSawTrackList || m_nOpen == 2;
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
    std::optional<std::string> finish() override
    {
        // Without the namespace, only the track list tells XSPF from another "playlist" element.
        if (m_strNamespace.isEmpty() && !m_bSawTrackList) {
            return "an XML file that is not a playlist (a playlist without trackList)";
        }
        return std::nullopt;
    }

private:
    static constexpr QStringView kNamespace = u"http://xspf.org/ns/0/";
    static constexpr int kLevels = 4;
    static constexpr QStringView kPath[kLevels] = {u"playlist", u"trackList", u"track", u"location"};

    QStringView m_strNamespace; // of every element of kPath
    int m_nOpen = 0; // how many elements of kPath are open, one in another
    bool m_bSawTrackList = false;
    ElementText m_location;
};

} // namespace

std::unique_ptr<XmlFormat> makeXspfFormat(bool withoutNamespace)
{
    return std::make_unique<XspfFormat>(withoutNamespace);
}
