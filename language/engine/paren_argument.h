// ParenArgument: the text inside a directive's first parentheses, and what follows them.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// Returns the text between the first "(" of `text` and the ")" that balances it,
// trimmed of blanks; "" when there is no such pair or nothing between them.
// `rest` receives what follows the ")" (trimmed, a leading "then" dropped, a
// trailing comment reduced to ""); `restPos` is the 1-based position in `text`
// where `rest` begins when it is at least two characters long, else 0. A
// one-line #if runs its statement from that position.
std::string ParenArgument(std::string_view text, std::string& rest, long& restPos);

} // namespace talvex
