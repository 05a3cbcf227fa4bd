// Fuzzes the variable store with a byte-driven sequence of operations and
// checks it against the flat reference store while the store is small.
#include "macromath/variable_store.h"
#include "tests/macromath/linear_store.h"
#include "tests/macromath/test_environment.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Names and pieces that collide with each other and with the built-in names.
const std::vector<std::string> kTokens = {
    "a",        "ab",       "abc",          "b",    "@now",    "@no", "@nowx", "@date", "date",
    "DATE",     "@time",    "@rtfnl",       "@rtf", "@rtftab", "@",   "$v",    "v$",    "x",
    "x.err",    "\xC2\xB1", "5 \xC2\xB1 1", "cnt",  "{",       "}",   " ",     "1",     "'s'",
    "\xC3\xB1", "@d",       "nl",           "tab",  "e",       "+",   "@v",    "g1",    "g12"};

const std::vector<std::string> kPaths = {"", "/jobs/run1.tvx", "/a/b/", "plain.TVX", "/x/@v.tvx"};

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool more() const { return pos_ < size_; }
    unsigned next() { return pos_ < size_ ? data_[pos_++] : 0u; }
    // A short text of tokens and printable ASCII, with some letters upper-cased.
    std::string text() {
        std::string out;
        const unsigned parts = next() % 6;
        for (unsigned i = 0; i < parts; ++i) {
            const unsigned b = next();
            if (b < 160) {
                std::string t = kTokens[b % kTokens.size()];
                const unsigned mask = next();
                for (std::size_t k = 0; k < t.size(); ++k)
                    if ((mask >> (k % 8)) & 1u && t[k] >= 'a' && t[k] <= 'z')
                        t[k] = static_cast<char>(t[k] - 'a' + 'A');
                out += t;
            } else {
                out += static_cast<char>(0x20 + b % 95);
            }
        }
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void check(bool ok) {
    if (!ok) std::abort();
}

bool sameEntries(const talvex::VariableStore& s, const talvex::reference::LinearStore& r) {
    if (s.Entries().size() != r.Entries().size()) return false;
    for (std::size_t i = 0; i < s.Entries().size(); ++i)
        if (s.Entries()[i].Name != r.Entries()[i].Name ||
            s.Entries()[i].Value != r.Entries()[i].Value)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    talvex::VariableStore store(talvex::testing::FixedEnvironment());
    talvex::reference::LinearStore ref(talvex::testing::FixedEnvironment());
    bool compare = true; // while the store is small enough for the reference
    int bulk = 0;
    bool filled = false;
    for (int op = 0; op < 300 && in.more(); ++op) {
        // Filling the store is costly, so only one byte value asks for it.
        const unsigned code = in.next();
        switch (code == 255 ? 7u : code % 7) {
        case 0:
        case 1:
        case 2: {
            const std::string name = in.text();
            std::string value = in.text();
            std::string refValue = value;
            const int count = store.SetVar(name, value);
            check(count == store.VarCount());
            if (compare) {
                check(ref.SetVar(name, refValue) == count);
                check(refValue == value);
            }
            break;
        }
        case 3: {
            const int before = store.VarCount();
            const int removed = store.ClearUserVars();
            check(removed >= 0 && store.VarCount() == before - removed);
            for (const talvex::VarEntry& e : store.Entries())
                check(e.Name.find_first_of("@$") != std::string::npos);
            if (compare) check(ref.ClearUserVars() == removed);
            break;
        }
        case 4:
        case 5: {
            const std::string text = in.text();
            const std::string out = store.SubstituteVars(text);
            if (compare) check(out == ref.SubstituteVars(text));
            break;
        }
        case 6: {
            const std::string path = kPaths[in.next() % kPaths.size()];
            store.RunScriptFile = path;
            ref.RunScriptFile = path;
            store.InitSystemVars();
            ref.InitSystemVars();
            compare = true;
            break;
        }
        case 7: {
            // Once per input: fill the store up to or near its bound, so the
            // following operations meet a full table.
            const unsigned spare = in.next() % 3;
            if (filled) break;
            filled = true;
            for (int tries = 0;
                 tries < 40000 &&
                 store.VarCount() < talvex::VariableStore::kMaxVariables - static_cast<int>(spare);
                 ++tries)
                store.SetVar("g" + std::to_string(bulk++), "0");
            compare = false;
            break;
        }
        }
        check(store.VarCount() <= talvex::VariableStore::kMaxVariables);
        check(static_cast<std::size_t>(store.VarCount()) == store.Entries().size());
        if (compare) check(sameEntries(store, ref));
    }
    return 0;
}
