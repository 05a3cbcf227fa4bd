// The executor's display and log directives: pane hold, log hold and resume,
// #logon, and copying files to the host or into the log.
#include "engine/executor_level.h"

#include "engine/file_access.h"
#include "engine/native_path.h"
#include "engine/response_log.h"
#include "engine/text_codec.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace talvex {

namespace {

// Lines of a text file: LF, CR LF or a lone CR ends a line; a last line
// without an ending still counts.
std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending) lines.push_back(std::move(current));
    return lines;
}

const std::string kStars29(29, '*');

// Reads a file for #filetortf or #filetolog; returns the message that refuses
// it (missing, empty or over the limit), or "" with the file's bytes.
std::string ReadDirectiveFile(const std::string& path, const std::string& name, const char* target,
                              std::string& bytes) {
    const std::string missing = "Unable to locate file <" + name + ">, or file is empty.";
    const long long size = std::max(0LL, FileSizeOf(path));
    if (size < 1) return missing;
    if (size > ScriptRunner::kFileDirectiveLimit)
        return "File <" + name + "> is too large to send to " + target + ". (" +
               std::to_string(size) + ">100000)";
    std::string error;
    return ReadWholeFile(path, bytes, error) ? std::string() : missing;
}

} // namespace

void ScriptRunner::LogScript(const Level& lv) {
    AddLog(std::string(67, 'v') + kCrLf);
    AddLog(lv.cl + kCrLf);
    AddLog(std::string(67, '^') + kCrLf + kCrLf);
}

void ScriptRunner::LogHold(Level& lv) {
    if (lv.LogHeld) return;
    lv.HeldLogValue = window_.LogTicked();
    lv.LogHeld = true;
    window_.SetLogTicked(false);
}

void ScriptRunner::LogResume(Level& lv) {
    if (!lv.LogHeld) return;
    window_.SetLogTicked(lv.HeldLogValue);
    lv.LogHeld = false;
}

void ScriptRunner::LogOn(const Level& lv) {
    std::string name = logFile_;
    std::string path = logFile_;
    if (!interp_.DirectiveArg.empty()) {
        name = interp_.DirectiveArg;
        if (name.find(".log") == std::string::npos) name += ".log";
        path = Resolve(lv, name);
    }
    if (CharCount(name) < 5) {
        window_.SetLogTicked(false);
        return;
    }
    std::FILE* f = OpenFile(path, "ab");
    if (!f) {
        const int err = errno;
        window_.PaneAppend("Error#" + std::to_string(err) + "=" + std::strerror(err) + kCrLf +
                           "Unable to open logfile:" + name + kCrLf);
        return;
    }
    std::fclose(f);
    logFile_ = path;
    window_.SetLogTicked(true);
    logFileChosen_ = true;
}

void ScriptRunner::FileToRtf(const Level& lv) {
    FlushLog(); // the file read may be the log itself
    const std::string& name = interp_.DirectiveArg;
    const std::string path = Resolve(lv, name);
    std::string bytes;
    const std::string message = ReadDirectiveFile(path, name, "RTF", bytes);
    if (!message.empty()) {
        // The pane shows the message whether or not a host took it.
        SendToHost("rtftextnl(" + message + ")");
        window_.PaneAppend(message + kCrLf);
        if (LostLink())
            StopForLostLink(true);
        else if (hostFailed_)
            cancelState_ = CancelState::Aborted;
        return;
    }

    window_.SetBusyPointer(true);
    window_.Yield();
    AddLog("********** " + name + " **********" + kCrLf);
    for (const std::string& line : TextLines(DecodePlainText(bytes))) {
        if (!SendToHost("rtftextnl(" + line + ")") || LostLink()) break;
    }
    AddLog(kStars29 + kCrLf);
    window_.SetBusyPointer(false);
    if (LostLink())
        StopForLostLink(true);
    else if (hostFailed_)
        cancelState_ = CancelState::Aborted;
}

void ScriptRunner::FileToLog(const Level& lv) {
    FlushLog(); // the file read may be the log itself
    const std::string& name = interp_.DirectiveArg;
    const std::string path = Resolve(lv, name);
    std::string bytes;
    const std::string message = ReadDirectiveFile(path, name, "Log", bytes);
    if (!message.empty()) {
        AddLog(message + kCrLf);
        window_.PaneAppend(message + kCrLf);
        return;
    }

    window_.SetBusyPointer(true);
    window_.Yield();
    AddLog("********** " + name + " **********" + kCrLf);
    for (const std::string& line : TextLines(DecodePlainText(bytes)))
        AddLog(line + kCrLf);
    AddLog(kStars29 + kCrLf);
    window_.SetBusyPointer(false);
}

} // namespace talvex
