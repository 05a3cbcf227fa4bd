// NameIndex: a trie over lower-cased names for the substitution scan. At each
// position of a text it finds the longest name that starts there in time
// proportional to that name's length, whatever the number of names; names are
// added and removed one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace talvex {

class NameIndex {
public:
    NameIndex();

    // `lowerName` must be lower-cased already and not empty.
    void Add(std::string_view lowerName);
    void Remove(std::string_view lowerName);
    void Clear();

    // Length of the longest name that starts at `pos` of `lowerText`, or 0.
    std::size_t LongestAt(std::string_view lowerText, std::size_t pos) const;

    // Leftmost position in [from, to] where a name starts, with the longest
    // name there; false when no name starts in that range.
    bool FindFirst(std::string_view lowerText, std::size_t from, std::size_t to, std::size_t& pos,
                   std::size_t& length) const;

private:
    struct Node {
        std::uint32_t paths = 0; // names passing through or ending here
        bool terminal = false;
    };
    static std::uint64_t key(std::uint32_t node, unsigned char c) {
        return (std::uint64_t(node) << 8) | c;
    }
    std::uint32_t child(std::uint32_t node, unsigned char c) const;

    std::vector<Node> nodes_;
    std::vector<std::uint32_t> freeNodes_;
    std::unordered_map<std::uint64_t, std::uint32_t> edges_;
    // How many names begin with each byte: a quick test before walking.
    std::uint32_t firstByte_[256];
};

} // namespace talvex
