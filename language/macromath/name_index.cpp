// The trie behind the substitution scan. Edges live in one hash map keyed by
// (node, byte), so a node costs a few bytes whatever its fan-out; removed
// names give their nodes back through a free list.
#include "macromath/name_index.h"

#include <cstring>

namespace talvex {

NameIndex::NameIndex() {
    Clear();
}

void NameIndex::Clear() {
    nodes_.assign(1, Node{});
    freeNodes_.clear();
    edges_.clear();
    std::memset(firstByte_, 0, sizeof firstByte_);
}

std::uint32_t NameIndex::child(std::uint32_t node, unsigned char c) const {
    const auto it = edges_.find(key(node, c));
    return it == edges_.end() ? 0 : it->second;
}

void NameIndex::Add(std::string_view lowerName) {
    if (lowerName.empty()) return;
    ++firstByte_[static_cast<unsigned char>(lowerName[0])];
    std::uint32_t node = 0;
    ++nodes_[0].paths;
    for (char ch : lowerName) {
        const auto c = static_cast<unsigned char>(ch);
        std::uint32_t next = child(node, c);
        if (next == 0) {
            if (!freeNodes_.empty()) {
                next = freeNodes_.back();
                freeNodes_.pop_back();
                nodes_[next] = Node{};
            } else {
                next = static_cast<std::uint32_t>(nodes_.size());
                nodes_.push_back(Node{});
            }
            edges_.emplace(key(node, c), next);
        }
        node = next;
        ++nodes_[node].paths;
    }
    nodes_[node].terminal = true;
}

void NameIndex::Remove(std::string_view lowerName) {
    if (lowerName.empty()) return;
    // Only names that are present may be removed; check before touching counts.
    std::uint32_t node = 0;
    for (char ch : lowerName) {
        node = child(node, static_cast<unsigned char>(ch));
        if (node == 0) return;
    }
    if (!nodes_[node].terminal) return;
    nodes_[node].terminal = false;

    --firstByte_[static_cast<unsigned char>(lowerName[0])];
    --nodes_[0].paths;
    node = 0;
    for (std::size_t k = 0; k < lowerName.size(); ++k) {
        const auto c = static_cast<unsigned char>(lowerName[k]);
        const std::uint32_t next = child(node, c);
        if (--nodes_[next].paths == 0) {
            // Nothing else passes through here: drop the whole tail.
            edges_.erase(key(node, c));
            std::uint32_t gone = next;
            for (std::size_t i = k + 1; i < lowerName.size(); ++i) {
                const auto d = static_cast<unsigned char>(lowerName[i]);
                const std::uint32_t after = child(gone, d);
                edges_.erase(key(gone, d));
                freeNodes_.push_back(gone);
                gone = after;
            }
            freeNodes_.push_back(gone);
            return;
        }
        node = next;
    }
}

std::size_t NameIndex::LongestAt(std::string_view lowerText, std::size_t pos) const {
    if (pos >= lowerText.size() || firstByte_[static_cast<unsigned char>(lowerText[pos])] == 0)
        return 0;
    std::size_t longest = 0;
    std::uint32_t node = 0;
    for (std::size_t j = pos; j < lowerText.size(); ++j) {
        node = child(node, static_cast<unsigned char>(lowerText[j]));
        if (node == 0) break;
        if (nodes_[node].terminal) longest = j - pos + 1;
    }
    return longest;
}

bool NameIndex::FindFirst(std::string_view lowerText, std::size_t from, std::size_t to,
                          std::size_t& pos, std::size_t& length) const {
    if (nodes_[0].paths == 0) return false;
    for (std::size_t i = from; i < lowerText.size() && i <= to; ++i) {
        if (const std::size_t n = LongestAt(lowerText, i)) {
            pos = i;
            length = n;
            return true;
        }
    }
    return false;
}

} // namespace talvex
