#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of every <location> element of an XSPF file in UTF-8, found by a plain search instead
// of an XML parser, in file order; nothing when it finds what such a search cannot read (an entity
// other than the predefined ones and character references, markup inside a location, UTF-16).
// It knows nothing of well-formedness, nesting, comments or CDATA, and may be wrong: what it finds
// is only ever used where the full reading found the same.
std::optional<std::vector<std::string>> quickXspfLocations(std::string_view bytes);
