// RunLineByLine: the executor. One level walks its script text line by line:
// cancel check, translation, the ">>>" echo, the send, the result shown and
// logged, then the canonical directive line carried out.
#include "engine/executor_level.h"

#include "engine/response_log.h"
#include "engine/response_pane.h"
#include "macromath/arithmetic_error.h"
#include "macromath/trim.h"

#include <algorithm>

namespace talvex {

void ScriptRunner::RunLineByLine(const std::string& script, const std::string& scriptFile,
                                 int level) {
    Level lv;
    lv.cl = script;
    lv.scriptFile = scriptFile;
    lv.level = level;
    lv.HeldLogValue = window_.LogTicked();

    if (level > kMaxLevel) {
        Tell(MessageKind::Information, "Call Recursion too deep", window_.BaseCaption());
        cancelState_ = CancelState::Aborted;
        return;
    }
    levelScript_[level] = lv.cl;
    levelCaption_[level] = window_.Title();
    lv.SavedFileSaved = window_.FileSaved();
    if (level == 0) interp_.TimerStart = interp_.Now();

    // The level's blocks end with it, however it ends: a called file that
    // leaves from inside a block must not leave its frames to its caller.
    struct BlocksOfLevel {
        Interpreter& interp;
        const Interpreter::BlockMark mark;
        ~BlocksOfLevel() { interp.EndBlocksSince(mark); }
    } levelBlocks{interp_, interp_.MarkBlocks()};

    bool errorShown = false;
    lv.pos = 1;
    while (lv.pos < lv.Length()) {
        // Leading blanks and tabs are not part of the line.
        const long length = lv.Length();
        while ((lv.cl[lv.pos - 1] == ' ' || lv.cl[lv.pos - 1] == '\t') && lv.pos < length - 1)
            ++lv.pos;

        if (cancelState_ == CancelState::CancelRequested) {
            cancelState_ = CancelState::Stop;
            if (!lv.CancelLabel.empty()) {
                const long target = FindLabel(lv, lv.CancelLabel);
                if (target > lv.Length()) {
                    ReportMissingLabel("Cancel: unable to locate label:" +
                                       AsciiLower(lv.CancelLabel));
                } else {
                    lv.pos = target;
                    cancelState_ = CancelState::CancelHandlerRunning;
                }
            }
        }
        if (EndsInScriptError(cancelState_)) {
            ShowScriptError();
            errorShown = true;
            break;
        }
        if (EndsAsInterrupted(cancelState_)) break;
        RunLine(lv);
        ReportRefusedVariable();
    }
    // A failure on the last line ends the text before the check above sees it.
    if (EndsInScriptError(cancelState_) && !errorShown) ShowScriptError();

    if (EndsAsInterrupted(cancelState_)) {
        window_.PaneAppend("script interrupted by user\r\n");
        if (window_.LogTicked()) AddLog("script interrupted by user\r\n");
    }
    window_.SetFileSaved(lv.SavedFileSaved);
}

void ScriptRunner::RunLine(Level& lv) {
    lv.lineStart = lv.pos;
    // A loop that logs nothing more still gets what it logged into the file.
    if (std::string error; !log_.FlushIfDue(error)) ReportLogFailure(error);
    window_.ShowRunningLine(lv.cl, static_cast<std::size_t>(lv.pos - 1));
    const std::size_t end = lv.cl.find(kCrLf, static_cast<std::size_t>(lv.pos - 1));
    const long lineEnd = end == std::string::npos ? lv.Length() + 1 : static_cast<long>(end) + 1;
    std::string rawLine = lv.cl.substr(lv.pos - 1, lineEnd - lv.pos);
    const std::string lineAsWritten = rawLine;
    const long nextPos = lineEnd + 2;
    if (tracer_) TraceLine(lv, rawLine);

    try {
        std::string outLine;
        const int result = interp_.TranslateLine(rawLine, outLine, lv.pos, nextPos);

        if (outLine.empty()) {
            lastResult_.clear();
        } else {
            // The log is whole before the host has the command, and a failure
            // to write it is told before the echo, which goes again.
            if (result == kHostCommand && !interp_.EchoMode()) FlushLog();
            const std::size_t echoLength = window_.PaneLength();
            window_.PaneAppend(">>>" + outLine + kCrLf);
            window_.ScrollToEnd();
            window_.SetBusyPointer(true);
            window_.Yield();

            const bool sent = !interp_.EchoMode() && result == kHostCommand;
            bool linkLost = false;
            if (sent) {
                interp_.Vars.SetSystemVar("@LastCommand", "'" + outLine + "'");
                if (!SendToHost(outLine)) {
                    // The link told the user why (or the user ended the host's
                    // start-up); the run cannot go on without a host.
                    window_.SetBusyPointer(false);
                    window_.PaneCutBack(echoLength);
                    if (cancelState_ != CancelState::Stop) cancelState_ = CancelState::Aborted;
                    lv.pos = nextPos;
                    return;
                }
                window_.SetBusyPointer(false);
                lastResult_ = host_.ReturnStr();
                linkLost = LostLink();
            } else {
                lastResult_ = outLine;
            }
            window_.Yield();

            if (interp_.DebugMode && sent) {
                if (window_.LogTicked()) AddLog(">>>" + outLine + kCrLf);
            } else {
                window_.PaneCutBack(echoLength);
            }
            SetLastResponse(lastResult_);

            if (lastResult_.empty() || lastResult_[0] != '#' || interp_.EchoMode() ||
                result == kAlwaysShown) {
                lastResult_ += kCrLf;
                ResponseLimitCheck();
                if (window_.LogTicked()) AddLog(lastResult_);
                if (!lv.ResponseHold) window_.PaneAppend(lastResult_);
            }
            if (linkLost) {
                StopForLostLink(false);
                lv.pos = nextPos;
                return;
            }
        }

        lv.pos = nextPos;
        if (interp_.ResponseAssign) interp_.AssignList(lastResult_);
        Dispatch(lv);
    } catch (const ArithmeticError& e) {
        AbortLine(lineAsWritten, e.what());
        lv.pos = nextPos;
    }
}

void ScriptRunner::TraceLine(Level& lv, std::string_view rawLine) {
    if (lv.lineStarts.empty()) {
        lv.lineStarts.push_back(0);
        for (std::size_t i = lv.cl.find(kCrLf); i != std::string::npos;
             i = lv.cl.find(kCrLf, i + 2))
            lv.lineStarts.push_back(i + 2);
    }
    const auto after = std::upper_bound(lv.lineStarts.begin(), lv.lineStarts.end(),
                                        static_cast<std::size_t>(lv.pos - 1));
    tracer_({lv.level, lv.scriptFile, static_cast<long>(after - lv.lineStarts.begin()), rawLine});
}

void ScriptRunner::ReportRefusedVariable() {
    // Once per run: a script that goes on making variables would bury the
    // pane in the same line.
    const std::string name = interp_.Vars.TakeRefusedName();
    if (name.empty()) return;
    const std::string message = "Error: too many variables (" +
                                std::to_string(VariableStore::kMaxVariables) + "): " + name +
                                " not stored";
    window_.PaneAppend(message + kCrLf);
    if (window_.LogTicked()) AddLog(message + kCrLf);
}

void ScriptRunner::ShowScriptError() {
    window_.PaneAppend("script error");
    if (window_.LogTicked()) AddLog("script error\r\n");
}

void ScriptRunner::AbortLine(const std::string& rawLine, const std::string& what) {
    const std::string message = "Error: " + what + " in line: " + rawLine;
    window_.SetBusyPointer(false);
    window_.PaneAppend(message + kCrLf);
    if (window_.LogTicked()) AddLog(message + kCrLf);
    Tell(MessageKind::Critical, message, "Error");
    lineAborted_ = true;
    cancelState_ = CancelState::Aborted;
}

void ScriptRunner::Dispatch(Level& lv) {
    const auto is = [&](std::string_view prefix) { return StartsWithNoCase(lastResult_, prefix); };

    if (is("#chain") && cancelState_ == CancelState::Running) {
        ChainScript(lv);
    } else if (is("#call") && cancelState_ == CancelState::Running) {
        CallScript(lv);
    } else if (is("#gosub") && !interp_.DirectiveArg.empty()) {
        JumpToLabel(lv, false);
    } else if (is("#return")) {
        JumpToPosition(lv);
    } else if (is("#oncancel")) {
        lv.CancelLabel = interp_.DirectiveArg;
        interp_.DirectiveArg.clear();
    } else if (is("#cancel")) {
        // A stop pressed while this line yielded holds: a handler that cancels
        // again must not be able to start itself for ever.
        if (cancelState_ != CancelState::Stop) cancelState_ = CancelState::CancelRequested;
        if (!interp_.DirectiveArg.empty()) lv.CancelLabel = interp_.DirectiveArg;
        interp_.DirectiveArg.clear();
    } else if (is("#goto") && !interp_.DirectiveArg.empty()) {
        JumpToLabel(lv, true);
    } else if (is("#wend") || is("#loop")) {
        JumpToPosition(lv);
    } else if (is("#responsehold")) {
        lv.ResponseHold = true;
    } else if (is("#responseresume")) {
        lv.ResponseHold = false;
    } else if (is("#logscript")) {
        LogScript(lv);
    } else if (is("#loghold")) {
        LogHold(lv);
    } else if (is("#logresume")) {
        LogResume(lv);
    } else if (is("#logoff")) {
        window_.SetLogTicked(false);
    } else if (is("#logon")) {
        LogOn(lv);
    } else if (is("#filetortf") && !interp_.DirectiveArg.empty()) {
        FileToRtf(lv);
    } else if (is("#filetolog") && window_.LogTicked() && !interp_.DirectiveArg.empty()) {
        FileToLog(lv);
    } else if (is("#exit")) {
        lv.pos = lv.Length() + 1;
    } else if (is("#if") && FindNoCase(lastResult_, "#offset=") != std::string::npos) {
        JumpByOffset(lv);
    }
}

void ScriptRunner::SetLastResponse(const std::string& text) {
    // One copy of a response that may run to megabytes: quoted, CR LF marked in place.
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '\'';
    quoted += text;
    quoted += '\'';
    for (std::size_t i = quoted.find(kCrLf); i != std::string::npos;
         i = quoted.find(kCrLf, i + 2)) {
        quoted[i] = '\x01';
        quoted[i + 1] = '\x01';
    }
    interp_.Vars.SetSystemVar("@LastResponse", std::move(quoted));
}

void ScriptRunner::ResponseLimitCheck() {
    if (!window_.PaneHasLimit() || window_.PaneLength() <= ResponsePane::kLimit) return;
    const std::string text = window_.PaneText();
    if (!window_.LogTicked()) {
        // From here on every result is logged; the pane's content goes first.
        window_.SetLogTicked(true);
        AddLog(text);
    }
    window_.PaneReplace(ResponsePane::KeptAfterLimitCut(text));
}

void ScriptRunner::AddLog(std::string_view text) {
    std::string error;
    if (!log_.Append(logFile_, text, error)) ReportLogFailure(error);
}

void ScriptRunner::FlushLog() {
    std::string error;
    if (!log_.Flush(error)) ReportLogFailure(error);
}

void ScriptRunner::ReportLogFailure(const std::string& error) {
    // Quiet per line, but a log that loses responses must not go unnoticed.
    if (logWriteFailed_) return;
    logWriteFailed_ = true;
    window_.PaneAppend("Unable to write logfile:" + logFile_ + " (" + error + ")" + kCrLf);
}

void ScriptRunner::Tell(MessageKind kind, std::string_view text, std::string_view title) {
    FlushLog();
    window_.Message(kind, text, title);
}

Answer ScriptRunner::Ask(std::string_view text, std::string_view title) {
    FlushLog();
    return window_.AskYesNo(text, title);
}

Answer ScriptRunner::AskOrCancel(std::string_view text, std::string_view title) {
    FlushLog();
    return window_.AskYesNoCancel(text, title);
}

bool ScriptRunner::SendToHost(const std::string& command) {
    // The host may take minutes, or read the log itself.
    FlushLog();
    // A lost link stays lost for the rest of the run: SendA then answers with
    // the loss at once, and the caller stops the run.
    if (!host_.LinkLost() && !host_.Init()) {
        // A cancel while the host was starting ended the start-up: the user's
        // choice, not a host failure.
        if (cancelState_ == CancelState::CancelRequested)
            cancelState_ = CancelState::Stop;
        else
            hostFailed_ = true;
        return false;
    }
    host_.SendA(command);
    return true;
}

bool ScriptRunner::LostLink() const {
    // The reply names the loss. A host that answered and then went is noticed
    // by the next line that needs it.
    return host_.LinkLost() && host_.ReturnStr() == kLinkLostReply;
}

void ScriptRunner::StopForLostLink(bool showReply) {
    // Never start a fresh host in the middle of a measurement: the run stops
    // here, as after an aborted line.
    const std::string text = host_.ReturnStr();
    if (showReply) {
        window_.PaneAppend(text + kCrLf);
        if (window_.LogTicked()) AddLog(text + kCrLf);
    }
    hostFailed_ = true;
    cancelState_ = CancelState::Aborted;
    Tell(MessageKind::Critical, TrimChars(text, "\r\n"), "Error");
}

} // namespace talvex
