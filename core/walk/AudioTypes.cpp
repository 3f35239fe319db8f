#include "AudioTypes.h"

#include "Mp3Collection.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view kAudioEndings[]
    = {".flac", ".ogg",  ".oga", ".opus", ".m4a", ".m4p", ".aac", ".alac", ".wma", ".wav",
       ".aif",  ".aiff", ".ape", ".wv",   ".mpc", ".mp2", ".dsf", ".dff",  ".mka"};

constexpr std::size_t kLongestEnding = 5; // ".flac"

} // namespace

std::span<const std::string_view> audioEndings()
{
    return kAudioEndings;
}

NameEnding nameEnding(std::string_view name)
{
    // The ending is the last dot and at most four bytes after it: looked for only there.
    const std::size_t from = name.size() > kLongestEnding ? name.size() - kLongestEnding : 0;
    const std::size_t found = name.substr(from).rfind('.');
    if (found == std::string_view::npos) {
        return NameEnding::None;
    }
    const std::size_t dot = from + found;
    std::array<char, kLongestEnding> folded {};
    const std::size_t length = name.size() - dot;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = name[dot + i];
        folded[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
    }
    const std::string_view ending(folded.data(), length);
    if (ending == ".cue") {
        return NameEnding::CueSheet;
    }
    return std::find(std::begin(kAudioEndings), std::end(kAudioEndings), ending) != std::end(kAudioEndings)
        ? NameEnding::Audio
        : NameEnding::None;
}

bool isListedName(std::string_view name, EntryType type, AudioTypes types)
{
    if (isMp3Name(name)) {
        return true;
    }
    return types == AudioTypes::All && (type == EntryType::File || type == EntryType::Link)
        && nameEnding(name) == NameEnding::Audio;
}
