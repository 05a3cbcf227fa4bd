// EvalExpression: one binary operation on a short text.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// Evaluates at most one binary operation in `expr` and returns the result as
// text; a text without an operator comes back trimmed. `keepQuotes` is the
// brace depth of the caller: from 1 on, a string result keeps double quotes so
// the enclosing group still sees a string. `decimalSeparator` is only used by
// "^". Throws ArithmeticError (see arithmetic_error.h).
std::string EvalExpression(std::string_view expr, int keepQuotes, char decimalSeparator = '.');

} // namespace talvex
