// The run command and the list-only run.
#include "engine/executor_level.h"
#include "engine/file_access.h"
#include "engine/response_log.h"
#include "engine/script_file.h"
#include "engine/timers.h"

namespace talvex {

ScriptRunner::ScriptRunner(Interpreter& interp, HostInterface& host, WindowInterface& window,
                           RunnerSettings settings)
    : interp_(interp), host_(host), window_(window), settings_(std::move(settings)) {
    log_.SetOwnFolder(settings_.logFolder);
}

long ScriptRunner::SecondofYear() const {
    const LocalTime t = interp_.Now();
    LocalTime newYear; // 1 January, midnight
    newYear.year = t.year;
    const long day = DayNumber(t) - DayNumber(newYear);
    return day * 86400L + t.hour * 3600L + t.minute * 60L + t.second;
}

std::string ScriptRunner::DefaultLogFile() const {
    return ResolvePath(settings_.logFolder, std::to_string(SecondofYear()) + ".log");
}

void ScriptRunner::RunScript() {
    if (running_) return;
    log_.Restart();
    logFileChosen_ = false;
    logFile_ = DefaultLogFile();
    lineAborted_ = false;
    hostFailed_ = false;
    logWriteFailed_ = false;

    bool abandoned = false;
    while (window_.LogTicked()) {
        const std::string current = window_.CurrentFile();
        // The script's own name with ".log": /data/run.tvx proposes /data/run.log.
        // A current file that names only a folder (the most recent script's,
        // at start-up) proposes the default log's name there, not ".log".
        std::string proposed = logFile_;
        if (!current.empty())
            proposed =
                FolderOf(current) +
                (BaseNameOf(current).empty() ? FileNameOf(logFile_) : BaseNameOf(current) + ".log");
        const std::string chosen = window_.AskLogFile(proposed);
        if (chosen.empty()) {
            const Answer a = AskOrCancel(
                "No filename is selected to save response log.  \r\nDo you wish to save the "
                "responses to script commands?",
                "Log Responses");
            if (a == Answer::No) {
                window_.SetLogTicked(false);
                break;
            }
            if (a == Answer::Cancel) {
                abandoned = true;
                break;
            }
            continue;
        }
        logFile_ = chosen;
        logFileChosen_ = true;
        std::string error;
        if (!CreateEmptyFile(logFile_, error)) {
            // The reason on a line of its own, in parentheses: a one-line
            // rendering of the box still tells where the path ends.
            Tell(MessageKind::Warning,
                 "Unable to create logfile:" + logFile_ + "\r\n(" + error + ")", "Log Responses");
        }
        break;
    }

    if (!abandoned) {
        running_ = true;
        cancelState_ = CancelState::Running;
        host_.ClearLinkLoss();
        window_.PaneReplace("");
        const std::string text = window_.EditorText();
        window_.SetRunControlsEnabled(false);
        const std::string currentFile = window_.CurrentFile();
        interp_.ResetInterpreter(currentFile);
        interp_.Vars.InitSystemVars();

        if (lineByLine_) {
            RunLineByLine(text, currentFile, 0);
            Tell(MessageKind::Warning, "Script Done\r\n" + window_.CurrentFile(),
                 window_.BaseCaption());
            if (!logFileChosen_ && window_.LogTicked()) {
                window_.PaneAppend(std::string("Responses exceeded limit.  Responses saved to "
                                               "file.\r\n") +
                                   logFile_ + kCrLf);
            }
            if (!logFileChosen_) window_.SetLogTicked(false);
        } else {
            if (SendToHost(text)) {
                window_.PaneReplace(host_.ReturnStr());
                if (LostLink()) StopForLostLink(false);
            }
        }
        running_ = false;
        FlushLog();
        log_.Close();
    }
    interp_.SetEchoMode(false);
    window_.SetRunControlsEnabled(true);
}

void ScriptRunner::ListOnlyRun() {
    if (running_) return;
    interp_.SetEchoMode(true);
    RunScript();
    interp_.SetEchoMode(false);
}

} // namespace talvex
