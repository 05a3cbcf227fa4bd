// The one failure the expression core raises instead of turning into text.
#pragma once

#include <stdexcept>
#include <string>

namespace talvex {

// Thrown when a number leaves the range the language can hold: a result beyond
// the double range in + - * /, an operand outside the 32-bit range in & or |,
// or a number text beyond the double range (1e400). Everything else becomes
// text in the line. The runner catches it and ends the run at that line.
class ArithmeticError : public std::runtime_error {
public:
    explicit ArithmeticError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace talvex
