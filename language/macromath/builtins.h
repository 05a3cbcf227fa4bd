// The built-in functions that may stand directly before a brace group.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

// Index of the built-in function whose name ends just before the "{" at byte
// offset `bracePos` of `line`, or -1. The name must start the line or follow
// one of the brace delimiters. `nameLength` receives the name's length.
int MatchBuiltinBefore(std::string_view line, std::size_t bracePos, std::size_t& nameLength);

// Applies built-in `index` to the evaluated group text `x`. A function that
// cannot compute its result leaves `x` as it is.
std::string ApplyBuiltin(int index, const std::string& x, char decimalSeparator);

} // namespace talvex
