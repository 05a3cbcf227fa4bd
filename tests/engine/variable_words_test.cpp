// setvars, initvars, clearvars/clearuservars, showvars, and % lines feeding
// the host's reply back as assignments.
#include "script_driver.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

using testing::PinnedClock;
using testing::Step;

std::string ValueOf(const Interpreter& in, const std::string& name) {
    const std::string* v = in.Vars.Find(name);
    return v ? *v : "<absent>";
}

TEST(VariableWords, ShowVarsListsSystemThenDollarThenUserVariables) {
    Interpreter in;
    in.ResetInterpreter("");
    const auto steps = testing::RunScript(
        in, {"setvars(@a=1, b$='x', c=3, @d=4)", "#showvars", "clearvars(e=5)", "ShowVars"});
    const std::vector<Step> expected = {
        {1, "setvars(@a=1, b$='x', c=3, @d=4)"},
        {1, "ShowVars: @a=1, @d=4\r\nShowVars: b$='x'\r\nShowVars: c=3"},
        {1, "clearvars(e=5)"},
        {1, "ShowVars: @a=1, @d=4\r\nShowVars: b$='x'\r\nShowVars: e=5"},
    };
    EXPECT_EQ(steps, expected);
}

TEST(VariableWords, ShowVarsWithOnlyUserVariablesKeepsTheEmptyFirstLine) {
    Interpreter in;
    in.ResetInterpreter("");
    const auto steps = testing::RunScript(in, {"setvars(x=1)", "showvars"});
    EXPECT_EQ(steps.back(), (Step{1, "ShowVars: \r\nShowVars: x=1"}));
}

TEST(VariableWords, ClearUserVarsKeepsSystemAndDollarVariables) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, {"setvars(a=1, @b=2, c$=3, d=4)", "clearuservars(z=9)"});
    std::vector<std::string> names;
    for (const VarEntry& e : in.Vars.Entries())
        names.push_back(e.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"@b", "c$", "z"}));
}

TEST(VariableWords, InitVarsRecreatesTheSystemVariables) {
    PinnedClock clock;
    Interpreter in(clock.Make());
    in.ResetInterpreter("/jobs/run1.tvx");
    testing::RunScript(in, {"setvars(a=1)", "#initvars(q=2)"});
    EXPECT_EQ(ValueOf(in, "a"), "<absent>");
    EXPECT_EQ(ValueOf(in, "q"), "2");
    EXPECT_EQ(ValueOf(in, "@DateStart"), "'2026_03_07'");
    EXPECT_EQ(ValueOf(in, "@ScriptRoot"), "'run1'");
}

TEST(VariableWords, PercentLineReadsTheHostReplyAsAssignments) {
    Interpreter in;
    in.ResetInterpreter("");
    std::vector<std::string> sent;
    const auto host = [&](const std::string& command) {
        sent.push_back(command);
        return std::string("temp=21.5 ± 0.2, unit='C'");
    };
    const auto steps = testing::RunScript(in, {"%get(temp, unit)", "echo({temp})"}, host);
    EXPECT_EQ(steps, (std::vector<Step>{{0, "get(temp, unit)"}, {0, "echo(21.5)"}}));
    EXPECT_EQ(sent, (std::vector<std::string>{"get(temp, unit)", "echo(21.5)"}));
    EXPECT_EQ(ValueOf(in, "temp"), "21.5");
    EXPECT_EQ(ValueOf(in, "temp.err"), "0.2");
    EXPECT_EQ(ValueOf(in, "unit"), "'C'");
}

TEST(VariableWords, PlainWordsAreTakenAsDirectivesEvenAsHostCommands) {
    Interpreter in;
    in.ResetInterpreter("");
    const auto steps = testing::RunScript(in, {"SetVarsNow(p=1)", "labels(x)", "gotoxy(3)"});
    const std::vector<Step> expected = {
        {1, "SetVarsNow(p=1)"},
        {1, "#labels(x)"},
        {1, "#gotoxy(3)<3>"},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(ValueOf(in, "p"), "1");
    EXPECT_EQ(in.DirectiveArg, "3");
}

} // namespace
} // namespace talvex
