#include "XspfQuickScan.h"

#include "XmlFormat.h"

#include <QString>

#include <charconv>

namespace {

constexpr std::string_view kOpen = "<location>";
constexpr std::string_view kClose = "</location>";

// Appends `code` as UTF-8; false for what XML does not allow.
bool appendCodePoint(std::string& out, std::uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return false;
    }
    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1).toStdString();
    return true;
}

// Decodes the entities of a location's text; false for one it does not know.
bool decodeEntities(std::string_view text, std::string& out)
{
    static constexpr std::pair<std::string_view, char> kPredefined[]
        = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t amp = text.find('&', at);
        out.append(text.substr(at, amp - at));
        if (amp == std::string_view::npos) {
            return true;
        }
        const std::size_t semicolon = text.find(';', amp);
        if (semicolon == std::string_view::npos) {
            return false;
        }
        const std::string_view name = text.substr(amp + 1, semicolon - amp);
        at = semicolon + 1;
        if (name.starts_with('#')) {
            const bool hex = name.size() > 1 && name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1, name.size() - (hex ? 3 : 2));
            std::uint32_t code = 0;
            const auto [end, error]
                = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()
                || !appendCodePoint(out, code)) {
                return false;
            }
            continue;
        }
        bool known = false;
        for (const auto& [entity, c] : kPredefined) {
            if (name == entity) {
                out += c;
                known = true;
            }
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::vector<std::string>> quickXspfLocations(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        return std::nullopt;
    }
    std::vector<std::string> locations;
    std::string decoded;
    for (std::size_t at = bytes.find(kOpen); at != std::string_view::npos; at = bytes.find(kOpen, at)) {
        at += kOpen.size();
        const std::size_t end = bytes.find(kClose, at);
        const std::string_view text = bytes.substr(at, end - at);
        decoded.clear();
        if (end == std::string_view::npos || text.find('<') != std::string_view::npos
            || !decodeEntities(text, decoded)) {
            return std::nullopt;
        }
        addXmlEntry(QString::fromUtf8(decoded.data(), static_cast<qsizetype>(decoded.size())), locations);
        at = end + kClose.size();
    }
    return locations;
}
