// AssignList: reads "name=value, name=value ..." into the variable store.
#pragma once

#include <string_view>

namespace talvex {

class VariableStore;

// Sets one variable per "name=value" item of `list`. Items are separated by
// ",", ";" or a line break; a value in single or double quotes keeps its
// quotes and may hold separators. Stops quietly at the first item without
// "=" or without a value. Returns how many items were assigned.
int AssignList(std::string_view list, VariableStore& vars);

} // namespace talvex
