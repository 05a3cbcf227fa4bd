#include "app/headless_run.h"

#include "app/exit_status.h"
#include "app/log_file_guard.h"
#include "engine/host_interface.h"
#include "engine/script_file.h"

namespace talvex {

HeadlessRun::HeadlessRun(const RunOptions& options, HostInterface& host, LinkControl link,
                         Environment env, HeadlessStreams streams, std::string logFolder)
    : options_(options), host_(host), link_(std::move(link)),
      window_(streams.out, streams.err, std::move(streams.yield)), interp_(std::move(env)) {
    RunnerSettings settings;
    settings.logFolder = std::move(logFolder);
    runner_ = std::make_unique<ScriptRunner>(interp_, host_, window_, std::move(settings));
    // What the window's status bar would say goes to standard error, once.
    host_.SetHardCancelNotice([this] {
        if (hardCancelNoticeGiven_) return;
        hardCancelNoticeGiven_ = true;
        window_.Message(MessageKind::Information,
                        "KORVA does not answer the hard cancel (press Ctrl+C twice more to end "
                        "the run)",
                        "");
    });
    host_.SetSlowReplyNotice([this](const std::string& command) {
        window_.Message(MessageKind::Information,
                        "waiting for KORVA: " + command + " (Ctrl+C cancels)", "");
    });
}

HeadlessRun::~HeadlessRun() {
    host_.SetHardCancelNotice(nullptr);
    host_.SetSlowReplyNotice(nullptr);
}

int HeadlessRun::Prepare() {
    const std::string& scriptPath = options_.script;
    LoadedScriptFile script = LoadScriptFile(scriptPath);
    if (!script.ok) {
        std::fprintf(window_.ErrorStream(), "talvex-run: cannot read %s: %s\n", scriptPath.c_str(),
                     script.error.c_str());
        return kExitNoInput;
    }
    if (!options_.log.empty()) {
        if (const int status = CheckLogFile(options_.log, scriptPath, window_.ErrorStream());
            status >= 0)
            return status;
    }
    window_.SetEditorText(script.text);
    window_.SetCurrentFile(scriptPath);
    window_.SetTitle(window_.BaseCaption() + " - " + FileNameOf(scriptPath));
    if (!options_.log.empty()) window_.SetChosenLogFile(options_.log);
    runner_->SetLineByLine(!options_.whole);
    if (options_.trace) {
        runner_->SetLineTracer([err = window_.ErrorStream()](const TracedLine& t) {
            std::string text(t.text);
            // One line each, whatever a stored script holds inside a line.
            for (char& c : text)
                if (c == '\r' || c == '\n') c = ' ';
            std::fprintf(err, "%d %.*s:%ld: %s\n", t.level, static_cast<int>(t.file.size()),
                         t.file.data(), t.line, text.c_str());
            std::fflush(err);
        });
    }
    return -1;
}

int HeadlessRun::Run() {
    if (!options_.list && !link_.init()) {
        window_.Finish();
        return link_.startCancelled() ? kExitInterrupted : kExitHost;
    }
    if (options_.list)
        runner_->ListOnlyRun();
    else
        runner_->RunScript();
    ShutDown();
    return RunExitStatus(*runner_);
}

int HeadlessRun::OnInterrupt(Interrupt kind) {
    if (kind == Interrupt::CtrlC && ++interrupts_ < 3) {
        // While the host starts up, Ctrl+C ends the start-up (and the host it
        // began); a run waiting on it is then interrupted.
        const bool starting = link_.starting();
        if (starting) link_.cancelStart();
        // A host that did not answer the hard cancel gets no other; the third
        // press gives up on it.
        if (host_.HardCancelUnanswered()) return -1;
        if (!starting || runner_->Running()) runner_->CancelButton();
        return -1;
    }
    if (kind == Interrupt::CtrlC && host_.HardCancelUnanswered()) {
        // Give up on the host, leaving its process alone: the command's wait
        // ends, and the run stops at its next line as interrupted.
        runner_->RequestStop();
        host_.DropLink();
        return -1;
    }
    // End now, in order: the log is written as the run goes. The echo
    // of the command that was cut short is no response (debug mode keeps
    // echoes, so it keeps this one too).
    if (!interp_.DebugMode) window_.DropPendingEcho();
    if (kind == Interrupt::CtrlC) runner_->InterruptNow();
    ShutDown();
    return kExitInterrupted;
}

void HeadlessRun::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The run may end here without unwinding: what its log holds goes first.
    runner_->FlushLog();
    window_.Finish();
    // No Exit to a host that has stopped answering: it is left alone.
    if (host_.HardCancelUnanswered()) host_.DropLink();
    link_.uninit();
}

} // namespace talvex
