#include "XmlFormat.h"

#include <QXmlStreamReader>

#include <utility>

namespace {

// An Apple Music or iTunes export, a property list: every Location in the Tracks dictionary.
//
//   <plist><dict>                                  depth 0, 1
//     <key>Tracks</key><dict>                      2
//       <key>1234</key><dict>                      3
//         <key>Location</key><string>file://...    4
class PlistFormat final : public XmlFormat {
public:
    void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>&) override
    {
        const bool key = xml.name() == u"key";
        if (depth == 2) {
            if (key) {
                gather(Gathering::TopKey);
            } else {
                m_bInTracks = std::exchange(m_strTopKey, {}) == u"Tracks" && xml.name() == u"dict";
                m_bSawTracks = m_bSawTracks || m_bInTracks;
            }
        } else if (depth == 4 && m_bInTracks) {
            if (key) {
                gather(Gathering::TrackKey);
            } else if (std::exchange(m_strTrackKey, {}) == u"Location" && xml.name() == u"string") {
                gather(Gathering::Location);
            }
        }
    }
    void characters(QStringView text) override { m_text.add(text); }
    void endElement(int depth, std::vector<std::string>& entries) override
    {
        if (depth == 2 && m_gathering == Gathering::TopKey) {
            m_strTopKey = m_text.take();
        } else if (depth == 2) {
            m_bInTracks = false;
        } else if (depth == 4 && m_gathering == Gathering::TrackKey) {
            m_strTrackKey = m_text.take();
        } else if (depth == 4 && m_gathering == Gathering::Location) {
            addXmlEntry(m_text.take(), entries);
        }
        if (depth <= 4 && m_gathering != Gathering::Nothing) {
            m_gathering = Gathering::Nothing;
            m_text.take();
        }
    }
    std::optional<std::string> finish() override
    {
        if (!m_bSawTracks) {
            return "an XML file that is not a playlist (a property list without Tracks)";
        }
        return std::nullopt;
    }

private:
    enum class Gathering : unsigned char { Nothing, TopKey, TrackKey, Location };

    void gather(Gathering what)
    {
        m_gathering = what;
        m_text.begin();
    }

    Gathering m_gathering = Gathering::Nothing;
    ElementText m_text;
    QString m_strTopKey; // the last key of the top dictionary, until its value starts
    QString m_strTrackKey; // the same in a track's dictionary
    bool m_bInTracks = false;
    bool m_bSawTracks = false;
};

} // namespace

std::unique_ptr<XmlFormat> makePlistFormat()
{
    return std::make_unique<PlistFormat>();
}
