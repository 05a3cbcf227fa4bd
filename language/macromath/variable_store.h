// The variable store: named text values, the system variables of a run and the
// substitution of names by values.
#pragma once

#include "macromath/environment.h"
#include "macromath/name_index.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace talvex {

// The built-in names in their fixed rank: only the first one that occurs in
// the rest of a text is a candidate in a substitution pass.
inline constexpr std::array<std::string_view, 5> kBuiltinVariableNames = {"@now", "@date", "@time",
                                                                          "@rtfnl", "@rtftab"};

struct VarEntry {
    std::string Name;
    std::string Value;
};

class VariableStore {
public:
    static constexpr int kMaxVariables = 20000;
    static constexpr const char* kSelfReferenceText =
        "'err: do not put variable name in right-side expresssion'";

    explicit VariableStore(Environment env = Environment::system());

    // Creates or updates a variable. "5.2 ± 0.1" also sets NAME.err; a new
    // variable whose value contains its own name gets the error text instead,
    // and `value` is rewritten the way it was stored. Returns the count after.
    int SetVar(std::string_view name, std::string& value);
    int SetVar(std::string_view name, std::string_view value);

    // Sets a variable the system itself keeps (script file, run start, last
    // command and response): the value is stored as given, with no error-bar
    // split and no self-reference check, which are rules for what a script
    // assigns. A reply "v=5±0.1" stays whole in @LastResponse.
    void SetSystemVar(std::string_view name, std::string value);

    // Removes every variable whose name holds neither "@" nor "$"; returns how many.
    int ClearUserVars();

    // Replaces variable names and the built-in names @now, @date, @time,
    // @rtfnl and @rtftab by their values, leftmost first, longest name at the
    // same place; inserted values are not scanned again.
    std::string SubstituteVars(std::string_view text) const;

    // SubstituteVars that gives up as soon as the result would grow past
    // `maxBytes`: returns false then, with `out` incomplete. A value may be
    // long and a text may name it many times, so callers that must stay
    // within a size say how much they can take.
    bool SubstituteVarsWithin(std::string_view text, std::size_t maxBytes, std::string& out) const;

    // Sets @ScriptPath, @ScriptName, @ScriptRoot and @ScriptWholeName.
    void SetScriptVars(std::string_view path);

    // Empties the store and creates the system variables of a run.
    void InitSystemVars();

    // Empties the store (run start).
    void Clear();

    // Value of a variable, looked up ignoring case; nullptr when absent.
    const std::string* Find(std::string_view name) const;

    int VarCount() const { return static_cast<int>(entries_.size()); }
    // Live entries in order of creation.
    const std::vector<VarEntry>& Entries() const { return entries_; }

    // The name of the first variable the full store refused since it was
    // emptied, handed out once: "" when there was none or it was already
    // taken. A script must not go on unaware with a value it never stored.
    std::string TakeRefusedName();

    // Full path of the top-level script of the current run; read by InitSystemVars.
    std::string RunScriptFile;

    const Environment& environment() const { return env_; }
    Environment& environment() { return env_; }

private:
    void append(std::string_view name, std::string value);
    void Refuse(std::string_view name);
    // Walks `text` (`lower` is its lower-cased copy) and hands each piece of
    // the substituted text to `emit`, which returns false to stop there. The
    // clock is read once, into `now`, the first time a text names it.
    template <class Emit>
    bool ScanNames(std::string_view text, const std::string& lower, std::optional<LocalTime>& now,
                   Emit&& emit) const;

    Environment env_;
    std::vector<VarEntry> entries_;
    // Lower-cased name -> index in entries_.
    std::unordered_map<std::string, int> lookup_;
    // Lower-cased names -> matcher for the substitution scan.
    NameIndex names_;
    std::string refusedName_;
    bool refusalTaken_ = false;
};

} // namespace talvex
