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

// Where the item value that starts `rest` ends. Only the item itself is
// scanned, never the rest of the list, so a reply of many items is read in
// linear time: a host may send hundreds of thousands of fields in one reply.
std::size_t ValueEnd(std::string_view rest, std::size_t& cut) {
    const char quote = rest.empty() ? '\0' : rest[0];
    if (quote == '\'' || quote == '"') {
        // A value in quotes runs to its closing quote on the same line.
        for (std::size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] == quote) {
                cut = i + 1;
                return cut;
            }
            if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') break;
        }
    }
    // The item ends at its first separator; a separator in last place
    // belongs to the list, not to the value. Without one it ends with its line.
    std::size_t i = 0;
    for (; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == ',' || c == ';' || c == '=') {
            cut = i + 1;
            return i;
        }
        if (c == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') break;
    }
    cut = i;
    return i;
}

} // namespace

namespace {

template <class Item> int ReadItems(std::string_view list, Item&& item) {
    int assigned = 0;
    std::string_view s = TrimView(list, kListTrim);
    while (s.size() > 2) {
        s = TrimView(s, kListTrim);
        const std::size_t eq = s.find('=');
        // A name needs at least one character and a value at least one.
        if (eq == std::string_view::npos || eq == 0 || eq + 1 == s.size()) break;

        std::string_view name = TrimView(s.substr(0, eq), " ");
        name.remove_prefix(NameStart(name));

        const std::string_view rest = TrimView(s.substr(eq + 1), kListTrim);
        std::size_t cut = 0; // characters of `rest` this item uses
        const std::string_view value = rest.substr(0, ValueEnd(rest, cut));

        if (cut + 1 < rest.size() && rest.size() > 3)
            s = TrimView(rest.substr(cut), kListTrim);
        else
            s = std::string_view();

        item(name, TrimView(value, " "));
        ++assigned;
    }
    return assigned;
}

} // namespace

int AssignList(std::string_view list, VariableStore& vars) {
    return ReadItems(
        list, [&vars](std::string_view name, std::string_view value) { vars.SetVar(name, value); });
}

int ForEachAssignment(
    std::string_view list,
    const std::function<void(std::string_view name, std::string_view value)>& item) {
    return ReadItems(list, item);
}

} // namespace talvex
