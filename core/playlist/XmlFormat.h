#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QXmlStreamReader;

// Element and attribute names as ASX and B4S writers spell them: in any case.
inline bool sameName(QStringView name, QStringView expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

// One XML playlist format. The reader shows it each element as the file is read, with its depth
// (0 for the root), and it hands on the entries it finds.
class XmlFormat {
public:
    virtual ~XmlFormat() = default;
    virtual void startElement(const QXmlStreamReader& xml, int depth, std::vector<std::string>& entries) = 0;
    virtual void characters(QStringView text) = 0;
    virtual void endElement(int depth, std::vector<std::string>& entries) = 0;
    // The file was read whole: why it is no playlist after all, or nothing.
    virtual std::optional<std::string> finish() { return std::nullopt; }
};

// The format whose root element `xml` stands at, or none. `wplHeader`: a "<?wpl" instruction
// came before it.
std::unique_ptr<XmlFormat> xmlFormatFor(const QXmlStreamReader& xml, bool wplHeader);

// `withoutNamespace`: the root is a plain "playlist", which is XSPF only with a trackList.
std::unique_ptr<XmlFormat> makeXspfFormat(bool withoutNamespace);
std::unique_ptr<XmlFormat> makeWplFormat();
std::unique_ptr<XmlFormat> makeAsxFormat();
std::unique_ptr<XmlFormat> makePlistFormat();
std::unique_ptr<XmlFormat> makeB4sFormat();

// Adds a location or file name as written in the file, entities decoded, white space around it
// taken off; an empty one names no file.
void addXmlEntry(QStringView text, std::vector<std::string>& entries);

// The text of an element, gathered across the pieces in which the reader hands it on.
class ElementText {
public:
    void begin() { m_bOpen = true; }
    void add(QStringView text);
    // The text so far; ends the gathering.
    QString take();

private:
    QString m_strText;
    bool m_bOpen = false;
};
