// talvex-run's output as a terminal shows it: standard output and standard
// error on one screen, so every message must start a line of its own.
#include "app/headless_window.h"
#include "engine/interpreter.h"
#include "engine/script_runner.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/temp_folder.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace talvex::testing {
namespace {

struct ScreenCase {
    const char* name;
    std::string script;
    bool logInMissingFolder;
    std::string screen; // %L: the log file's path
};

void PrintTo(const ScreenCase& c, std::ostream* os) {
    PrintQuoted(c.script, os);
}

class TerminalScreen : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(TerminalScreen, ShowsEachMessageOnALineOfItsOwn) {
    const ScreenCase& c = GetParam();
    TempFolder dir;
    const std::string log = dir.File("missing/run.log");
    std::FILE* screen = std::fopen(dir.File("screen.txt").c_str(), "w+b");
    ASSERT_NE(screen, nullptr);
    {
        HeadlessWindow window(screen, screen, nullptr);
        window.editorText = c.script;
        window.currentFile = "run.tvx";
        if (c.logInMissingFolder) window.SetChosenLogFile(log);
        FakeHost host;
        Interpreter interp;
        ScriptRunner runner(interp, host, window);
        runner.RunScript();
        window.Finish();
    }
    std::rewind(screen);
    std::string shown;
    for (int ch = std::fgetc(screen); ch != EOF; ch = std::fgetc(screen))
        shown += static_cast<char>(ch);
    std::fclose(screen);

    std::string expected = c.screen;
    for (auto at = expected.find("%L"); at != std::string::npos; at = expected.find("%L"))
        expected.replace(at, 2, log);
    EXPECT_EQ(shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TerminalScreen,
    ::testing::Values(ScreenCase{"script_error_then_script_done", "echo(a)\r\necho({1e308*10})\r\n",
                                 false,
                                 "a\n"
                                 "Error: arithmetic overflow in line: echo({1e308*10})\n"
                                 "Error: arithmetic overflow in line: echo({1e308*10})\n"
                                 "script error\n"
                                 "Script Done run.tvx\n"},
                      ScreenCase{"a_missing_label_then_a_log_that_fails", "goto(nowhere)\r\n", true,
                                 "Unable to create logfile:%L (No such file or directory)\n"
                                 "unable to locate label:nowhere\n"
                                 "Unable to write logfile:%L (No such file or directory)\n"
                                 "unable to locate label:nowhere\n"
                                 "Script Done run.tvx\n"}),
    [](const ::testing::TestParamInfo<ScreenCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace talvex::testing
