#pragma once

#include "EntryReader.h"
#include "XmlFormat.h"

#include <QXmlStreamReader>

// Reads an XML playlist: XSPF, WPL, ASX or an Apple Music property list, told apart by the root
// element. No DTD is loaded and nothing is fetched; a file that is not well-formed XML, that ends
// early, that expands an entity past a small limit or that declares an external one is refused.
class XmlReader final : public EntryReader {
public:
    XmlReader();
    void feed(std::string_view chunk, std::vector<std::string>& entries) override;
    std::optional<std::string> finish(std::vector<std::string>& entries) override;
    bool done() const override { return m_bEnded || m_refusal.has_value(); }

private:
    void give(std::string_view bytes, std::vector<std::string>& entries);
    void readTokens(std::vector<std::string>& entries);
    bool startElement(std::vector<std::string>& entries);
    bool declaresExternalEntity() const;
    void refuse(const QString& why);
    std::string errorReason() const;

    QXmlStreamReader m_xml;
    std::string m_strHead; // the first bytes, held until there are kHeadBytes of them
    bool m_bHeadGiven = false;
    std::unique_ptr<XmlFormat> m_format; // once the root element is read
    std::vector<QString> m_vecOpen; // the names of the open elements, for the user, and more
    std::size_t m_nOpen = 0; // how many are open
    bool m_bWplHeader = false; // a "<?wpl" instruction came first
    bool m_bEnded = false; // the root element was closed
    std::optional<std::string> m_refusal;
};
