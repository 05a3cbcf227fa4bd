// How a host command text splits into its name and its argument text, and
// the few text helpers the command set needs. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex::simhost {

struct CommandParts {
    std::string name; // text before the first "(", blanks trimmed
    std::string text; // between the first "(" and the last ")"
};

// Name: the text before the first "(" (the whole text without one), spaces and
// tabs trimmed. Text: everything between the first "(" and the last ")" after
// it; empty without a "(", and running to the end without such a ")".
CommandParts SplitCommand(std::string_view command);

// Spaces and tabs stripped from both ends.
std::string TrimBlanks(std::string_view text);

// ASCII-only lower casing; names and host values fold no other letters.
std::string AsciiLower(std::string_view text);

// Characters (code points) in UTF-8 text: every byte that does not continue
// a sequence counts one, so a stray byte counts too.
std::size_t CharacterCount(std::string_view text);

} // namespace talvex::simhost
