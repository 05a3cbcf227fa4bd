// What the window shows around #call and #chain, a log that cannot be
// written, and a variable the full store cannot take.
#include "engine/native_path.h"
#include "engine/script_file.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/temp_folder.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace talvex::testing {
namespace {

const std::string kBase = "KORVA Automated Script Program";

struct Seen {
    std::string command, editor, title;
    bool saved;
    bool operator==(const Seen& o) const {
        return std::tie(command, editor, title, saved) ==
               std::tie(o.command, o.editor, o.title, o.saved);
    }
};

void PrintTo(const Seen& s, std::ostream* os) {
    PrintQuoted(s.command, os);
    *os << " | ";
    PrintQuoted(s.editor, os);
    *os << " | ";
    PrintQuoted(s.title, os);
    *os << " | " << s.saved;
}

TEST(CallWindow, TheCalledScriptIsShownWhileItRunsAndTheCallerAfter) {
    TempFolder dir;
    WriteBytes(dir.File("sub.tvx"), "echo(in sub)\r\n");
    RunnerRig r;
    std::vector<Seen> seen;
    r.host.whileWaiting = [&](const std::string& c) {
        seen.push_back({c, r.window.editorText, r.window.title, r.window.fileSaved});
    };
    const std::string script = "echo(before)\r\n#call(sub)\r\necho(after)\r\n";
    r.window.editorText = script;
    r.window.title = kBase + " - main.tvx";
    r.window.currentFile = dir.File("main.tvx");
    r.window.fileSaved = false; // unsaved edits in the editor
    r.runner.RunScript();

    EXPECT_EQ(seen, (std::vector<Seen>{
                        {"echo(before)", script, kBase + " - main.tvx", false},
                        {"echo(in sub)", "echo(in sub)\r\n", kBase + " - sub.tvx", false},
                        {"echo(after)", script, kBase + " - main.tvx", true},
                    }));
    EXPECT_EQ(r.window.pane.Text(), "before\r\nin sub\r\n#Return=sub.tvx  len=14\r\nafter\r\n");
    EXPECT_FALSE(r.window.fileSaved) << "the top level puts its own flag back";
    EXPECT_EQ(r.window.currentFile, dir.File("main.tvx"));
}

TEST(CallWindow, AChainedScriptStaysInTheWindow) {
    TempFolder dir;
    WriteBytes(dir.File("next.tvx"), "echo(chained)\r\n");
    RunnerRig r;
    r.window.editorText = "#chain(next)\r\necho(never)\r\n";
    r.window.currentFile = dir.File("main.tvx");
    r.runner.RunScript();

    EXPECT_EQ(r.host.sent, std::vector<std::string>{"echo(chained)"});
    EXPECT_EQ(r.window.pane.Text(), "#Chain=next.tvx\r\nchained\r\n");
    EXPECT_EQ(r.window.editorText, "echo(chained)\r\n");
    EXPECT_EQ(r.window.title, kBase + " - next.tvx");
    EXPECT_EQ(r.window.currentFile, dir.File("next.tvx"));
    ASSERT_FALSE(r.window.messages.empty());
    EXPECT_EQ(r.window.messages.back().text, "Script Done\r\n" + dir.File("next.tvx"));
}

TEST(CallWindow, AMissingCallFileIsNotCreated) {
    TempFolder dir;
    RunnerRig r;
    r.window.editorText = "#call(gone)\r\necho(after)\r\n";
    r.window.currentFile = dir.File("main.tvx");
    r.runner.RunScript();
    EXPECT_FALSE(std::filesystem::exists(dir.File("gone.tvx")));
    EXPECT_NE(r.window.pane.Text().find("gone.tvx>"), std::string::npos) << r.window.pane.Text();
    EXPECT_NE(r.window.pane.Text().find("#Return=gone.tvx  len=0\r\nafter\r\n"), std::string::npos);
    EXPECT_EQ(r.host.sent, std::vector<std::string>{"echo(after)"});
}

TEST(CallWindow, AFileTheFilterRefusesReadsAsMissing) {
    TempFolder dir;
    WriteBytes(dir.File("sub.tvx"), "echo(in sub)\r\n");
    RunnerRig r;
    std::vector<std::string> asked;
    r.runner.SetFileFilter([&](const std::string& path) {
        asked.push_back(path);
        return false;
    });
    r.window.editorText = "#call(sub)\r\n";
    r.window.currentFile = dir.File("main.tvx");
    r.runner.RunScript();
    EXPECT_EQ(asked, std::vector<std::string>{dir.File("sub.tvx")});
    EXPECT_TRUE(r.host.sent.empty()) << "the refused script did not run";
    EXPECT_NE(r.window.pane.Text().find("Unable to open script file <sub.tvx>"), std::string::npos)
        << r.window.pane.Text();
}

TEST(CallWindow, AScriptInAFolderNamedBeyondTheCodePageLoadsCallsAndLogs) {
    TempFolder dir;
    const std::string folder = dir.File("Mess\xc3\xa4 \xc2\xb1 \xce\xa9"); // "Messä ± Ω"
    ASSERT_TRUE(std::filesystem::create_directory(NativePath(folder)));
    const std::string main = folder + "/main.tvx";
    std::string error;
    ASSERT_TRUE(SaveScriptFile(main, "#logon(run)\r\necho(before)\r\n#call(sub)\r\n", error))
        << error;
    WriteBytes(folder + "/sub.tvx", "echo(in sub)\r\n");
    const LoadedScriptFile loaded = LoadScriptFile(main);
    ASSERT_TRUE(loaded.ok) << loaded.error;

    RunnerRig r;
    r.window.editorText = loaded.text;
    r.window.currentFile = main;
    r.runner.RunScript();
    EXPECT_EQ(r.host.sent, (std::vector<std::string>{"echo(before)", "echo(in sub)"}));
    EXPECT_EQ(ReadBytes(folder + "/run.log"), "before\r\nin sub\r\n");
}

TEST(LogFailure, IsReportedOncePerRunAndTheResultsStillShow) {
    TempFolder dir;
    const std::string log = dir.File("no-such-folder/run.log");
    RunnerRig r;
    r.window.editorText = "echo(a)\r\necho(b)\r\necho(c)\r\n";
    r.window.logTicked = true;
    r.window.logFileAnswers = {log, log}; // one for each run
    for (int run = 0; run < 2; ++run) {
        r.window.messages.clear();
        r.runner.RunScript();
        ASSERT_FALSE(r.window.messages.empty());
        // The reason apart from the path, also where the box is one line.
        EXPECT_EQ(r.window.messages.front().text,
                  "Unable to create logfile:" + log + "\r\n(No such file or directory)");
        EXPECT_TRUE(r.runner.LogWriteFailed());
        std::string pane = r.window.pane.Text();
        const auto at = pane.find(log);
        ASSERT_NE(at, std::string::npos) << pane;
        EXPECT_EQ(pane.find(log, at + 1), std::string::npos) << "said once: " << pane;
        // Without that one line, the pane is what the run showed.
        const auto lineStart = pane.rfind("\r\n", at);
        const auto begin = lineStart == std::string::npos ? 0 : lineStart + 2;
        pane.erase(begin, pane.find("\r\n", at) + 2 - begin);
        EXPECT_EQ(pane, "a\r\nb\r\nc\r\n");
    }
    // A run whose log takes every line clears the failure of the run before.
    r.window.logFileAnswers = {dir.File("run.log")};
    r.runner.RunScript();
    EXPECT_FALSE(r.runner.LogWriteFailed());
    EXPECT_EQ(ReadBytes(dir.File("run.log")), "a\r\nb\r\nc\r\n");
}

// A log that fails for a while and then takes lines again (a disk that filled
// up and was freed): the gap is told where it is, and a line the failure cut
// is ended first. Writes are numbered from 1; the responses are r1 to r8.
struct GapCase {
    const char* name;
    int failFrom, failTo;  // writes that fail
    std::size_t tornBytes; // of the first failing write, these reach the file
    std::string log;       // %R: the reason
};

void PrintTo(const GapCase& c, std::ostream* os) {
    *os << c.name;
}

class LogGap : public ::testing::TestWithParam<GapCase> {};

TEST_P(LogGap, IsToldInTheLogOnceWritesGetThroughAgain) {
    const GapCase& c = GetParam();
    TempFolder dir;
    const std::string log = dir.File("run.log");
    RunnerRig r;
    int writes = 0;
    r.runner.SetLogWriter([&](std::FILE* f, std::string_view bytes) {
        ++writes;
        if (writes < c.failFrom || writes > c.failTo) {
            return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
                   std::fflush(f) == 0;
        }
        if (writes == c.failFrom && c.tornBytes > 0) {
            std::fwrite(bytes.data(), 1, c.tornBytes, f);
            std::fflush(f);
        }
        errno = ENOSPC;
        return false;
    });
    for (int i = 1; i <= 8; ++i)
        r.window.editorText += "echo(r" + std::to_string(i) + ")\r\n";
    r.window.logTicked = true;
    r.window.logFileAnswers = {log};
    r.runner.RunScript();

    std::string expected = c.log;
    const std::string reason = std::strerror(ENOSPC);
    if (const auto at = expected.find("%R"); at != std::string::npos)
        expected.replace(at, 2, reason);
    EXPECT_EQ(ReadBytes(log), expected);
    EXPECT_TRUE(r.runner.LogWriteFailed()) << "the run's status still tells of the loss";
    EXPECT_NE(r.window.pane.Text().find("Unable to write logfile:" + log + " (" + reason + ")"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LogGap,
    ::testing::Values(
        GapCase{"a_cut_line_is_ended_first", 3, 5, 1,
                "r1\r\nr2\r\nr\r\n*** 3 responses not logged: %R ***\r\nr6\r\nr7\r\nr8\r\n"},
        GapCase{"cut_between_cr_and_lf", 3, 5, 3,
                "r1\r\nr2\r\nr3\r\n*** 3 responses not logged: %R ***\r\nr6\r\nr7\r\nr8\r\n"},
        GapCase{"nothing_written_of_the_first", 2, 2, 0,
                "r1\r\n*** 1 responses not logged: %R ***\r\nr3\r\nr4\r\nr5\r\nr6\r\nr7\r\nr8\r\n"},
        // The note and the text go in one write; when that fails too, the
        // next note counts it.
        GapCase{"the_note_itself_fails", 4, 5, 0,
                "r1\r\nr2\r\nr3\r\n*** 2 responses not logged: %R ***\r\nr6\r\nr7\r\nr8\r\n"},
        GapCase{"no_recovery_no_note", 7, 99, 1, "r1\r\nr2\r\nr3\r\nr4\r\nr5\r\nr6\r\nr"}),
    [](const ::testing::TestParamInfo<GapCase>& i) { return std::string(i.param.name); });

// The log may hold texts back for a moment, but whatever the run waits on (a
// command, a message box) finds every earlier text in the file, and a tight
// loop's texts reach it within 60 ms of the run's time.
TEST(LogTiming, WhatTheRunWaitsOnFindsTheLogComplete) {
    TempFolder dir;
    const std::string log = dir.File("run.log");
    RunnerRig r;
    std::vector<std::string> seen;
    r.host.whileWaiting = [&](const std::string&) { seen.push_back(ReadBytes(log)); };
    r.window.onMessage = [&](const MemoryWindow::Shown&) { seen.push_back(ReadBytes(log)); };
    r.window.editorText = "echo(a)\r\necho(b)\r\necho(c)\r\n";
    r.window.logTicked = true;
    r.window.logFileAnswers = {log};
    r.runner.RunScript();
    EXPECT_EQ(seen, (std::vector<std::string>{"", "a\r\n", "a\r\nb\r\n", "a\r\nb\r\nc\r\n"}));
}

TEST(LogTiming, ATightLoopsTextsReachTheFileSoon) {
    TempFolder dir;
    const std::string log = dir.File("run.log");
    RunnerRig r;
    // Each line takes 20 ms of the run's time; nothing goes to the host.
    std::chrono::steady_clock::time_point now{};
    r.runner.SetLogClock([&] { return now; });
    std::vector<std::string> late;
    r.runner.SetLineTracer([&](const TracedLine& line) {
        // Line k starts at 20 (k - 1) ms and logs its text at 20 k ms.
        std::string due; // the texts logged 60 ms ago or earlier
        for (long j = 1; j <= line.line - 4; ++j)
            due += "echo(" + std::to_string(j) + ")\r\n";
        if (ReadBytes(log).compare(0, due.size(), due) != 0)
            late.push_back("line " + std::to_string(line.line) + ": " + ReadBytes(log));
        now += std::chrono::milliseconds(20);
    });
    for (int i = 1; i <= 12; ++i)
        r.window.editorText += "echo(" + std::to_string(i) + ")\r\n";
    r.window.logTicked = true;
    r.window.logFileAnswers = {log};
    r.runner.ListOnlyRun();
    EXPECT_TRUE(late.empty()) << late.front();
    EXPECT_EQ(ReadBytes(log).size(), r.window.editorText.size()) << "all of it at the end";
}

// A reply that would make more variables than the store holds: the first one
// refused is told in the pane and the log, once, and the run goes on.
TEST(FullStore, TheFirstRefusedVariableIsToldOnce) {
    TempFolder dir;
    const std::string log = dir.File("run.log");
    RunnerRig r;
    r.host.reply = [](const std::string& command) {
        if (command != "getall") return command.substr(5, command.size() - 6); // echo(...)
        std::string list;
        for (int i = 0; i < 20100; ++i)
            list += "v" + std::to_string(i) + "=" + std::to_string(i) + ",";
        return list;
    };
    r.window.editorText = "%getall\r\n#setvars(late=1)\r\necho(still running)\r\n";
    r.window.logTicked = true;
    r.window.logFileAnswers = {log};
    r.runner.RunScript();

    int firstRefused = 0;
    while (r.interp.Vars.Find("v" + std::to_string(firstRefused)))
        ++firstRefused;
    ASSERT_GT(firstRefused, 19000);
    const std::string told =
        "Error: too many variables (20000): v" + std::to_string(firstRefused) + " not stored\r\n";
    for (const std::string& where : {r.window.pane.Text(), ReadBytes(log)}) {
        const auto at = where.find(told);
        ASSERT_NE(at, std::string::npos) << where.substr(where.size() - 200);
        EXPECT_EQ(where.find("too many variables", at + told.size()), std::string::npos)
            << "told once";
        EXPECT_EQ(where.substr(at + told.size()), "still running\r\n");
    }
    EXPECT_EQ(r.interp.Vars.Find("late"), nullptr);
}

} // namespace
} // namespace talvex::testing
