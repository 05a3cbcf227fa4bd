// The assignment-list parser shared by setvars, loop ends, #gosub and % lines.
#include "engine/assign_list.h"

#include "macromath/trim.h"
#include "macromath/variable_store.h"

#include <string>

namespace talvex {

namespace {

constexpr std::string_view kListTrim = " \r\n\x01";

// Byte offset just past the last character of `name` that may not be part of a
// variable name; 0 when there is none. "±" counts as one two-byte character.
std::size_t NameStart(std::string_view name) {
    static constexpr std::string_view kSingle = " ,()[]{}+-*/^&|~=:;\"'\r\n";
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (kSingle.find(name[i]) != std::string_view::npos) {
            start = i + 1;
        } else if (name.compare(i, 2, "\xC2\xB1") == 0) {
            start = i + 2;
            ++i;
        }
    }
    return start;
}

} // namespace

int AssignList(std::string_view list, VariableStore& vars) {
    int assigned = 0;
    std::string s = TrimChars(list, kListTrim);
    while (s.size() > 2) {
        s = TrimChars(s, kListTrim);
        const std::size_t eq = s.find('=');
        // A name needs at least one character and a value at least one.
        if (eq == std::string::npos || eq == 0 || eq + 1 == s.size()) break;

        std::string name = TrimChars(std::string_view(s).substr(0, eq), " ");
        name.erase(0, NameStart(name));

        const std::string rest = TrimChars(std::string_view(s).substr(eq + 1), kListTrim);
        std::string value = rest.substr(0, rest.find("\r\n"));

        std::size_t cut; // characters of `rest` this item uses
        const char quote = value.empty() ? '\0' : value[0];
        const std::size_t closing = (value.size() > 1 && (quote == '\'' || quote == '"'))
                                        ? value.find(quote, 1)
                                        : std::string::npos;
        if (closing != std::string::npos) {
            value.resize(closing + 1);
            cut = closing + 1;
        } else {
            // The item ends at its first separator; a separator in last place
            // belongs to the list, not to the value.
            const std::size_t sep = value.find_first_of(",;=");
            if (sep == std::string::npos) {
                cut = value.size();
            } else {
                value.resize(sep);
                cut = sep + 1;
            }
        }

        if (cut + 1 < rest.size() && rest.size() > 3)
            s = TrimChars(std::string_view(rest).substr(cut), kListTrim);
        else
            s.clear();

        vars.SetVar(name, TrimChars(value, " "));
        ++assigned;
    }
    return assigned;
}

} // namespace talvex
