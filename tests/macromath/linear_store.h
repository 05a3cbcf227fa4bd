// LinearStore: a plain, slow variable store used only to check the real one.
// It keeps one flat table and, in every substitution pass, tests every name
// against the rest of the text, exactly as the language defines it. It shares
// no helpers with the library, so a fault in those cannot hide here.
#pragma once

#include "macromath/environment.h"
#include "macromath/variable_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace talvex::reference {

class LinearStore {
public:
    static constexpr int kMaxVariables = 20000;

    explicit LinearStore(Environment env);

    int SetVar(const std::string& name, std::string& value);
    int SetVar(const std::string& name, std::string_view value) {
        std::string copy(value);
        return SetVar(name, copy);
    }
    int ClearUserVars();
    std::string SubstituteVars(std::string_view text) const;
    void SetScriptVars(std::string_view path);
    void InitSystemVars();
    void Clear() { entries_.clear(); }

    int VarCount() const { return static_cast<int>(entries_.size()); }
    const std::vector<VarEntry>& Entries() const { return entries_; }

    std::string RunScriptFile;

private:
    // Creates or updates without the error-bar split or the self-reference
    // test: the script-file and system variables hold their text as given.
    void Put(const std::string& name, const std::string& value);
    int IndexOf(std::string_view name) const;

    Environment env_;
    std::vector<VarEntry> entries_;
};

// Helpers of the reference, kept apart from the library's own.
std::string RefLower(std::string_view text);
std::string RefTwoDigits(int n);

} // namespace talvex::reference
