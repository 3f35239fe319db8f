#include "XmlFormat.h"

#include <QXmlStreamReader>

namespace {

// Winamp 3's B4S: every entry's Playstring.
//
//   <WinampXML><playlist num_entries="2" label="Mix">             depth 0, 1
//     <entry Playstring="file:C:\Music\a.mp3"><Name>a</Name>       2
class B4sFormat final : public XmlFormat {
public:
    void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>& entries) override
    {
        if (depth == 1) {
            m_bInPlaylist = sameName(xml.name(), u"playlist");
            m_bSawPlaylist = m_bSawPlaylist || m_bInPlaylist;
        } else if (depth == 2 && m_bInPlaylist && sameName(xml.name(), u"entry")) {
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (sameName(attribute.name(), u"Playstring")) {
                    addXmlEntry(plainPath(attribute.value()), entries);
                }
            }
        }
    }
    void characters(QStringView) override { }
    void endElement(int depth, std::vector<std::string>&) override
    {
        if (depth == 1) {
            m_bInPlaylist = false;
        }
    }
    std::optional<std::string> finish() override
    {
        if (!m_bSawPlaylist) {
            return "an XML file that is not a playlist (WinampXML without a playlist)";
        }
        return std::nullopt;
    }

private:
    // Winamp writes "file:" before a plain path ("file:C:\Music\a.mp3"); a file URL stays one.
    static QStringView plainPath(QStringView playstring)
    {
        if (playstring.startsWith(u"file:", Qt::CaseInsensitive)
            && !playstring.startsWith(u"file://", Qt::CaseInsensitive)) {
            return playstring.mid(5);
        }
        return playstring;
    }

    bool m_bInPlaylist = false;
    bool m_bSawPlaylist = false;
};

} // namespace

std::unique_ptr<XmlFormat> makeB4sFormat()
{
    return std::make_unique<B4sFormat>();
}
