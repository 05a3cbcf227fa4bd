// The Cancel button and the Escape key while a command waits for the host,
// from every cancel state, with the questions answered Yes or No.
#include "engine/script_runner.h"
#include "tests/app/fake_front_end.h"

#include <gtest/gtest.h>

#include <ostream>

namespace talvex::testing {
namespace {

enum class Action { CancelButton, Escape };

struct ControlCase {
    const char* name;
    Action action;
    int state;     // CancelState when the user acts
    Answer answer; // to the question, when one is asked
    int after;     // CancelState afterwards
    int hardCancels;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

void PrintTo(const ControlCase& c, std::ostream* os) {
    *os << (c.action == Action::CancelButton ? "Cancel button" : "Escape") << " in state "
        << c.state;
    for (const std::string& q : c.questions)
        *os << ", \"" << q << "\" answered "
            << (c.answer == Answer::Yes  ? "Yes"
                : c.answer == Answer::No ? "No"
                                         : "Cancel");
}

class CancelControls : public ::testing::TestWithParam<ControlCase> {};

TEST_P(CancelControls, DuringARun) {
    const ControlCase& c = GetParam();
    RunnerRig r;
    int after = 99;
    std::vector<std::string> messages;
    r.host.whileWaiting = [&](const std::string&) {
        r.runner.CancelState = c.state;
        r.window.answers = {c.answer};
        r.window.messages.clear();
        if (c.action == Action::CancelButton)
            r.runner.CancelButton();
        else
            r.runner.EscapeKey();
        after = r.runner.CancelState;
        for (const auto& m : r.window.messages)
            messages.push_back(m.text);
        r.runner.CancelState = kRunning;
    };
    r.window.editorText = "echo(x)\r\n";
    r.runner.RunScript();

    EXPECT_EQ(after, c.after);
    EXPECT_EQ(r.host.requests, std::vector<std::string>(c.hardCancels, "hardcancel"));
    EXPECT_EQ(r.window.questions, c.questions);
    EXPECT_EQ(messages, c.messages);
}

const std::string kEnding = "Ending Script please wait.";

INSTANTIATE_TEST_SUITE_P(
    States, CancelControls,
    ::testing::Values(
        ControlCase{"Button0",
                    Action::CancelButton,
                    kRunning,
                    Answer::No,
                    kCancelRequested,
                    1,
                    {},
                    {kEnding}},
        ControlCase{"Button1",
                    Action::CancelButton,
                    kCancelRequested,
                    Answer::No,
                    kCancelRequested,
                    1,
                    {},
                    {kEnding}},
        ControlCase{
            "Button2", Action::CancelButton, kCancelHandlerRunning, Answer::No, kStop, 0, {}, {}},
        ControlCase{"Button3", Action::CancelButton, kStop, Answer::No, kStop, 0, {}, {}},
        ControlCase{
            "ButtonAborted", Action::CancelButton, kAborted, Answer::No, kAborted, 0, {}, {}},
        ControlCase{"Escape0Yes",
                    Action::Escape,
                    kRunning,
                    Answer::Yes,
                    kCancelRequested,
                    1,
                    {"Cancel Script?"},
                    {kEnding}},
        ControlCase{
            "Escape0No", Action::Escape, kRunning, Answer::No, kRunning, 0, {"Cancel Script?"}, {}},
        ControlCase{"Escape2Yes",
                    Action::Escape,
                    kCancelHandlerRunning,
                    Answer::Yes,
                    kStop,
                    1,
                    {"Kill Script?"},
                    {"Killing Script please wait."}},
        ControlCase{"Escape2No",
                    Action::Escape,
                    kCancelHandlerRunning,
                    Answer::No,
                    kCancelHandlerRunning,
                    0,
                    {"Kill Script?"},
                    {}},
        ControlCase{
            "Escape1", Action::Escape, kCancelRequested, Answer::Yes, kCancelRequested, 0, {}, {}},
        ControlCase{"Escape3", Action::Escape, kStop, Answer::Yes, kStop, 0, {}, {}}),
    [](const ::testing::TestParamInfo<ControlCase>& i) { return std::string(i.param.name); });

TEST(CancelControls, OutsideARun) {
    RunnerRig r;
    r.window.answers = {Answer::Yes};
    r.runner.EscapeKey();
    EXPECT_TRUE(r.window.questions.empty()) << "Escape does nothing without a run";
    EXPECT_TRUE(r.host.requests.empty());
    r.runner.CancelButton();
    EXPECT_EQ(r.host.requests, std::vector<std::string>{"hardcancel"});
    ASSERT_EQ(r.window.messages.size(), 1u);
    EXPECT_EQ(r.window.messages[0].text, kEnding);
}

TEST(CancelControls, ACancelFromTheUserEndsTheRunAtTheNextLine) {
    RunnerRig r;
    r.host.whileWaiting = [&](const std::string& c) {
        if (c == "echo(b)") r.runner.CancelButton();
    };
    r.window.editorText = "echo(a)\r\necho(b)\r\necho(c)\r\n";
    r.runner.RunScript();
    EXPECT_EQ(r.host.sent, (std::vector<std::string>{"echo(a)", "echo(b)"}));
    EXPECT_EQ(r.window.pane.Text(), "a\r\nb\r\nscript interrupted by user\r\n");
    EXPECT_EQ(r.runner.CancelState, kStop);
}

TEST(HardCancelMenu, AddsALineEachTime) {
    RunnerRig r;
    r.window.editorText = "echo(a)";
    r.runner.SendHardCancelMenu();
    r.runner.SendHardCancelMenu();
    EXPECT_EQ(r.window.editorText, "echo(a)\r\nhardcancel\r\nhardcancel");
    EXPECT_EQ(r.host.requests, (std::vector<std::string>{"hardcancel", "hardcancel"}));
    EXPECT_FALSE(r.window.fileSaved);
}

} // namespace
} // namespace talvex::testing
