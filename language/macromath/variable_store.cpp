// The variable store. Entries keep their order of creation (it decides the
// listing order and which variables survive a clear); a case-insensitive hash
// finds a name, and a trie over the lower-cased names finds the leftmost,
// longest name in a text without testing every name at every pass.
#include "macromath/variable_store.h"

#include "macromath/path_syntax.h"
#include "macromath/trim.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace talvex {

namespace {

const std::string kPlusMinus = "\xC2\xB1"; // "±" in UTF-8

constexpr const auto& kBuiltinNames = kBuiltinVariableNames;

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string VersionText(const ProgramVersion& v, char decimalSeparator) {
    // major + minor/100 + revision/10000 with four decimals; kept in integers
    // so no binary rounding creeps into the digits.
    const long total = static_cast<long>(v.major) * 10000 + v.minor * 100L + v.revision;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld%c%04ld", total / 10000, decimalSeparator, total % 10000);
    return buf;
}

} // namespace

VariableStore::VariableStore(Environment env) : env_(std::move(env)) {
    if (!env_.now) env_.now = SystemLocalTime;
    if (!env_.hostDir) env_.hostDir = [] { return std::string(); };
}

int VariableStore::SetVar(std::string_view name, std::string_view value) {
    std::string copy(value);
    return SetVar(name, copy);
}

int VariableStore::SetVar(std::string_view name, std::string& value) {
    if (name.empty()) return VarCount();

    // "5.2 ± 0.1": the error bar goes to NAME.err. A "±" in first or last
    // place, or a second one, leaves the value whole.
    const std::size_t pm = value.find(kPlusMinus);
    if (pm != std::string::npos && pm > 0 && pm + kPlusMinus.size() < value.size() &&
        value.find(kPlusMinus, pm + kPlusMinus.size()) == std::string::npos) {
        SetVar(std::string(name) + ".err",
               TrimChars(std::string_view(value).substr(pm + kPlusMinus.size()), " "));
        value = TrimChars(std::string_view(value).substr(0, pm), " ");
    }

    const auto it = lookup_.find(AsciiLower(name));
    if (it != lookup_.end()) {
        entries_[it->second].Value = value;
        return VarCount();
    }
    if (VarCount() >= kMaxVariables) {
        Refuse(name);
        return VarCount();
    }
    // Only a new variable is checked; "cnt = cnt+1" on an existing one is fine.
    if (value.find(name) != std::string::npos) value = kSelfReferenceText;
    append(name, value);
    return VarCount();
}

void VariableStore::SetSystemVar(std::string_view name, std::string value) {
    if (name.empty()) return;
    const auto it = lookup_.find(AsciiLower(name));
    if (it != lookup_.end())
        entries_[it->second].Value = std::move(value);
    else if (VarCount() < kMaxVariables)
        append(name, std::move(value));
    else
        Refuse(name);
}

void VariableStore::Refuse(std::string_view name) {
    if (refusedName_.empty()) refusedName_ = name;
}

std::string VariableStore::TakeRefusedName() {
    if (refusalTaken_ || refusedName_.empty()) return {};
    refusalTaken_ = true;
    return refusedName_;
}

void VariableStore::append(std::string_view name, std::string value) {
    std::string lower = AsciiLower(name);
    names_.Add(lower);
    lookup_.emplace(std::move(lower), VarCount());
    entries_.push_back(VarEntry{std::string(name), std::move(value)});
}

int VariableStore::ClearUserVars() {
    const auto isUser = [](const VarEntry& e) {
        return e.Name.find('@') == std::string::npos && e.Name.find('$') == std::string::npos;
    };
    const auto firstRemoved = std::stable_partition(entries_.begin(), entries_.end(),
                                                    [&](const VarEntry& e) { return !isUser(e); });
    const int removed = static_cast<int>(entries_.end() - firstRemoved);
    if (removed == 0) return 0;
    for (auto it = firstRemoved; it != entries_.end(); ++it) {
        const std::string lower = AsciiLower(it->Name);
        names_.Remove(lower);
        lookup_.erase(lower);
    }
    entries_.erase(firstRemoved, entries_.end());
    // Survivors moved down; their indices change.
    for (std::size_t i = 0; i < entries_.size(); ++i)
        lookup_[AsciiLower(entries_[i].Name)] = static_cast<int>(i);
    return removed;
}

void VariableStore::Clear() {
    entries_.clear();
    lookup_.clear();
    names_.Clear();
    refusedName_.clear();
    refusalTaken_ = false;
}

const std::string* VariableStore::Find(std::string_view name) const {
    const auto it = lookup_.find(AsciiLower(name));
    return it == lookup_.end() ? nullptr : &entries_[it->second].Value;
}

std::string VariableStore::SubstituteVars(std::string_view text) const {
    std::string out;
    SubstituteVarsWithin(text, std::string::npos, out);
    return out;
}

bool VariableStore::SubstituteVarsWithin(std::string_view text, std::size_t maxBytes,
                                         std::string& out) const {
    out.clear();
    const std::string lower = AsciiLower(text);
    std::optional<LocalTime> now;
    if (maxBytes != std::string::npos) {
        // Measured first: a text that would not fit fails before anything is
        // built, and one that fits is built in one allocation.
        std::size_t total = 0;
        const bool fits = ScanNames(text, lower, now, [&](std::string_view piece) {
            if (piece.size() > maxBytes - total) return false;
            total += piece.size();
            return true;
        });
        if (!fits) return false;
        out.reserve(total);
    }
    ScanNames(text, lower, now, [&](std::string_view piece) {
        out.append(piece);
        return true;
    });
    return true;
}

template <class Emit>
bool VariableStore::ScanNames(std::string_view text, const std::string& lower,
                              std::optional<LocalTime>& now, Emit&& emit) const {
    constexpr std::size_t npos = std::string::npos;
    // Next occurrence of each built-in name at or after the cursor; the rest
    // only shrinks from the left, so a cached place stays right until passed.
    std::array<std::size_t, kBuiltinNames.size()> builtinAt;
    for (std::size_t k = 0; k < kBuiltinNames.size(); ++k)
        builtinAt[k] = lower.find(kBuiltinNames[k]);

    std::size_t cursor = 0;
    while (cursor < text.size()) {
        std::size_t candPos = npos, candLen = 0;
        int builtin = -1;
        for (std::size_t k = 0; k < kBuiltinNames.size(); ++k) {
            if (builtinAt[k] != npos && builtinAt[k] < cursor)
                builtinAt[k] = lower.find(kBuiltinNames[k], cursor);
            if (builtinAt[k] != npos) {
                candPos = builtinAt[k];
                candLen = kBuiltinNames[k].size();
                builtin = static_cast<int>(k);
                break;
            }
        }
        std::size_t varPos = 0, varLen = 0;
        const bool haveVar = names_.FindFirst(lower, cursor, candPos, varPos, varLen) &&
                             (builtin < 0 || varPos < candPos || varLen > candLen);
        if (haveVar) {
            candPos = varPos;
            candLen = varLen;
            builtin = -1;
        } else if (builtin < 0) {
            break;
        }

        if (!emit(text.substr(cursor, candPos - cursor))) return false;
        bool fits = true;
        if (builtin < 0) {
            fits = emit(entries_[lookup_.at(lower.substr(candPos, candLen))].Value);
        } else {
            if (!now && builtin <= 2) now = env_.now();
            switch (builtin) {
            case 0:
                fits = emit(FormatNow(*now));
                break;
            case 1:
                fits = emit(FormatDate(*now));
                break;
            case 2:
                fits = emit(FormatTime(*now));
                break;
            case 3:
                fits = emit("\x01\x01");
                break;
            default:
                fits = emit("\t");
                break;
            }
        }
        if (!fits) return false;
        cursor = candPos + candLen;
    }
    return cursor >= text.size() || emit(text.substr(cursor));
}

void VariableStore::SetScriptVars(std::string_view path) {
    const std::size_t folderLength = FolderLength(path);
    const std::string_view folder = path.substr(0, folderLength);
    std::string name(path.substr(folderLength));
    if (name.empty()) name = "unnamed.tvx";
    std::string root = name;
    const std::size_t ext = FindNoCase(root, ".tvx");
    if (ext != std::string::npos) root.erase(ext);
    SetSystemVar("@ScriptPath", Quoted(folder));
    SetSystemVar("@ScriptName", Quoted(name));
    SetSystemVar("@ScriptRoot", Quoted(root));
    SetSystemVar("@ScriptWholeName", Quoted(path));
}

void VariableStore::InitSystemVars() {
    Clear();
    SetSystemVar("@DateStart", Quoted(FormatDate(env_.now())));
    SetSystemVar("@TimeStart", Quoted(FormatTime(env_.now())));
    SetSystemVar("@NowStart", Quoted(FormatNow(env_.now())));
    SetScriptVars(RunScriptFile);
    SetSystemVar("@Version", VersionText(env_.version, env_.decimalSeparator));
    SetSystemVar("@KorvaPath", Quoted(env_.hostDir()));
    SetSystemVar("@LastCommand", "''");
    SetSystemVar("@LastResponse", "''");
}

} // namespace talvex
