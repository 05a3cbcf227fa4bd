// The Cancel button and the Escape key while a command waits for the host,
// from every cancel state, with the questions answered Yes or No.
#include "engine/script_runner.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <stdexcept>

namespace talvex::testing {
namespace {

enum class Action { CancelButton, Escape };

struct ControlCase {
    const char* name;
    Action action;
    CancelState state; // when the user acts
    Answer answer;     // to the question, when one is asked
    CancelState after;
    int hardCancels;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    bool unanswered = false; // the host has not answered a hard cancel
    bool dropped = false;    // the link was given up on
};

void PrintTo(const ControlCase& c, std::ostream* os) {
    *os << (c.action == Action::CancelButton ? "Cancel button" : "Escape") << " in state "
        << static_cast<int>(c.state);
    for (const std::string& q : c.questions)
        *os << ", \"" << q << "\" answered "
            << (c.answer == Answer::Yes  ? "Yes"
                : c.answer == Answer::No ? "No"
                                         : "Cancel");
}

class CancelControls : public ::testing::TestWithParam<ControlCase> {};

// The user acts while echo(x) waits, the run having come to the case's state
// as runs do: a first Cancel, a cancel handler under way, a stop from outside.
TEST_P(CancelControls, DuringARun) {
    const ControlCase& c = GetParam();
    RunnerRig r;
    std::optional<CancelState> reached, after;
    std::size_t hardCancels = 0;
    std::vector<std::string> messages;
    r.host.whileWaiting = [&](const std::string& command) {
        if (command != "echo(x)" || after) return;
        if (c.state == CancelState::CancelRequested) r.runner.CancelButton();
        if (c.state == CancelState::Stop) r.runner.RequestStop();
        reached = r.runner.CurrentCancelState();
        r.host.unanswered = c.unanswered;
        r.window.answers = {c.answer};
        r.window.messages.clear();
        const std::size_t before = r.host.requests.size();
        if (c.action == Action::CancelButton)
            r.runner.CancelButton();
        else
            r.runner.EscapeKey();
        after = r.runner.CurrentCancelState();
        hardCancels = r.host.requests.size() - before;
        for (const auto& m : r.window.messages)
            messages.push_back(m.text);
    };
    r.window.editorText = c.state == CancelState::CancelHandlerRunning
                              ? "#oncancel(h)\r\n#cancel\r\nlabel(h)\r\necho(x)\r\n"
                              : "echo(x)\r\n";
    r.runner.RunScript();

    EXPECT_EQ(reached, c.state);
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(hardCancels, static_cast<std::size_t>(c.hardCancels));
    EXPECT_EQ(r.window.questions, c.questions);
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(r.host.dropped, c.dropped);
}

const std::string kEnding = "Ending Script please wait.";
const std::string kDropQuestion = "KORVA does not answer. Drop the link and stop the script?";

// The table names the states alone.
using enum CancelState;

INSTANTIATE_TEST_SUITE_P(
    States, CancelControls,
    ::testing::Values(
        ControlCase{"Button0",
                    Action::CancelButton,
                    Running,
                    Answer::No,
                    CancelRequested,
                    1,
                    {},
                    {kEnding}},
        ControlCase{"Button1",
                    Action::CancelButton,
                    CancelRequested,
                    Answer::No,
                    CancelRequested,
                    1,
                    {},
                    {kEnding}},
        ControlCase{
            "Button2", Action::CancelButton, CancelHandlerRunning, Answer::No, Stop, 0, {}, {}},
        ControlCase{"Button3", Action::CancelButton, Stop, Answer::No, Stop, 0, {}, {}},
        ControlCase{"Escape0Yes",
                    Action::Escape,
                    Running,
                    Answer::Yes,
                    CancelRequested,
                    1,
                    {"Cancel Script?"},
                    {kEnding}},
        ControlCase{
            "Escape0No", Action::Escape, Running, Answer::No, Running, 0, {"Cancel Script?"}, {}},
        ControlCase{"Escape2Yes",
                    Action::Escape,
                    CancelHandlerRunning,
                    Answer::Yes,
                    Stop,
                    1,
                    {"Kill Script?"},
                    {"Killing Script please wait."}},
        ControlCase{"Escape2No",
                    Action::Escape,
                    CancelHandlerRunning,
                    Answer::No,
                    CancelHandlerRunning,
                    0,
                    {"Kill Script?"},
                    {}},
        ControlCase{
            "Escape1", Action::Escape, CancelRequested, Answer::Yes, CancelRequested, 0, {}, {}},
        ControlCase{"Escape3", Action::Escape, Stop, Answer::Yes, Stop, 0, {}, {}},
        ControlCase{"ButtonUnansweredYes",
                    Action::CancelButton,
                    CancelRequested,
                    Answer::Yes,
                    Stop,
                    0,
                    {kDropQuestion},
                    {},
                    true,
                    true},
        ControlCase{"ButtonUnansweredNo",
                    Action::CancelButton,
                    CancelRequested,
                    Answer::No,
                    CancelRequested,
                    0,
                    {kDropQuestion},
                    {},
                    true,
                    false}),
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

    // The last run's state holds between runs: after a script error the
    // button does nothing.
    r.window.editorText = "echo({1e308*10})\r\n";
    r.runner.RunScript();
    ASSERT_EQ(r.runner.CurrentCancelState(), CancelState::Aborted);
    r.host.requests.clear();
    r.window.messages.clear();
    r.runner.CancelButton();
    EXPECT_TRUE(r.host.requests.empty());
    EXPECT_TRUE(r.window.messages.empty());
    EXPECT_EQ(r.runner.CurrentCancelState(), CancelState::Aborted);
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
    EXPECT_EQ(r.runner.CurrentCancelState(), CancelState::Stop);
}

// Giving up on a host that did not answer the hard cancel: the command's wait
// ends with the drop, no handler runs (it would need the host), and the run
// ends as interrupted, not as a lost host.
TEST(CancelControls, GivingUpOnAHostThatDoesNotAnswerEndsTheRunAsInterrupted) {
    RunnerRig r;
    r.host.whileWaiting = [&](const std::string& c) {
        if (c != "wait(5000)") return;
        r.runner.CancelButton(); // the hard cancel goes unanswered
        r.host.unanswered = true;
        r.window.answers = {Answer::Yes};
        r.runner.CancelButton();
    };
    r.window.editorText = "#oncancel(h)\r\necho(before)\r\nwait(5000)\r\necho(after)\r\n"
                          "#exit\r\nlabel(h)\r\necho(handler)\r\n";
    r.runner.RunScript();
    EXPECT_EQ(r.host.sent, (std::vector<std::string>{"echo(before)", "wait(5000)"}));
    EXPECT_EQ(r.window.pane.Text(),
              "before\r\nError: link to KORVA dropped\r\nscript interrupted by user\r\n");
    EXPECT_EQ(r.runner.CurrentCancelState(), CancelState::Stop);
    EXPECT_FALSE(r.runner.HostFailed());
}

// A handler whose only line is #cancel again: the stop pressed while that line
// yields must hold, or the handler restarts itself for ever.
TEST(CancelControls, AStopDuringAHandlerThatCancelsAgainHolds) {
    RunnerRig r;
    int yields = 0;
    r.window.onYield = [&] {
        if (++yields > 10000) throw std::runtime_error("the handler never ends");
        if (r.runner.CurrentCancelState() == CancelState::CancelHandlerRunning)
            r.runner.CancelButton();
    };
    r.window.editorText = "#oncancel(h)\r\n#cancel\r\nlabel(h)\r\n#cancel\r\necho(x)\r\n";
    EXPECT_NO_THROW(r.runner.RunScript());
    EXPECT_EQ(r.runner.CurrentCancelState(), CancelState::Stop);
    EXPECT_TRUE(r.host.sent.empty());
    EXPECT_NE(r.window.pane.Text().find("script interrupted by user"), std::string::npos);
}

// A link lost during a run holds for the rest of it: no fresh host is linked,
// the run stops at the next line that needs the host with the loss in the
// pane and a message box, and the next run links again.
struct LossCase {
    const char* name;
    bool lineByLine;
    std::string script; // %F: a file of three lines; %M: a file that does not exist
    const char* loseAfter;
    const char* loseDuring;
    std::vector<std::string> sent;
    std::string pane;
};

void PrintTo(const LossCase& c, std::ostream* os) {
    *os << c.name;
}

class LinkLoss : public ::testing::TestWithParam<LossCase> {};

std::string Substituted(std::string text, const std::string& key, const std::string& value) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

TEST_P(LinkLoss, StopsTheRunAndHoldsUntilTheNextRun) {
    const LossCase& c = GetParam();
    TempFolder folder;
    WriteBytes(folder.File("notes.txt"), "one\ntwo\nthree\n");
    const auto fill = [&](const std::string& text) {
        return Substituted(Substituted(text, "%F", folder.File("notes.txt")), "%M",
                           folder.File("missing.txt"));
    };
    RunnerSettings settings;
    settings.logFolder = folder.Path(); // #filetortf writes its banner to the log file
    RunnerRig r(settings);
    r.host.loseAfter = c.loseAfter;
    r.host.whileWaiting = [&](const std::string& command) {
        if (command == c.loseDuring) r.host.lost = true;
    };
    r.runner.SetLineByLine(c.lineByLine);
    r.window.editorText = fill(c.script);
    r.runner.RunScript();

    std::vector<std::string> sent;
    for (const std::string& s : c.sent)
        sent.push_back(fill(s));
    EXPECT_EQ(r.host.sent, sent);
    EXPECT_EQ(r.host.inits, static_cast<int>(sent.size())) << "no Init once the link was lost";
    EXPECT_EQ(r.window.pane.Text(), fill(c.pane));
    ASSERT_FALSE(r.window.messages.empty());
    EXPECT_EQ(r.window.messages.front().text, "Error: link to KORVA lost");
    EXPECT_EQ(r.window.messages.front().title, "Error");
    EXPECT_TRUE(r.runner.HostFailed());
    EXPECT_EQ(r.runner.CurrentCancelState(), CancelState::Aborted);

    // The next run starts with the loss cleared and links again.
    r.host.loseAfter.clear();
    r.host.whileWaiting = nullptr;
    r.window.editorText = "echo(again)";
    r.runner.RunScript();
    EXPECT_EQ(r.host.sent.back(), "echo(again)");
    EXPECT_FALSE(r.runner.HostFailed());
}

const std::string kLostLine = "Error: link to KORVA lost\r\n";

INSTANTIATE_TEST_SUITE_P(
    Where, LinkLoss,
    ::testing::Values(
        LossCase{"during_a_command",
                 true,
                 "echo(a)\r\necho(b)\r\necho(c)\r\n",
                 "",
                 "echo(b)",
                 {"echo(a)", "echo(b)"},
                 "a\r\n" + kLostLine + "script error"},
        // The host died while the script ran on by itself: the next command
        // does not start a fresh one.
        LossCase{"between_commands",
                 true,
                 "echo(one)\r\n#setvars(i=0)\r\n#while(i<3)\r\n#setvars(i={i+1})\r\n#wend\r\n"
                 "echo(two)\r\n",
                 "echo(one)",
                 "",
                 {"echo(one)"},
                 "one\r\n" + kLostLine + "script error"},
        LossCase{"during_filetortf",
                 true,
                 "#filetortf(%F)\r\necho(after)\r\n",
                 "",
                 "rtftextnl(two)",
                 {"rtftextnl(one)", "rtftextnl(two)"},
                 "#FileToRTF=%F\r\n" + kLostLine + "script error"},
        LossCase{"before_filetortf",
                 true,
                 "echo(a)\r\n#filetortf(%F)\r\necho(after)\r\n",
                 "echo(a)",
                 "",
                 {"echo(a)"},
                 "a\r\n#FileToRTF=%F\r\n" + kLostLine + "script error"},
        LossCase{"before_filetortf_of_a_missing_file",
                 true,
                 "echo(a)\r\n#filetortf(%M)\r\necho(after)\r\n",
                 "echo(a)",
                 "",
                 {"echo(a)"},
                 "a\r\n#FileToRTF=%M\r\nUnable to locate file <%M>, or file is empty.\r\n" +
                     kLostLine + "script error"},
        LossCase{"whole_script",
                 false,
                 "echo(a)\r\n",
                 "",
                 "echo(a)\r\n",
                 {"echo(a)\r\n"},
                 "Error: link to KORVA lost"}),
    [](const ::testing::TestParamInfo<LossCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace talvex::testing
