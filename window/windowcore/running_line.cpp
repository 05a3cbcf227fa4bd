#include "windowcore/running_line.h"

#include <algorithm>

namespace talvex {

int RunningLineIndex::LineOf(std::string_view script, std::size_t offset) {
    offset = std::min(offset, script.size());
    if (script.data() != script_ || script.size() != size_) {
        script_ = script.data();
        size_ = script.size();
        starts_.assign(1, 0);
        for (std::size_t at = script.find("\r\n"); at != std::string_view::npos;
             at = script.find("\r\n", at + 2))
            starts_.push_back(at + 2);
    }
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<int>(after - starts_.begin()) - 1;
}

} // namespace talvex
