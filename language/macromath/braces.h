// {...} groups: finding them and replacing each by the value of its content.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

class VariableStore;

// The most any text made on the way may hold, when a line is expanded or a
// condition substituted; past it the expansion fails.
inline constexpr std::size_t kMaxLineBytes = 64u << 20;

// The first top-level brace pair of `text`: returns what stands between the
// braces and sets the 1-based positions of "{" and "}" (0 when absent).
// Returns "" for empty braces or when either brace is missing.
std::string FindBraces(std::string_view text, long& leftPos, long& rightPos);

// Replaces every group of `src`, inner groups first: variable substitution,
// one evaluation, then the built-in function named just before the "{".
// Returns 0, or 1 when the expansion failed (then `dst` holds the error text).
// Arithmetic failures of the evaluation pass through as ArithmeticError.
int ExpandBraces(std::string_view src, std::string& dst, int depth, VariableStore& vars);

// Natural logarithm of x divided by that of 10.
double Log10(double x);

} // namespace talvex
