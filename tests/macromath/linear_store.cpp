// The flat-table store: every rule written out the long way round.
#include "tests/macromath/linear_store.h"

#include <cstddef>

namespace talvex::reference {

namespace {

constexpr std::string_view kPlusMinus = "\xC2\xB1"; // "±" in UTF-8
constexpr const char* kSelfReference = "'err: do not put variable name in right-side expresssion'";

struct Builtin {
    std::string_view name;
    int kind;
};
// Fixed rank: only the first of these that occurs in the rest of the text
// takes part in a pass.
constexpr Builtin kBuiltins[] = {
    {"@now", 0}, {"@date", 1}, {"@time", 2}, {"@rtfnl", 3}, {"@rtftab", 4}};

std::string TrimBlanks(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::string FourDigits(int n) {
    std::string s = std::to_string(n);
    while (s.size() < 4)
        s.insert(s.begin(), '0');
    return s;
}

std::string BuiltinValue(int kind, const LocalTime& t) {
    switch (kind) {
    case 0:
        return RefTwoDigits(t.year % 100) + "_" + RefTwoDigits(t.month) + "_" +
               RefTwoDigits(t.day) + "_" + RefTwoDigits(t.hour) + "_" + RefTwoDigits(t.minute) +
               "_" + RefTwoDigits(t.second);
    case 1:
        return FourDigits(t.year) + "_" + RefTwoDigits(t.month) + "_" + RefTwoDigits(t.day);
    case 2:
        return RefTwoDigits(t.hour) + "_" + RefTwoDigits(t.minute) + "_" + RefTwoDigits(t.second);
    case 3:
        return std::string(2, '\x01');
    default:
        return "\t";
    }
}

} // namespace

std::string RefLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string RefTwoDigits(int n) {
    std::string s = std::to_string(n);
    return s.size() < 2 ? "0" + s : s;
}

LinearStore::LinearStore(Environment env) : env_(std::move(env)) {}

int LinearStore::IndexOf(std::string_view name) const {
    const std::string wanted = RefLower(name);
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (RefLower(entries_[i].Name) == wanted) return static_cast<int>(i);
    return -1;
}

int LinearStore::SetVar(const std::string& name, std::string& value) {
    if (name.empty()) return VarCount();
    // Error-bar split: one "±" with something on both sides.
    const std::size_t p = value.find(kPlusMinus);
    if (p != std::string::npos && p > 0 && p + kPlusMinus.size() < value.size() &&
        value.find(kPlusMinus, p + kPlusMinus.size()) == std::string::npos) {
        std::string err = TrimBlanks(std::string_view(value).substr(p + kPlusMinus.size()));
        SetVar(name + ".err", err);
        value = TrimBlanks(std::string_view(value).substr(0, p));
    }
    const int i = IndexOf(name);
    if (i >= 0) {
        entries_[static_cast<std::size_t>(i)].Value = value;
        return VarCount();
    }
    if (VarCount() >= kMaxVariables) return VarCount();
    if (value.find(name) != std::string::npos) value = kSelfReference;
    entries_.push_back(VarEntry{name, value});
    return VarCount();
}

int LinearStore::ClearUserVars() {
    int removed = 0;
    std::size_t i = 0;
    while (i < entries_.size()) {
        const std::string& n = entries_[i].Name;
        if (n.find('@') == std::string::npos && n.find('$') == std::string::npos) {
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}

std::string LinearStore::SubstituteVars(std::string_view text) const {
    std::string rest(text);
    std::string out;
    for (;;) {
        const std::string lowerRest = RefLower(rest);
        std::size_t candPos = std::string::npos;
        std::size_t candLen = 0;
        int candBuiltin = -1;
        int candVar = -1;
        for (const Builtin& b : kBuiltins) {
            const std::size_t p = lowerRest.find(b.name);
            if (p != std::string::npos) {
                candPos = p;
                candLen = b.name.size();
                candBuiltin = b.kind;
                break;
            }
        }
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const std::string& name = entries_[i].Name;
            const std::size_t p = lowerRest.find(RefLower(name));
            if (p == std::string::npos) continue;
            if (candPos == std::string::npos || p < candPos ||
                (p == candPos && name.size() > candLen)) {
                candPos = p;
                candLen = name.size();
                candVar = static_cast<int>(i);
                candBuiltin = -1;
            }
        }
        if (candPos == std::string::npos) break;
        out += rest.substr(0, candPos);
        if (candVar >= 0)
            out += entries_[static_cast<std::size_t>(candVar)].Value;
        else
            out += BuiltinValue(candBuiltin, env_.now());
        rest = rest.substr(candPos + candLen);
        if (rest.empty()) break;
    }
    return out + rest;
}

void LinearStore::Put(const std::string& name, const std::string& value) {
    const int i = IndexOf(name);
    if (i >= 0)
        entries_[static_cast<std::size_t>(i)].Value = value;
    else if (VarCount() < kMaxVariables)
        entries_.push_back(VarEntry{name, value});
}

void LinearStore::SetScriptVars(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
    std::string name =
        slash == std::string_view::npos ? std::string(path) : std::string(path.substr(slash + 1));
    if (name.empty()) name = "unnamed.tvx";
    std::string root = name;
    const std::size_t ext = RefLower(root).find(".tvx");
    if (ext != std::string::npos) root = root.substr(0, ext);
    Put("@ScriptPath", "'" + folder + "'");
    Put("@ScriptName", "'" + name + "'");
    Put("@ScriptRoot", "'" + root + "'");
    Put("@ScriptWholeName", "'" + std::string(path) + "'");
}

void LinearStore::InitSystemVars() {
    entries_.clear();
    Put("@DateStart", "'" + BuiltinValue(1, env_.now()) + "'");
    Put("@TimeStart", "'" + BuiltinValue(2, env_.now()) + "'");
    Put("@NowStart", "'" + BuiltinValue(0, env_.now()) + "'");
    SetScriptVars(RunScriptFile);
    // major + minor/100 + revision/10000 with four decimals, done in whole
    // ten-thousandths so no binary fraction creeps in.
    const long units = long(env_.version.major) * 10000 + long(env_.version.minor) * 100 +
                       long(env_.version.revision);
    std::string frac = std::to_string(units % 10000);
    while (frac.size() < 4)
        frac.insert(frac.begin(), '0');
    Put("@Version", std::to_string(units / 10000) + env_.decimalSeparator + frac);
    Put("@KorvaPath", "'" + (env_.hostDir ? env_.hostDir() : std::string()) + "'");
    Put("@LastCommand", "''");
    Put("@LastResponse", "''");
}

} // namespace talvex::reference
