// The executor's side of control flow: labels and jumps, returns to recorded
// positions, the one-line #if offset, #call and #chain one level deeper.
#include "engine/executor_level.h"

#include "engine/jump_targets.h"
#include "engine/response_log.h"
#include "engine/script_file.h"
#include "macromath/trim.h"

namespace talvex {

long ScriptRunner::FindLabel(Level& lv, const std::string& name) {
    // A level's text does not change while it runs: index its labels once.
    if (!lv.labels) lv.labels = IndexLabels(lv.cl);
    return LabelPosition(*lv.labels, name, lv.Length());
}

void ScriptRunner::ReportMissingLabel(const std::string& message) {
    window_.PaneAppend(message);
    AddLog(message + kCrLf);
    Tell(MessageKind::Warning, message, window_.BaseCaption());
}

void ScriptRunner::JumpToLabel(Level& lv, bool keepArg) {
    lv.pos = FindLabel(lv, interp_.DirectiveArg);
    if (lv.pos > lv.Length())
        ReportMissingLabel("unable to locate label:" + AsciiLower(interp_.DirectiveArg));
    if (!keepArg) interp_.DirectiveArg.clear();
}

void ScriptRunner::JumpToPosition(Level& lv) {
    lv.pos = PositionAfterEquals(lastResult_);
}

void ScriptRunner::JumpByOffset(Level& lv) {
    lv.pos = OffsetTarget(lastResult_, lv.lineStart, lv.pos);
}

std::string ScriptRunner::Resolve(const Level& lv, std::string_view name) const {
    std::string path = ResolvePath(FolderOf(lv.scriptFile), name);
    if (fileAllowed_ && !fileAllowed_(path)) path.clear();
    return path;
}

std::string ScriptRunner::LoadForCall(const Level& lv, std::string& name) {
    const std::size_t eq = lastResult_.find('=');
    name = TrimChars(eq == std::string::npos ? std::string_view()
                                             : std::string_view(lastResult_).substr(eq + 1),
                     "\r\n ,");
    const std::string path = Resolve(lv, name);
    LoadedScriptFile loaded = LoadScriptFile(path);
    if (!loaded.ok) {
        // Nothing is created on disk; the call runs an empty script and returns.
        window_.PaneAppend("Unable to open script file <" + name + ">: " + loaded.error + kCrLf);
    }
    loadedScript_ = std::move(loaded.text);
    loadedLength_ = loaded.length;
    return path;
}

void ScriptRunner::CallScript(Level& lv) {
    std::string name;
    const std::string path = LoadForCall(lv, name);
    window_.SetTitle(window_.BaseCaption() + " - " + FileNameOf(name));
    window_.SetEditorText(loadedScript_);
    interp_.Vars.SetScriptVars(path);

    const std::string script = loadedScript_;
    RunLineByLine(script, path, lv.level + 1);

    window_.SetTitle(levelCaption_[lv.level]);
    window_.SetEditorText(lv.cl);
    window_.SetFileSaved(true);
    lastResult_ = "#Return=" + name + "  len=" + std::to_string(loadedLength_) + kCrLf;
    // A loop of calls that show no response would otherwise grow the pane
    // past its limit, one "#Return=" line (and maybe a missing-file line) a call.
    ResponseLimitCheck();
    window_.PaneAppend(lastResult_);
    interp_.Vars.SetScriptVars(lv.scriptFile);
    if (cancelState_ == CancelState::CancelHandlerRunning)
        cancelState_ = CancelState::CancelRequested; // the caller handles the cancel in turn
}

void ScriptRunner::ChainScript(Level& lv) {
    std::string name;
    const std::string path = LoadForCall(lv, name);
    window_.SetEditorText(loadedScript_);
    interp_.Vars.SetScriptVars(path);
    interp_.ResetBlocks();
    window_.SetFileSaved(true);
    window_.SetCurrentFile(path);
    window_.SetTitle(window_.BaseCaption() + " - " + FileNameOf(name));

    const std::string script = loadedScript_;
    RunLineByLine(script, path, lv.level + 1);

    window_.SetFileSaved(true);
    lv.pos = lv.Length() + 1; // nothing after a #chain line runs
}

} // namespace talvex
