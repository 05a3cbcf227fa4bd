// The line a run is at, from the byte offset it reports: one index of line
// starts per script, so every line, a far jump or a subroutine at the end
// included, costs a binary search and no more.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace talvex {

class RunningLineIndex {
public:
    // The 0-based line of `script` that byte `offset` lies in. `script` is
    // taken to be unchanged while its data and size stay the same.
    int LineOf(std::string_view script, std::size_t offset);
    void Reset() { script_ = nullptr; }

private:
    const char* script_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::size_t> starts_;
};

} // namespace talvex
