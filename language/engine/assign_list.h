// AssignList: reads "name=value, name=value ..." into the variable store.
#pragma once

#include <functional>
#include <string_view>

namespace talvex {

class VariableStore;

// Sets one variable per "name=value" item of `list`. Items are separated by
// ",", ";" or a line break; a value in single or double quotes keeps its
// quotes and may hold separators. Stops quietly at the first item without
// "=" or without a value. Returns how many items were assigned.
int AssignList(std::string_view list, VariableStore& vars);

// The items of `list` as AssignList reads them, each handed to `item` with its
// name and its value (trimmed of blanks, quotes kept), without setting
// anything. Returns how many items there were.
int ForEachAssignment(
    std::string_view list,
    const std::function<void(std::string_view name, std::string_view value)>& item);

} // namespace talvex
