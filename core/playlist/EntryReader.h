#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads one playlist format: takes the file's bytes in chunks of any size and hands on its entries
// in file order. The result does not depend on where the chunks are cut.
class EntryReader {
public:
    virtual ~EntryReader() = default;
    virtual void feed(std::string_view chunk, std::vector<std::string>& entries) = 0;
    // The input has ended. Returns why the playlist cannot be taken whole, or nothing when it can.
    virtual std::optional<std::string> finish(std::vector<std::string>& entries) = 0;
    // Later bytes would change nothing: the input ended early, or the playlist is refused already.
    virtual bool done() const = 0;
};

// ASX read as players read it (AsxReader.cpp).
std::unique_ptr<EntryReader> makeAsxReader();
