// The script runner: the run command, the executor that walks a script line
// by line (calling itself for #call and #chain), the directives it carries
// out, and the user's run control (cancel, Escape, hard cancel).
#pragma once

#include "engine/host_interface.h"
#include "engine/interpreter.h"
#include "engine/response_log.h"
#include "engine/window_interface.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace talvex {

// Where a run stands with a cancel. It keeps its last value between runs; the
// next run starts it at Running.
enum class CancelState : int {
    Running = 0,
    CancelRequested = 1,      // by the user or #cancel; handled at the next line
    CancelHandlerRunning = 2, // the #oncancel label's lines run
    Stop = 3,                 // every active level leaves at its next line
    Aborted = -2,             // a script error: every active level ends with it
};

// The run ends with "script error" at every active level.
constexpr bool EndsInScriptError(CancelState s) {
    return s == CancelState::Aborted;
}
// The run ends with "script interrupted by user" at every active level.
constexpr bool EndsAsInterrupted(CancelState s) {
    return s == CancelState::Stop;
}

// A line about to run, for a tracer.
struct TracedLine {
    int level = 0;         // call level, 0 for the script the run started with
    std::string_view file; // the level's script file, as it was opened
    long line = 0;         // 1-based
    std::string_view text; // the line, leading blanks skipped
};

struct RunnerSettings {
    // Where the default log file goes (the program's folder when writable,
    // else the user's data folder); chosen by the front end.
    std::string logFolder = ".";
};

class ScriptRunner {
public:
    static constexpr int kMaxLevel = 10;
    static constexpr long long kFileDirectiveLimit = 100000;

    ScriptRunner(Interpreter& interp, HostInterface& host, WindowInterface& window,
                 RunnerSettings settings = {});

    // The run command: settles the log file, clears the pane, resets the
    // interpreter and runs the editor's text line by line or sends it whole.
    void RunScript();
    // A list-only run: every line translated and shown, nothing sent.
    void ListOnlyRun();

    // Run control, reached from the window's events (also while a run waits).
    void CancelButton();
    void EscapeKey();
    // The run stops at its next line as interrupted (a cancel handler does not
    // run); between runs it only sets the state the exit status reads.
    void RequestStop() { cancelState_ = CancelState::Stop; }
    // The run is ended from outside, at once (a third Ctrl+C): the pane and
    // the log say it was interrupted.
    void InterruptNow();
    void SetLineByLine(bool lineByLine) { lineByLine_ = lineByLine; }
    bool LineByLine() const { return lineByLine_; }

    bool Running() const { return running_; }

    // When set, a file a script names (#call, #chain, #logon, #filetortf,
    // #filetolog) is used only when this accepts its path; a refused path
    // reads as a missing file. The fuzzing harness keeps scripts inside a
    // scratch folder with it.
    void SetFileFilter(std::function<bool(const std::string& path)> allowed) {
        fileAllowed_ = std::move(allowed);
    }

    // Called before each line of a line-by-line run runs (null: none, at no
    // cost).
    void SetLineTracer(std::function<void(const TracedLine&)> tracer) {
        tracer_ = std::move(tracer);
    }

    // How the log's bytes reach its file, and the clock that times how long
    // they are held; tests make writes fail and time pass with them.
    void SetLogWriter(LogAppender::Writer writer) { log_.SetWriter(std::move(writer)); }
    void SetLogClock(LogAppender::Clock clock) { log_.SetClock(std::move(clock)); }
    // Writes what the log holds: before the program ends in the middle of a run.
    void FlushLog();

    // Outcome of the last run, for the headless runner's exit status.
    CancelState CurrentCancelState() const { return cancelState_; }
    bool LineAborted() const { return lineAborted_; } // a line failed (arithmetic)
    bool HostFailed() const { return hostFailed_; }   // not linked, or the link was lost
    // A write to the log failed; the pane said so once and the run went on.
    bool LogWriteFailed() const { return logWriteFailed_; }

    // The log file of the last run: the default one unless the user chose one.
    const std::string& LogFile() const { return logFile_; }

    // Seconds since the start of the current year, local time.
    long SecondofYear() const;
    // The log file a run starts with: the log folder, SecondofYear, ".log".
    std::string DefaultLogFile() const;

private:
    struct Level; // per-invocation state of RunLineByLine

    void RunLineByLine(const std::string& script, const std::string& scriptFile, int level);
    void RunLine(Level& lv);
    void TraceLine(Level& lv, std::string_view rawLine);
    void Dispatch(Level& lv);
    void AbortLine(const std::string& rawLine, const std::string& what);
    void ShowScriptError();
    // Tells, once per run, of a variable the full store did not take.
    void ReportRefusedVariable();
    void SetLastResponse(const std::string& text);
    void ResponseLimitCheck();
    void AddLog(std::string_view text);
    // Reports, once per run, a log write that failed.
    void ReportLogFailure(const std::string& error);
    // Dialogs: the log is written before the run waits on the user.
    void Tell(MessageKind kind, std::string_view text, std::string_view title);
    Answer Ask(std::string_view text, std::string_view title);
    Answer AskOrCancel(std::string_view text, std::string_view title);
    bool SendToHost(const std::string& command);
    // The last Send or SendA failed because the link is lost.
    bool LostLink() const;
    // The link was lost: shows the reply that names the loss (unless the
    // caller has) and a message box, and ends the run as a host failure.
    void StopForLostLink(bool showReply);
    void HardCancel();

    // Jumps, calls and cancel handling.
    // Position of the line after the first label line named `name` (any
    // case), or a position beyond the end of the level's text.
    static long FindLabel(Level& lv, const std::string& name);
    void JumpToLabel(Level& lv, bool keepArg);
    void JumpToPosition(Level& lv);
    void JumpByOffset(Level& lv);
    void CallScript(Level& lv);
    void ChainScript(Level& lv);
    void ReportMissingLabel(const std::string& message);
    std::string LoadForCall(const Level& lv, std::string& name);

    // Log and file directives.
    void LogScript(const Level& lv);
    void LogHold(Level& lv);
    void LogResume(Level& lv);
    void LogOn(const Level& lv);
    void FileToRtf(const Level& lv);
    void FileToLog(const Level& lv);

    std::string Resolve(const Level& lv, std::string_view name) const;

    Interpreter& interp_;
    HostInterface& host_;
    WindowInterface& window_;
    RunnerSettings settings_;
    bool lineByLine_ = true;
    bool running_ = false;

    CancelState cancelState_ = CancelState::Running;
    bool lineAborted_ = false;
    bool hostFailed_ = false;
    bool logWriteFailed_ = false;
    std::string logFile_;
    bool logFileChosen_ = false;
    std::string lastResult_;
    std::string loadedScript_;
    long loadedLength_ = 0;
    std::array<std::string, kMaxLevel + 1> levelScript_;
    std::array<std::string, kMaxLevel + 1> levelCaption_;
    LogAppender log_;
    std::function<bool(const std::string& path)> fileAllowed_;
    std::function<void(const TracedLine&)> tracer_;
};

} // namespace talvex
