// ASX as players read it, which is not as XML: Windows Media Player and the radio stations'
// generators write end tags in another case than their start tags (<Entry>...</entry>), bare "&"
// in URLs and attribute values without quotes, and QXmlStreamReader refuses all three. This reader
// allows exactly these and nothing else: every other fault, and a file that ends before its root
// element does, refuses the file whole. Entities are decoded only in the hrefs it takes; no entity
// a document type declares is read (so none can expand or be fetched), and a reference to one in
// an href refuses the file. The bytes are kept as they are, as M3U lines are.

#include "EntryReader.h"

#include "Ascii.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::size_t kNone = std::string_view::npos;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// `name`, in any case, is `lower`.
bool isNamed(std::string_view name, std::string_view lower)
{
    return name.size() == lower.size()
        && std::equal(name.begin(), name.end(), lower.begin(), [](char a, char b) { return lowerAscii(a) == b; });
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

// Markup that is no element, told by how it starts.
struct Markup {
    std::string_view open;
    std::string_view close;
};
constexpr Markup kMarkups[] = {{"<?", "?>"}, {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<!", ">"}};

// The length of the reference "&name;" or "&#123;" that starts `text`, or 0 when its "&" starts
// none and is a literal "&".
std::size_t referenceLength(std::string_view text)
{
    std::size_t i = 1;
    while (i < text.size()
           && (isAsciiLetter(text[i]) || (text[i] >= '0' && text[i] <= '9') || text[i] == '#' || text[i] == '_'
               || text[i] == '-' || text[i] == '.' || text[i] == ':')) {
        ++i;
    }
    return i > 1 && i < text.size() && text[i] == ';' ? i + 1 : 0;
}

bool appendCodePoint(std::string& out, std::uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return false;
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return true;
}

// Appends what the reference named `name` (between "&" and ";") stands for; false for one that
// is not a character or one of XML's five.
bool decodeReference(std::string_view name, std::string& out)
{
    static constexpr std::pair<std::string_view, char> kPredefined[]
        = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    if (name.starts_with('#')) {
        const bool hex = name.size() > 1 && name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        return !digits.empty() && error == std::errc() && end == digits.data() + digits.size()
            && appendCodePoint(out, code);
    }
    for (const auto& [entity, c] : kPredefined) {
        if (name == entity) {
            out += c;
            return true;
        }
    }
    return false;
}

// The encoding an XML declaration names, or nothing.
std::optional<std::string> declaredEncoding(std::string_view declaration)
{
    const std::size_t name = declaration.find("encoding");
    const std::size_t quote = declaration.find_first_of("\"'", name);
    if (name == kNone || quote == kNone) {
        return std::nullopt;
    }
    const std::size_t end = declaration.find(declaration[quote], quote + 1);
    return std::string(declaration.substr(quote + 1, end == kNone ? 0 : end - quote - 1));
}

// Bytes in these are kept as they are and read as UTF-8 or Windows-1252 later, as M3U lines are.
bool readsAsBytes(std::string_view encoding)
{
    for (const std::string_view known : {"utf-8", "us-ascii", "ascii", "iso-8859-1", "latin1", "windows-1252"}) {
        if (isNamed(encoding, known)) {
            return true;
        }
    }
    return false;
}

class AsxReader final : public EntryReader {
public:
    void feed(std::string_view chunk, std::vector<std::string>& entries) override;
    std::optional<std::string> finish(std::vector<std::string>& entries) override;
    bool done() const override { return m_bEnded || m_refusal.has_value(); }

private:
    void readMarkups(std::vector<std::string>& entries);
    std::size_t markupEnd(std::string_view markup);
    std::size_t tagEnd(std::string_view tag);
    void take(std::string_view markup, std::vector<std::string>& entries);
    void startTag(std::string_view tag, std::vector<std::string>& entries);
    void endTag(std::string_view name);
    bool readAttributes(std::string_view attributes, bool ref, bool& empty, std::vector<std::string>& entries);
    bool addHref(std::string_view value, std::vector<std::string>& entries);
    void refuse(const std::string& why);

    std::string m_strBuffer; // the bytes not taken yet: an unfinished markup, or the start of text
    std::size_t m_nSearched = 0; // how far the end of the markup at the buffer's start was looked for
    char m_cQuote = 0; // the quote open at m_nSearched in an element's tag
    std::uint64_t m_nLine = 1; // of the buffer's first byte
    bool m_bHeadPassed = false; // a UTF-8 byte-order mark was looked for
    std::vector<std::string> m_vecOpen; // the names of the open elements, as written, and more
    std::size_t m_nOpen = 0; // how many are open
    std::size_t m_nEntryDepth = kNone; // of the open entry element
    bool m_bEnded = false; // the root element was closed
    std::optional<std::string> m_refusal;
};

void AsxReader::feed(std::string_view chunk, std::vector<std::string>& entries)
{
    if (done()) {
        return;
    }
    m_strBuffer.append(chunk);
    if (!m_bHeadPassed) {
        if (m_strBuffer.size() < 3 && std::string_view("\xEF\xBB\xBF").starts_with(m_strBuffer)) {
            return;
        }
        m_bHeadPassed = true;
        if (m_strBuffer.starts_with("\xEF\xBB\xBF")) {
            m_strBuffer.erase(0, 3);
        }
    }
    readMarkups(entries);
}

// Takes the text and every whole markup in the buffer, and keeps the unfinished rest.
void AsxReader::readMarkups(std::vector<std::string>& entries)
{
    const std::string_view buffer = m_strBuffer;
    std::size_t at = 0;
    while (!done() && at < buffer.size()) {
        const std::string_view rest = buffer.substr(at);
        std::size_t length = rest.find('<');
        if (length == 0) {
            length = markupEnd(rest);
            if (length == kNone) {
                break;
            }
            take(rest.substr(0, length), entries);
            m_nSearched = 0;
            m_cQuote = 0;
        } else {
            length = std::min(length, rest.size());
            const std::size_t text = rest.substr(0, length).find_first_not_of(kBlanks);
            if (m_nOpen == 0 && text != kNone) {
                m_nLine += static_cast<std::uint64_t>(std::count(rest.begin(), rest.begin() + text, '\n'));
                refuse("not well-formed: text outside the <asx> element");
                break;
            }
        }
        m_nLine += static_cast<std::uint64_t>(std::count(rest.begin(), rest.begin() + length, '\n'));
        at += length;
    }
    m_strBuffer.erase(0, at);
}

// One past the end of the markup that starts `markup`, or kNone while its end has not come.
std::size_t AsxReader::markupEnd(std::string_view markup)
{
    for (const Markup& kind : kMarkups) {
        if (markup.starts_with(kind.open)) {
            const std::size_t end = markup.find(kind.close, std::max(kind.open.size(), m_nSearched));
            if (end == kNone) {
                m_nSearched = markup.size() - std::min(markup.size(), kind.close.size() - 1);
                return kNone;
            }
            return end + kind.close.size();
        }
        if (kind.open.starts_with(markup)) {
            return kNone; // too short yet to tell which
        }
    }
    return tagEnd(markup);
}

// An element's tag ends at the first ">" outside a quoted attribute value; a quote opens a value
// only right after "=".
std::size_t AsxReader::tagEnd(std::string_view tag)
{
    for (std::size_t i = std::max<std::size_t>(m_nSearched, 1); i < tag.size(); ++i) {
        if (m_cQuote != 0) {
            i = tag.find(m_cQuote, i);
            if (i == kNone) {
                break;
            }
            m_cQuote = 0;
            continue;
        }
        i = tag.find_first_of("\"'>", i);
        if (i == kNone) {
            break;
        }
        if (tag[i] == '>') {
            return i + 1;
        }
        if (tag[tag.find_last_not_of(kBlanks, i - 1)] == '=') {
            m_cQuote = tag[i];
        }
    }
    m_nSearched = tag.size();
    return kNone;
}

void AsxReader::take(std::string_view markup, std::vector<std::string>& entries)
{
    if (markup.starts_with("<!") && !markup.starts_with("<!--") && !markup.starts_with("<![CDATA[")) {
        // A document type may name a DTD, which is not fetched; one that declares anything is refused.
        if (m_nOpen > 0 || markup.find('[') != kNone) {
            refuse("the file declares entities or a document type of its own, which are not read");
        }
        return;
    }
    if (markup.starts_with("<![CDATA[") && m_nOpen == 0) {
        refuse("not well-formed: text outside the <asx> element");
    }
    if (markup.starts_with("<?xml") && markup.size() > 5 && isBlank(markup[5])) {
        if (const std::optional<std::string> encoding = declaredEncoding(markup);
            encoding && !readsAsBytes(*encoding)) {
            refuse("the file is in " + *encoding + ", which an ASX file is not read in");
        }
    }
    if (markup.starts_with("<!") || markup.starts_with("<?")) {
        return;
    }
    const std::string_view inner = markup.substr(1, markup.size() - 2);
    if (inner.starts_with('/')) {
        const std::string_view name = inner.substr(1);
        endTag(name.substr(0, name.find_last_not_of(kBlanks) + 1));
    } else {
        startTag(inner, entries);
    }
}

void AsxReader::startTag(std::string_view tag, std::vector<std::string>& entries)
{
    const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n/"), tag.size());
    const std::string_view name = tag.substr(0, nameEnd);
    if (name.empty() || name.find_first_of("<&=\"'") != kNone) {
        refuse("not well-formed: a \"<\" that starts no element");
        return;
    }
    if (m_nOpen == 0 && !isNamed(name, "asx")) {
        refuse("an XML file that is not a playlist");
        return;
    }
    const bool ref = m_nEntryDepth != kNone && m_nOpen == m_nEntryDepth + 1 && isNamed(name, "ref");
    bool empty = false;
    if (!readAttributes(tag.substr(nameEnd), ref, empty, entries)) {
        return;
    }
    if (empty) {
        m_bEnded = m_nOpen == 0;
        return;
    }
    if (isNamed(name, "entry")) {
        m_nEntryDepth = m_nOpen;
    }
    // Each depth's name is written over the last one's, without a new allocation each time.
    if (m_nOpen == m_vecOpen.size()) {
        m_vecOpen.emplace_back();
    }
    m_vecOpen[m_nOpen++].assign(name);
}

// An end tag in any case ends the element open last; any other is a fault.
void AsxReader::endTag(std::string_view name)
{
    if (m_nOpen == 0 || !sameName(name, m_vecOpen[m_nOpen - 1])) {
        refuse("not well-formed: </" + std::string(name) + "> where "
               + (m_nOpen == 0 ? std::string("no element") : "<" + m_vecOpen[m_nOpen - 1] + ">") + " is open");
        return;
    }
    --m_nOpen;
    if (m_nOpen == m_nEntryDepth) {
        m_nEntryDepth = kNone;
    }
    m_bEnded = m_nOpen == 0;
}

// name = "value", name='value' or name=value up to a blank; `empty`: the tag ends in "/".
bool AsxReader::readAttributes(std::string_view attributes, bool ref, bool& empty, std::vector<std::string>& entries)
{
    const std::string_view a = attributes;
    for (std::size_t i = 0;;) {
        i = std::min(a.find_first_not_of(kBlanks, i), a.size());
        empty = a.substr(i) == "/";
        if (i == a.size() || empty) {
            return true;
        }
        const std::size_t nameEnd = std::min(a.find_first_of(" \t\r\n=/", i), a.size());
        const std::string_view name = a.substr(i, nameEnd - i);
        const std::size_t equals = a.find_first_not_of(kBlanks, nameEnd);
        i = equals == kNone || a[equals] != '=' ? kNone : a.find_first_not_of(kBlanks, equals + 1);
        if (i == kNone) {
            refuse("not well-formed: the attribute " + std::string(name) + " has no value");
            return false;
        }
        std::string_view value;
        if (a[i] == '"' || a[i] == '\'') {
            const std::size_t close = a.find(a[i], i + 1);
            value = a.substr(i + 1, close - i - 1);
            i = close + 1;
            if (close == kNone || (i < a.size() && !isBlank(a[i]) && a.substr(i) != "/")) {
                refuse("not well-formed: the value of " + std::string(name) + " does not end");
                return false;
            }
        } else {
            const std::size_t end = std::min(a.find_first_of(kBlanks, i), a.size());
            value = a.substr(i, end - i);
            i = end;
        }
        if (ref && isNamed(name, "href") && !addHref(value, entries)) {
            return false;
        }
    }
}

// The value with its references decoded and its line breaks and tabs made blanks, as XML reads
// an attribute, white space around it taken off; an empty one names no file.
bool AsxReader::addHref(std::string_view value, std::vector<std::string>& entries)
{
    std::string decoded;
    if (value.find_first_of("&\t\r\n") == kNone) {
        decoded = value;
    } else {
        for (std::size_t i = 0; i < value.size(); ++i) {
            const std::size_t length = value[i] == '&' ? referenceLength(value.substr(i)) : 0;
            if (length != 0) {
                const std::string_view name = value.substr(i + 1, length - 2);
                if (!decodeReference(name, decoded)) {
                    refuse("the entity &" + std::string(name) + "; cannot be read");
                    return false;
                }
                i += length - 1;
            } else if (value[i] != '\r' || i + 1 == value.size() || value[i + 1] != '\n') {
                decoded += isBlank(value[i]) ? ' ' : value[i];
            }
        }
    }
    const std::size_t first = decoded.find_first_not_of(kBlanks);
    if (first != kNone) {
        entries.emplace_back(decoded, first, decoded.find_last_not_of(kBlanks) + 1 - first);
    }
    return true;
}

void AsxReader::refuse(const std::string& why)
{
    m_refusal = why + " (line " + std::to_string(m_nLine) + ")";
}

std::optional<std::string> AsxReader::finish(std::vector<std::string>& entries)
{
    if (!m_bHeadPassed && !done()) {
        m_bHeadPassed = true;
        readMarkups(entries);
    }
    if (m_refusal || m_bEnded) {
        return m_refusal;
    }
    m_nLine += static_cast<std::uint64_t>(std::count(m_strBuffer.begin(), m_strBuffer.end(), '\n'));
    if (m_nOpen == 0) {
        refuse("the file ends before its first element");
    } else {
        refuse("the file ends inside <" + m_vecOpen[m_nOpen - 1] + ">");
    }
    return m_refusal;
}

} // namespace

std::unique_ptr<EntryReader> makeAsxReader()
{
    return std::make_unique<AsxReader>();
}
