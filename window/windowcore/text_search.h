// Find's search: the first place at or after `from` where `what` stands in
// `text`, letters compared without their case. UTF-16, as the panes hold it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace talvex {

std::optional<std::size_t> FindIgnoringCase(std::u16string_view text, std::u16string_view what,
                                            std::size_t from);

// The lower-case form of `c` for the alphabets a lab writes in: Latin, Greek
// and Cyrillic.
char16_t FoldCase(char16_t c);

} // namespace talvex
