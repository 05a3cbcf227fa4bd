// The executor's side of control flow: labels and jumps, returns to recorded
// positions, the one-line #if offset, #call and #chain one level deeper.
#include "engine/executor_level.h"

#include "engine/response_log.h"
#include "engine/script_file.h"
#include "macromath/arithmetic_error.h"
#include "macromath/number_text.h"
#include "macromath/trim.h"

namespace talvex {

namespace {

// A position written after "=" or "#offset=": its leading number, rounded.
long PositionAfter(const std::string& text, std::size_t from) {
    const auto n = RoundToInt32(ValOf(std::string_view(text).substr(from)));
    if (!n) throw ArithmeticError("arithmetic overflow");
    return *n;
}

} // namespace

long ScriptRunner::FindLabel(Level& lv, const std::string& name) {
    if (!lv.labelsIndexed) {
        // A label line starts (no blanks skipped) with "#label" or "label" and
        // holds "("; its name is what follows, trimmed of " ,)". The first
        // line of a name wins.
        const std::string& text = lv.cl;
        const long n = lv.Length();
        for (long start = 1; start <= n;) {
            const std::size_t crlf = text.find(kCrLf, static_cast<std::size_t>(start - 1));
            const long end = crlf == std::string::npos ? n + 1 : static_cast<long>(crlf) + 1;
            const std::string_view line = std::string_view(text).substr(start - 1, end - start);
            if (StartsWithNoCase(line, "#label") || StartsWithNoCase(line, "label")) {
                const std::size_t paren = line.find('(');
                if (paren != std::string_view::npos)
                    lv.labels.emplace(AsciiLower(TrimView(line.substr(paren + 1), " ,)")), end + 2);
            }
            start = end + 2;
        }
        lv.labelsIndexed = true;
    }
    const auto it = lv.labels.find(AsciiLower(name));
    return it != lv.labels.end() ? it->second : lv.Length() + 2;
}

void ScriptRunner::ReportMissingLabel(const std::string& message) {
    window_.PaneAppend(message);
    AddLog(message + kCrLf);
    window_.Message(MessageKind::Warning, message, window_.BaseCaption());
}

void ScriptRunner::JumpToLabel(Level& lv, bool keepArg) {
    lv.pos = FindLabel(lv, interp_.DirectiveArg);
    if (lv.pos > lv.Length())
        ReportMissingLabel("unable to locate label:" + AsciiLower(interp_.DirectiveArg));
    if (!keepArg) interp_.DirectiveArg.clear();
}

void ScriptRunner::JumpToPosition(Level& lv) {
    const std::size_t eq = LastResult.find('=');
    lv.pos = std::max(1L, PositionAfter(LastResult, eq == std::string::npos ? 0 : eq + 1));
}

void ScriptRunner::JumpByOffset(Level& lv) {
    static constexpr std::string_view kOffset = "#offset=";
    const std::size_t at = FindNoCase(LastResult, kOffset);
    if (at == std::string::npos) return;
    lv.pos = std::max(1L, lv.lineStart + PositionAfter(LastResult, at + kOffset.size()) - 1);
}

std::string ScriptRunner::Resolve(const Level& lv, std::string_view name) const {
    return ResolvePath(FolderOf(lv.scriptFile), name);
}

std::string ScriptRunner::LoadForCall(const Level& lv, std::string& name) {
    const std::size_t eq = LastResult.find('=');
    name = TrimChars(eq == std::string::npos ? std::string_view()
                                             : std::string_view(LastResult).substr(eq + 1),
                     "\r\n ,");
    const std::string path = Resolve(lv, name);
    LoadedScriptFile loaded = LoadScriptFile(path);
    if (!loaded.ok) {
        // Nothing is created on disk; the call runs an empty script and returns.
        window_.PaneAppend("Unable to open script file <" + name + ">: " + loaded.error + kCrLf);
    }
    LoadedScript = std::move(loaded.text);
    LoadedLength = loaded.length;
    return path;
}

void ScriptRunner::CallScript(Level& lv) {
    std::string name;
    const std::string path = LoadForCall(lv, name);
    window_.SetTitle(window_.BaseCaption() + " - " + FileNameOf(name));
    window_.SetEditorText(LoadedScript);
    interp_.Vars.SetScriptVars(path);

    const std::string script = LoadedScript;
    RunLineByLine(script, path, lv.level + 1);

    window_.SetTitle(LevelCaption[lv.level]);
    window_.SetEditorText(lv.cl);
    window_.SetFileSaved(true);
    LastResult = "#Return=" + name + "  len=" + std::to_string(LoadedLength) + kCrLf;
    window_.PaneAppend(LastResult);
    interp_.Vars.SetScriptVars(lv.scriptFile);
    if (CancelState == kCancelHandlerRunning)
        CancelState = kCancelRequested; // the caller handles the cancel in turn
}

void ScriptRunner::ChainScript(Level& lv) {
    std::string name;
    const std::string path = LoadForCall(lv, name);
    window_.SetEditorText(LoadedScript);
    interp_.Vars.SetScriptVars(path);
    interp_.ResetBlocks();
    window_.SetFileSaved(true);
    window_.SetCurrentFile(path);
    window_.SetTitle(window_.BaseCaption() + " - " + FileNameOf(name));

    const std::string script = LoadedScript;
    RunLineByLine(script, path, lv.level + 1);

    window_.SetFileSaved(true);
    lv.pos = lv.Length() + 1; // nothing after a #chain line runs
}

} // namespace talvex
