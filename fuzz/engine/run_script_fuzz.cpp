// Whole scripts through the real script runner, against a host that answers
// echo(TEXT) with TEXT (so a script can make the host reply "#call=...",
// "#Return=..." or a "%" list) and everything else with "OK". The input is the
// script; a form feed starts another file, saved as s1.tvx, s2.tvx, ... in a
// scratch folder beside the script, for #call and #chain to find.
//
// File access stays in the scratch folder: the runner asks the target about
// every path a script names, and an absolute path elsewhere, a relative one
// that ".." takes out, or one holding a NUL byte is refused (it reads as a
// missing file). Each run is bounded: past a number of steps or a time, the
// target presses Cancel, and again every so many steps or so much time, as a
// user would, until the run ends. Time counts as well as steps: a script
// whose values double at every turn (k={k}{k}) takes ever longer per step.
//
// Properties: no crash (sanitizers and checked containers), no hang (a run
// that ignores Cancel hits libFuzzer's -timeout), the block level stays in
// 0..40, and the response pane stays within its limit plus what a single
// append can bring.
#include "engine/interpreter.h"
#include "engine/response_pane.h"
#include "engine/script_runner.h"
#include "fuzz/common/scratch_folder.h"
#include "tests/macromath/test_environment.h"
#include "tests/support/memory_window.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr int kStepsBeforeCancel = 400;
constexpr int kStepsBetweenCancels = 200;
constexpr auto kTimeBeforeCancel = std::chrono::milliseconds(250);
constexpr auto kTimeBetweenCancels = std::chrono::milliseconds(250);
constexpr std::size_t kMaxFiles = 4;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// Inside the scratch folder, judged on the text alone: nothing in the folder
// is a link, since no directive can make one.
bool InsideScratch(const std::string& path) {
    const std::string& root = talvex::fuzzing::ScratchFolder();
    if (path.find('\0') != std::string::npos) return false;
    if (path.compare(0, root.size() + 1, root + "/") != 0) return false;
    int depth = 0;
    std::string_view rest = std::string_view(path).substr(root.size() + 1);
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
    }
    return depth > 0; // the folder itself is no file
}

class EchoHost : public talvex::HostInterface {
public:
    std::function<void()> onCommand;

    bool Init() override { return true; }
    void Send(const std::string& command) override { Answer(command); }
    void SendA(const std::string& command) override { Answer(command); }
    std::string ReturnStr() const override { return reply_; }
    bool LinkLost() const override { return false; }
    void ClearLinkLoss() override {}

private:
    void Answer(const std::string& command) {
        if (onCommand) onCommand();
        const auto open = command.find('(');
        const auto close = command.rfind(')');
        const bool echo = open != std::string::npos && command.size() >= 4 &&
                          (command[0] | 0x20) == 'e' && (command[1] | 0x20) == 'c' &&
                          (command[2] | 0x20) == 'h' && (command[3] | 0x20) == 'o';
        if (echo && close != std::string::npos && close > open + 1)
            reply_ = command.substr(open + 1, close - open - 1);
        else
            reply_ = "OK";
    }
    std::string reply_;
};

// The real pane, with a record of the longest single text put into it.
class RecordingWindow : public talvex::MemoryWindow {
public:
    void PaneAppend(std::string_view text) override {
        longestAppend = std::max(longestAppend, text.size());
        MemoryWindow::PaneAppend(text);
        CheckPane();
    }
    void PaneReplace(std::string_view text) override {
        longestAppend = std::max(longestAppend, text.size());
        MemoryWindow::PaneReplace(text);
        CheckPane();
    }
    void CheckPane() const {
        // Over the limit, the next response cuts the pane back; between two
        // responses only a few texts (an echo, a message) come in unchecked.
        Check(PaneLength() <= talvex::ResponsePane::kLimit + 4 * longestAppend + 64,
              "the pane stays within its limit");
    }
    std::size_t longestAppend = 0;
};

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void ClearScratch() {
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(talvex::fuzzing::ScratchFolder(), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> files;
    std::size_t start = 0;
    while (files.size() + 1 < kMaxFiles) {
        const auto ff = input.find('\f', start);
        if (ff == std::string_view::npos) break;
        files.push_back(input.substr(start, ff - start));
        start = ff + 1;
    }
    files.push_back(input.substr(start));

    const std::string& root = talvex::fuzzing::ScratchFolder();
    ClearScratch();
    for (std::size_t i = 1; i < files.size(); ++i)
        WriteFile(root + "/s" + std::to_string(i) + ".tvx", files[i]);

    talvex::Interpreter interp(talvex::testing::FixedEnvironment());
    EchoHost host;
    RecordingWindow window;
    window.SetEditorText(WithCrLf(files[0]));
    window.SetCurrentFile(root + "/main.tvx");
    talvex::RunnerSettings settings;
    settings.logFolder = root;
    talvex::ScriptRunner runner(interp, host, window, settings);
    runner.SetFileFilter(InsideScratch);

    int steps = 0;
    // The last press (the run's start before the first): a press sends the
    // hard cancel, whose command is a step of its own.
    int pressedAtStep = 0;
    auto pressedAt = std::chrono::steady_clock::now();
    bool pressed = false;
    const auto step = [&] {
        Check(interp.BlockLevel >= 0 && interp.BlockLevel <= talvex::kMaxBlockLevel,
              "the block level stays in its bounds");
        ++steps;
        const auto now = std::chrono::steady_clock::now();
        const bool due = pressed
                             ? steps - pressedAtStep > kStepsBetweenCancels ||
                                   now - pressedAt > kTimeBetweenCancels
                             : steps > kStepsBeforeCancel || now - pressedAt > kTimeBeforeCancel;
        if (!due) return;
        pressed = true;
        pressedAtStep = steps;
        pressedAt = now;
        runner.CancelButton();
    };
    window.onYield = step;
    host.onCommand = step;

    runner.RunScript();
    Check(!runner.Running(), "the run has ended");
    Check(interp.BlockLevel >= 0 && interp.BlockLevel <= talvex::kMaxBlockLevel,
          "the block level stays in its bounds");
    return 0;
}
