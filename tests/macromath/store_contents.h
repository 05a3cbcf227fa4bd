// A store's variables as name and value pairs, in the order the store keeps
// them, so a whole store can be compared with one expected list. A template,
// so the reference store is listed the same way as the real one.
#pragma once

#include "macromath/variable_store.h"

#include <string>
#include <utility>
#include <vector>

namespace talvex::testing {

using StorePairs = std::vector<std::pair<std::string, std::string>>;

template <class Store> StorePairs StoreContents(const Store& store) {
    StorePairs out;
    for (const VarEntry& e : store.Entries())
        out.emplace_back(e.Name, e.Value);
    return out;
}

} // namespace talvex::testing
