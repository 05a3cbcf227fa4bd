// The script check: one pass over the lines with a block stack of its own,
// the translator's keyword table, label lines and file-name rules; the
// variables are weighed once every line (and every script called) is read.
#include "engine/script_check.h"

#include "engine/assign_list.h"
#include "engine/block_stack.h"
#include "engine/interpreter.h"
#include "engine/jump_targets.h"
#include "engine/paren_argument.h"
#include "engine/text_codec.h"
#include "macromath/braces.h"
#include "macromath/trim.h"
#include "macromath/variable_store.h"

#include <algorithm>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace talvex {

namespace {

// How deep #call and #chain are followed for the variables they set: as deep
// as a run may call.
constexpr int kMaxCallDepth = 10;

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Where the argument of the directive `word` (at byte `at` of its line)
// begins: after its first "(", or the word itself when it has none.
std::size_t ArgumentAt(std::string_view word, std::size_t at) {
    const std::size_t paren = word.find('(');
    return paren == std::string_view::npos ? at : at + paren + 1;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What a block directive does to the check's block stack.
enum class Role { Open, Branch, Close };

struct BlockWord {
    std::string_view keyword; // as the translator's table has it
    Role role;
    std::int16_t kind;
    std::string_view partner; // the words that end (or begin) it, for messages
};

constexpr BlockWord kBlockWords[] = {
    {"#if", Role::Open, kIfBlock, "#endif"},
    {"#elseif", Role::Branch, kIfBlock, "#if"},
    {"#else", Role::Branch, kIfBlock, "#if"},
    {"#endif", Role::Close, kIfBlock, "#if"},
    {"#while", Role::Open, kWhileBlock, "#wend"},
    {"#wend", Role::Close, kWhileBlock, "#while"},
    {"#dowhile", Role::Open, kDoTestBlock, "#loop"},
    {"#dountil", Role::Open, kDoTestBlock, "#loop"},
    {"#loop", Role::Close, kDoTestBlock, "#dowhile or #dountil"},
    {"#do", Role::Open, kDoBlock, "#loopwhile or #loopuntil"},
    {"#loopwhile", Role::Close, kDoBlock, "#do"},
    {"#loopuntil", Role::Close, kDoBlock, "#do"},
};

const BlockWord* BlockWordOf(std::string_view keyword) {
    for (const BlockWord& w : kBlockWords)
        if (w.keyword == keyword) return &w;
    return nullptr;
}

// Words of blocks that, written without "#", go to the host as a command.
constexpr std::string_view kBareBlockWords[] = {
    "if", "elseif",    "else",      "endif", "while", "wend",   "dowhile",  "dountil",
    "do", "loopwhile", "loopuntil", "loop",  "gosub", "return", "continue", "break",
};

struct Opener {
    const BlockWord* word;
    long line;
    long column;
    bool refused; // the nesting limit refused it
};

// A name read inside braces, weighed once all lines are read.
struct Read {
    std::string name;
    long line;
    long column;
};

// What the scripts of one check share: the variables they set, and the
// scripts already read for them.
struct Shared {
    const ScriptReader& read;
    // The system variables and built-in names, lower case.
    std::unordered_set<std::string> system;
    std::unordered_set<std::string> setNames; // lower case
    std::set<std::string> visited;
    // What reading each named script gave: "" when it was read, else why not.
    std::unordered_map<std::string, std::string> readErrors;
};

std::unordered_set<std::string> SystemNames() {
    std::unordered_set<std::string> names;
    for (const std::string_view& name : kBuiltinVariableNames)
        names.emplace(name);
    VariableStore store;
    store.InitSystemVars();
    for (const VarEntry& e : store.Entries())
        names.insert(AsciiLower(e.Name));
    return names;
}

class Walker {
public:
    Walker(const CheckedScript& script, Shared& shared, std::vector<Finding>* findings, int depth)
        : script_(script), shared_(shared), findings_(findings), depth_(depth) {}

    void Walk();
    std::vector<Read>& Reads() { return reads_; }

private:
    void CheckLine(std::string_view full, std::size_t from, bool tail);
    void Directive(std::string_view full, std::size_t at, std::string_view line,
                   std::string_view lc, bool tail);
    void PlainWord(std::string_view full, std::size_t at, std::string_view word, bool written);
    void Block(const BlockWord& word, std::size_t at);
    void Assignments(std::string_view list, std::size_t at, bool everyRound);
    void LabelUse(std::string_view label, std::size_t at);
    void ScriptUse(std::string_view keyword, const std::string& arg, std::size_t at);
    void BracesOf(std::string_view full, std::size_t from, bool reads);
    void ResponseNames(std::string_view line);
    void AddSet(std::string_view name, std::string_view value);

    void Report(std::size_t byteInLine, Severity severity, std::string text);
    void ReportAt(long line, long column, Severity severity, std::string text);
    long Column(std::size_t byteInLine) const;

    const CheckedScript& script_;
    Shared& shared_;
    std::vector<Finding>* findings_; // null: only the variables are wanted
    int depth_;

    std::string_view current_; // the line being read
    long lineNo_ = 0;
    LabelIndex labels_;
    std::vector<Opener> blocks_;
    bool skipMode_ = false;
    // Variables created so far, lower case: a new one may not hold its name.
    std::unordered_set<std::string> created_;
    std::vector<Read> reads_;
};

long Walker::Column(std::size_t byteInLine) const {
    return static_cast<long>(CharCount(current_.substr(0, byteInLine))) + 1;
}

void Walker::ReportAt(long line, long column, Severity severity, std::string text) {
    if (findings_) findings_->push_back({line, column, severity, std::move(text)});
}

void Walker::Report(std::size_t byteInLine, Severity severity, std::string text) {
    if (findings_) ReportAt(lineNo_, Column(byteInLine), severity, std::move(text));
}

void Walker::Walk() {
    const std::string_view text = script_.text;
    labels_ = IndexLabels(text);
    std::unordered_map<std::string, long> labelLines;
    created_ = shared_.system;

    std::size_t start = 0;
    lineNo_ = 0;
    while (!text.empty()) {
        const std::size_t crlf = text.find("\r\n", start);
        const std::size_t end = crlf == std::string_view::npos ? text.size() : crlf;
        current_ = text.substr(start, end - start);
        ++lineNo_;

        std::string label;
        if (LabelOnLine(current_, label)) {
            const auto [it, added] = labelLines.emplace(label, lineNo_);
            if (!added)
                Report(0, Severity::Warning,
                       "label \"" + label +
                           "\" is defined twice: jumps go to the first one, on line " +
                           std::to_string(it->second));
        }
        std::size_t from = 0;
        while (from < current_.size() && (current_[from] == ' ' || current_[from] == '\t'))
            ++from;
        if (from < current_.size()) CheckLine(current_, from, false);

        if (crlf == std::string_view::npos) break;
        start = crlf + 2;
    }
    if (script_.otherLineEndLine > 0 && findings_)
        ReportAt(script_.otherLineEndLine, 1, Severity::Warning,
                 "line ends are mixed: this line ends unlike the first line");

    for (const Opener& o : blocks_)
        ReportAt(o.line, o.column, Severity::Error,
                 std::string(o.word->keyword) + " without its " + std::string(o.word->partner));
}

void Walker::CheckLine(std::string_view full, std::size_t from, bool tail) {
    const std::string_view line = full.substr(from);
    // Brace expansion trims blanks and commas before any keyword is looked at.
    std::size_t at = from;
    while (at < full.size() && (full[at] == ' ' || full[at] == ','))
        ++at;
    const std::string_view word = full.substr(at);
    const std::string lc = AsciiLower(word.substr(0, std::min<std::size_t>(word.size(), 24)));

    if (skipMode_) {
        if (lc.starts_with("#skipoff")) skipMode_ = false;
        return; // passed over: nothing else on it acts
    }
    // A one-line #if's statement had its braces looked at with the #if.
    if (lc.starts_with("//") || lc.starts_with("'") || lc.starts_with(";")) {
        if (!tail) BracesOf(full, from, false); // an unclosed brace makes a comment a command
        return;
    }
    if (!tail) BracesOf(full, from, true);
    if (lc.starts_with("{")) return; // the line's start is known only when it runs
    if (lc.starts_with("%")) {
        ResponseNames(word.substr(1));
        return;
    }
    if (lc.starts_with("#")) {
        Directive(full, at, line, lc, tail);
        return;
    }
    const std::string_view plain = Interpreter::PlainWordKeyword(lc);
    if (!plain.empty()) {
        PlainWord(full, at, plain, true);
        return;
    }
    std::size_t n = 0;
    while (n < lc.size() && IsLetter(lc[n]))
        ++n;
    if (n < lc.size() && IsWordChar(lc[n])) return;
    const std::string_view bare = std::string_view(lc).substr(0, n);
    for (const std::string_view& w : kBareBlockWords)
        if (bare == w)
            Report(at, Severity::Warning,
                   "\"" + std::string(word.substr(0, n)) +
                       "\" without \"#\" goes to the host as a command; the directive is #" +
                       std::string(w));
}

void Walker::Directive(std::string_view full, std::size_t at, std::string_view line,
                       std::string_view lc, bool tail) {
    if (lc.size() > 1 && lc[1] == '{') return; // a word made by braces
    const std::string_view keyword = Interpreter::DirectiveKeyword(lc);
    std::size_t n = 1;
    const std::string_view word = full.substr(at);
    while (n < word.size() && IsWordChar(word[n]))
        ++n;
    if (keyword.empty()) {
        Report(at, Severity::Error,
               "unknown directive \"" + std::string(word.substr(0, n)) +
                   "\": the run shows \"Unkown # command\"");
        return;
    }
    if (n > keyword.size())
        Report(at, Severity::Warning,
               "\"" + std::string(word.substr(0, n)) + "\" runs as " + std::string(keyword));

    std::string rest;
    long restPos = 0;
    const std::string arg = ParenArgument(word, rest, restPos);
    const std::size_t argAt = ArgumentAt(word, at);

    if (keyword == "#skipon") {
        skipMode_ = true;
    } else if (const BlockWord* block = BlockWordOf(keyword)) {
        if (keyword == "#if") {
            long ifOffset = 0;
            ParenArgument(line, rest, ifOffset);
            if (ifOffset > 0) {
                // The statement after the condition runs as a line of its own.
                const std::size_t tailAt = static_cast<std::size_t>(line.data() - full.data()) +
                                           static_cast<std::size_t>(ifOffset) - 1;
                if (tailAt < full.size()) CheckLine(full, tailAt, true);
                return;
            }
        }
        if (!tail) Block(*block, at);
        if (keyword == "#do") Assignments(arg, argAt, true);
        if (keyword == "#wend" || keyword == "#loop") Assignments(arg, argAt, false);
    } else if (keyword == "#gosub") {
        const std::size_t comma = arg.find(',');
        if (comma != std::string::npos)
            Assignments(std::string_view(arg).substr(comma + 1), argAt, false);
        LabelUse(TrimView(std::string_view(arg).substr(0, comma), " "), argAt);
    } else if (keyword == "#oncancel" || keyword == "#cancel") {
        LabelUse(arg, argAt);
    } else if (keyword == "#call" || keyword == "#chain") {
        ScriptUse(keyword, arg, argAt);
    } else if (keyword == "#setvars" || keyword == "#initvars" || keyword == "#clearvars" ||
               keyword == "#showvars" || keyword == "#goto" || keyword == "#label") {
        PlainWord(full, at, keyword.substr(1), false);
    }
}

void Walker::PlainWord(std::string_view full, std::size_t at, std::string_view plain,
                       bool written) {
    const std::string_view word = full.substr(at);
    std::size_t n = 0;
    while (n < word.size() && IsWordChar(word[n]))
        ++n;
    if (written && n > plain.size())
        Report(at, Severity::Warning,
               "\"" + std::string(word.substr(0, n)) + "\" is taken as the word " +
                   std::string(plain) + " and is not sent to the host");
    std::string rest;
    long restPos = 0;
    const std::string arg = ParenArgument(word, rest, restPos);
    const std::size_t argAt = ArgumentAt(word, at);
    if (plain == "initvars") {
        created_ = shared_.system;
    } else if (plain == "clearvars" || plain == "clearuservars") {
        std::erase_if(created_, [](const std::string& name) {
            return name.find('@') == std::string::npos && name.find('$') == std::string::npos;
        });
    }
    if (plain == "setvars" || plain == "initvars" || plain == "clearvars" ||
        plain == "clearuservars") {
        Assignments(arg, argAt, false);
    } else if (plain == "goto") {
        LabelUse(arg, argAt);
    }
}

void Walker::Block(const BlockWord& word, std::size_t at) {
    const auto innermost = [&]() -> std::string {
        if (blocks_.empty()) return "";
        const Opener& o = blocks_.back();
        return "; the innermost open block is the " + std::string(o.word->keyword) + " of line " +
               std::to_string(o.line);
    };
    switch (word.role) {
    case Role::Open: {
        const bool inRefused =
            std::any_of(blocks_.begin(), blocks_.end(), [](const Opener& o) { return o.refused; });
        const bool fits = BlockFits(static_cast<int>(blocks_.size()), word.kind);
        if (!fits && !inRefused)
            Report(at, Severity::Error,
                   std::string(word.keyword) + " nested too deep: it would be open block " +
                       std::to_string(blocks_.size() + 1) + ", and at most " +
                       std::to_string(kMaxBlockLevel) + " blocks (" +
                       std::to_string(kMaxBlockLevel - 1) + " for a loop) may be open");
        blocks_.push_back({&word, lineNo_, Column(at), !fits || inRefused});
        return;
    }
    case Role::Branch:
        if (blocks_.empty() || blocks_.back().word->kind != kIfBlock)
            Report(at, Severity::Error,
                   std::string(word.keyword) + " without its #if" + innermost());
        return;
    case Role::Close: {
        if (!blocks_.empty() && blocks_.back().word->kind == word.kind) {
            blocks_.pop_back();
            return;
        }
        // An opener further out that this closes: the blocks inside it lack
        // their closers (the run would say "found out of proper order" here).
        auto match = std::find_if(blocks_.rbegin(), blocks_.rend(),
                                  [&](const Opener& o) { return o.word->kind == word.kind; });
        if (match == blocks_.rend()) {
            Report(at, Severity::Error,
                   std::string(word.keyword) + " without its " + std::string(word.partner) +
                       innermost());
            return;
        }
        const std::size_t keep = static_cast<std::size_t>(blocks_.rend() - match) - 1;
        for (std::size_t i = keep + 1; i < blocks_.size(); ++i)
            ReportAt(blocks_[i].line, blocks_[i].column, Severity::Error,
                     std::string(blocks_[i].word->keyword) + " without its " +
                         std::string(blocks_[i].word->partner) + " before the " +
                         std::string(word.keyword) + " of line " + std::to_string(lineNo_));
        blocks_.resize(keep);
        return;
    }
    }
}

void Walker::Assignments(std::string_view list, std::size_t at, bool everyRound) {
    ForEachAssignment(list, [&](std::string_view name, std::string_view value) {
        if (name.empty()) return;
        if (everyRound)
            Report(at, Severity::Warning,
                   "#do sets " + std::string(name) +
                       " again on every round; set it on a line before the #do");
        // A value in braces is a number by the time it is stored.
        const bool isNew = !created_.contains(AsciiLower(name));
        if (isNew && value.find('{') == std::string_view::npos &&
            value.find(name) != std::string_view::npos)
            Report(at, Severity::Warning,
                   "the new variable " + std::string(name) + " holds its own name in \"" +
                       std::string(value) + "\", so it is set to an error text");
        AddSet(name, value);
    });
}

void Walker::AddSet(std::string_view name, std::string_view value) {
    std::string lower = AsciiLower(name);
    created_.insert(lower);
    if (value.find("\xC2\xB1") != std::string_view::npos) {
        created_.insert(lower + ".err");
        shared_.setNames.insert(lower + ".err");
    }
    shared_.setNames.insert(std::move(lower));
}

void Walker::ResponseNames(std::string_view line) {
    // The reply may set any name the command mentions, each with its error bar.
    for (std::size_t i = 0; i < line.size();) {
        if (!IsLetter(line[i]) && line[i] != '_' && line[i] != '$' && line[i] != '@') {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < line.size() &&
               (IsWordChar(line[j]) || line[j] == '.' || line[j] == '$' || line[j] == '@'))
            ++j;
        AddSet(line.substr(i, j - i), "\xC2\xB1");
        i = j;
    }
}

void Walker::LabelUse(std::string_view label, std::size_t at) {
    if (label.empty() || label.find('{') != std::string_view::npos) return;
    const long length = static_cast<long>(script_.text.size());
    if (LabelPosition(labels_, label, length) <= length) return;
    const std::string name = AsciiLower(label);
    if (labels_.contains(name))
        Report(at, Severity::Error,
               "label \"" + name + "\" is on the last line: a jump there finds no line after it");
    else
        Report(at, Severity::Error, "no label \"" + name + "\" in this script");
}

void Walker::ScriptUse(std::string_view keyword, const std::string& arg, std::size_t at) {
    if (arg.find('{') != std::string::npos) return;
    const std::string name = TrimChars(CalledScriptName(arg), "\r\n ,");
    if (name.empty()) return;
    const std::string path = ResolvePath(FolderOf(script_.path), name);
    auto known = shared_.readErrors.find(path);
    LoadedScriptFile loaded;
    if (known == shared_.readErrors.end()) {
        loaded = shared_.read(path);
        known = shared_.readErrors.emplace(path, loaded.ok ? "" : loaded.error).first;
    }
    if (!known->second.empty()) {
        Report(at, Severity::Error,
               std::string(keyword) + " of \"" + name + "\": " + known->second +
                   (path != name ? " (" + path + ")" : ""));
        return;
    }
    // Variables are shared with the script it runs; each script is read once.
    if (!loaded.ok || depth_ >= kMaxCallDepth || !shared_.visited.insert(path).second) return;
    CheckedScript called{loaded.text, path, 0};
    Walker inner(called, shared_, nullptr, depth_ + 1);
    inner.Walk();
}

void Walker::BracesOf(std::string_view full, std::size_t from, bool reads) {
    const std::string_view line = full.substr(from);
    if (line.find('{') == std::string_view::npos) return;
    // Groups as the expansion finds them: the first "{" without its "}"
    // makes the whole line an error text.
    for (std::size_t pos = 0;;) {
        long left = 0, right = 0;
        FindBraces(line.substr(pos), left, right);
        if (left == 0) break;
        if (right == 0) {
            Report(from + pos + static_cast<std::size_t>(left) - 1, Severity::Error,
                   "\"{\" without its \"}\": the line becomes an error text");
            return;
        }
        pos += static_cast<std::size_t>(right);
    }
    if (!findings_ || !reads) return;
    // Names read inside the groups.
    int depth = 0;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            if (depth > 0) --depth;
            ++i;
        } else if (depth == 0) {
            ++i;
        } else if (c == '\'' || c == '"') {
            const std::size_t close = line.find(c, i + 1);
            const std::size_t brace = line.find('}', i + 1);
            i = (close == std::string_view::npos || close > brace) ? i + 1 : close + 1;
        } else if ((c >= '0' && c <= '9') || c == '.' ||
                   (c == '&' && i + 1 < line.size() &&
                    (line[i + 1] == 'h' || line[i + 1] == 'H' || line[i + 1] == 'o' ||
                     line[i + 1] == 'O'))) {
            ++i; // a number, hexadecimal or octal too
            while (i < line.size() && (IsWordChar(line[i]) || line[i] == '.'))
                ++i;
        } else if (IsLetter(c) || c == '_' || c == '$' || c == '@') {
            std::size_t j = i;
            while (j < line.size() &&
                   (IsWordChar(line[j]) || line[j] == '.' || line[j] == '$' || line[j] == '@'))
                ++j;
            // A word just before "{" names a function (or is plain text).
            if (j >= line.size() || line[j] != '{')
                reads_.push_back({std::string(line.substr(i, j - i)), lineNo_, Column(from + i)});
            i = j;
        } else {
            ++i;
        }
    }
}

bool NameIsSet(const Shared& shared, const std::string& lower) {
    const auto& system = shared.system;
    if (shared.setNames.contains(lower) || system.contains(lower)) return true;
    // Names are replaced wherever they stand, also inside a longer word.
    const auto inside = [&](const std::string& name) {
        return !name.empty() && lower.find(name) != std::string::npos;
    };
    return std::any_of(shared.setNames.begin(), shared.setNames.end(), inside) ||
           std::any_of(system.begin(), system.end(), inside);
}

} // namespace

std::vector<Finding> CheckScript(const CheckedScript& script, const ScriptReader& read) {
    std::vector<Finding> findings;
    Shared shared{read, SystemNames(), {}, {}, {}};
    if (!script.path.empty()) shared.visited.insert(script.path);
    Walker walker(script, shared, &findings, 0);
    walker.Walk();

    std::unordered_map<std::string, bool> known;
    for (const Read& r : walker.Reads()) {
        const std::string lower = AsciiLower(r.name);
        auto it = known.find(lower);
        if (it == known.end()) it = known.emplace(lower, NameIsSet(shared, lower)).first;
        if (!it->second)
            findings.push_back({r.line, r.column, Severity::Warning,
                                "no line sets the variable \"" + r.name + "\" read here"});
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return findings;
}

std::string FindingLine(std::string_view file, const Finding& finding) {
    return std::string(file) + ":" + std::to_string(finding.line) + ":" +
           std::to_string(finding.column) + ": " +
           (finding.severity == Severity::Error ? "error: " : "warning: ") + finding.text;
}

} // namespace talvex
