// One line at a time at the top level: the dispatch rows, comments, % lines,
// plain words, and the gates while lines are passed over.
#include "script_driver.h"

#include "macromath/arithmetic_error.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace talvex {
namespace {

using testing::PinnedClock;
using testing::RunScript;
using testing::Step;

struct LineCase {
    const char* line;
    int code;
    const char* out;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    testing::PrintQuoted(c.line, os);
}

class TopLevelLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(TopLevelLine, TranslatesToCanonicalLine) {
    PinnedClock clock;
    Interpreter in(clock.Make());
    in.ResetInterpreter("");
    std::string line = GetParam().line;
    std::string out = "stale";
    const int code = in.TranslateLine(line, out, 1, static_cast<long>(line.size()) + 3);
    EXPECT_EQ(code, GetParam().code);
    EXPECT_EQ(out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TopLevelLine,
    ::testing::Values(
        LineCase{"", 0, ""}, LineCase{"  ,  ", 0, ""}, LineCase{"echo(hi)", 0, "echo(hi)"},
        LineCase{"echo({1+2})", 0, "echo(3)"}, LineCase{" ,echo(a), ", 0, "echo(a)"},
        LineCase{"echo({1+2)", 0, "{#error expanding <> unmatched left-brace}"},
        LineCase{"' note {1+1}", 1, "' note {1+1}"}, LineCase{"; note", 1, "; note"},
        LineCase{"// note", 1, "// note"}, LineCase{"%get(a)", 0, "get(a)"},
        LineCase{"#skipon", 1, "#Skipon"}, LineCase{"#skipoff", 1, "#Skipoff"},
        LineCase{"#echoon", 1, "#EchoOn"}, LineCase{"#EchoOff", 1, "#EchoOff"},
        LineCase{"#debughold", 1, "#DebugHold"}, LineCase{"#debugresume", 1, "#DebugResume"},
        LineCase{"#debugon", 1, "#DebugOn"}, LineCase{"#debugoff", 1, "#DebugOff"},
        LineCase{"#responsehold", 1, "#ResponseHold"},
        LineCase{"#responseresume", 1, "#ResponseResume"}, LineCase{"#logscript", 2, "#logscript"},
        LineCase{"#LogScript (v{2*2})", 2, "#LogScript (v4)"}, LineCase{"#loghold", 1, "#LogHold"},
        LineCase{"#logresume", 1, "#LogResume"}, LineCase{"#logoff", 2, "#LogOff"},
        LineCase{"#logon", 2, "#LogOn"}, LineCase{"#logon('run1')", 2, "#LogOn=run1"},
        LineCase{"#filetortf(data.txt)", 2, "#FileToRTF=data.txt"},
        LineCase{"#filetortf", 2, "#FileToRTF"},
        LineCase{"#filetolog( \"notes.txt\" )", 2, "#FileToLog=notes.txt"},
        LineCase{"#chain(next)", 2, "#Chain=next.tvx"},
        LineCase{"#chain(dir.v2/next)", 2, "#Chain=dir.v2/next"},
        LineCase{"#chain", 2, "Error no chain file specified"},
        LineCase{"#chain('')", 2, "Error no chain file specified"},
        LineCase{"#call('sub.tvx')", 1, "#Call=sub.tvx"},
        LineCase{"#CALL(sub)", 1, "#Call=sub.tvx"},
        LineCase{"#call()", 1, "Error no call file specified"}, LineCase{"#exit", 1, "#Exit"},
        LineCase{"#oncancel(h)", 1, "#OnCancel(h)"}, LineCase{"#cancel( h )", 1, "#Cancel(h)"},
        LineCase{"#continue", 1, "#Continue"}, LineCase{"#break", 1, "#Break"},
        LineCase{"#timenow", 2, "#TimeNow=2026-3-7, 9:05:03"},
        LineCase{"#frobnicate", 1, "Unkown # command: #frobnicate"},
        LineCase{"#clearuservars", 1, "Unkown # command: #clearuservars"},
        LineCase{"#elseif(1)", 1, "Error: #ElseIf found out of proper order"},
        LineCase{"#else", 1, "Error: #ElseIf found out of proper order"},
        LineCase{"#endif", 1, "Error: #Endif found out of proper order"},
        LineCase{"#wend", 1, "Error: #Wend found out of proper order"},
        LineCase{"#loop", 1, "Error: #Loop found out of proper order"},
        LineCase{"#loopwhile(1)", 1, "Error: #LoopWhile found out of proper order"},
        LineCase{"#loopuntil(1)", 1, "Error: #LoopUntil found out of proper order"},
        LineCase{"#return", 1, "Error: #Return found out of proper order"},
        LineCase{"setvars(a=1)", 1, "setvars(a=1)"}, LineCase{"#setvars(a=1)", 1, "#setvars(a=1)"},
        LineCase{"clearuservars", 1, "clearuservars"}, LineCase{"showvars", 1, "ShowVars: "},
        LineCase{"#showvars", 1, "ShowVars: "}, LineCase{"goto(end)", 1, "#goto(end)<end>"},
        LineCase{"GoTo( End )", 1, "#GoTo( End )<End>"}, LineCase{"#goto(end)", 1, "#goto(end)"},
        LineCase{"goto", 1, "#goto<> error no label name specified"},
        LineCase{"label(start)", 1, "#label(start)"}, LineCase{"#label(start)", 1, "#label(start)"},
        LineCase{"#if(1) then echo(x)", 1, "#If(1=(1)=(1)) #offset=13"},
        LineCase{"#if(0) then echo(x)", 1, "#If(0=(0)=(0))"},
        LineCase{"#dountil(1)", 1, "#DoUntil(1=(1)=(1))"}, LineCase{"#do(k=7)", 1, "#Do(k=7)"},
        LineCase{"#gosub()", 1, "##gosub()<> error no label name specified"},
        LineCase{"#goto", 1, "##goto<> error no label name specified"}));

TEST(TranslateLine, ArgumentsAndFlagsReachTheRunner) {
    PinnedClock clock;
    Interpreter in(clock.Make());
    in.ResetInterpreter("");
    std::string out;
    const auto run = [&](std::string line) {
        in.TranslateLine(line, out, 1, 40);
        return line;
    };

    run("%get(a)");
    EXPECT_TRUE(in.ResponseAssign);
    run("echo(a)");
    EXPECT_FALSE(in.ResponseAssign);

    run("#logon('run1')");
    EXPECT_EQ(in.DirectiveArg, "'run1'"); // as written; only the shown line is trimmed
    run("#logon");
    EXPECT_EQ(in.DirectiveArg, "");
    run("#oncancel(handler)");
    EXPECT_EQ(in.DirectiveArg, "handler");
    EXPECT_EQ(run("goto(end)"), "goto(end)<end>");
    EXPECT_EQ(in.DirectiveArg, "end");
    EXPECT_EQ(run("#gosub(s1, @n=2)"), "#gosub(s1, @n=2)<s1, @n=2>");
    EXPECT_EQ(in.DirectiveArg, "s1");
    ASSERT_NE(in.Vars.Find("@n"), nullptr);
    EXPECT_EQ(*in.Vars.Find("@n"), "2");
    run("#gosub( s2 , @m=1)"); // the label is found without the blank before the comma
    EXPECT_EQ(in.DirectiveArg, "s2");

    run("#echoon");
    EXPECT_TRUE(in.EchoMode());
    run("#echooff");
    EXPECT_FALSE(in.EchoMode());
    run("#do(k=7)");
    EXPECT_EQ(*in.Vars.Find("k"), "7");
}

TEST(TranslateLine, DebugHoldTwiceThenResumeRestoresTheStateBeforeTheFirstHold) {
    Interpreter in;
    in.ResetInterpreter("");
    std::vector<std::string> script = {"#debugon", "#debughold", "#responsehold", "#debugresume"};
    RunScript(in, script);
    EXPECT_TRUE(in.DebugMode);
    EXPECT_FALSE(in.DebugHeld);

    RunScript(in, {"#debughold"});
    EXPECT_FALSE(in.DebugMode);
    EXPECT_TRUE(in.DebugHeld);
    RunScript(in, {"#debugoff", "#responseresume"}); // off also drops the hold
    EXPECT_FALSE(in.DebugMode);
    EXPECT_FALSE(in.DebugHeld);
}

TEST(TranslateLine, PassedOverBlockDropsEverythingButSlashCommentsAndBlockDirectives) {
    Interpreter in;
    in.ResetInterpreter("");
    const std::vector<Step> steps = RunScript(in, {
                                                      "#if(0)",
                                                      "' hidden",
                                                      "// shown",
                                                      "%get(a)",
                                                      "#echoon",
                                                      "#skipon",
                                                      "#frob",
                                                      "goto(x)",
                                                      "setvars(a=1)",
                                                      "echo(x)",
                                                      "#if(1)",
                                                      "#else",
                                                      "#endif",
                                                      "#endif",
                                                  });
    const std::vector<Step> expected = {
        {1, "#If(0=(0)=(0))"},
        {0, ""},
        {1, "// shown"},
        {0, ""},
        {1, ""},
        {1, ""},
        {1, ""},
        {0, ""},
        {0, ""},
        {0, ""},
        {1, ""},
        {1, ""},
        {1, ""},
        {1, "#Endif"},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_FALSE(in.EchoMode());
    EXPECT_FALSE(in.SkipMode);
    EXPECT_FALSE(in.ResponseAssign);
    EXPECT_EQ(in.DirectiveArg, "");
    EXPECT_EQ(in.Vars.Find("a"), nullptr);
    EXPECT_EQ(in.BlockLevel, 0);
}

TEST(TranslateLine, SkipModePassesOverEverythingButSkipSwitchesAndSlashComments) {
    Interpreter in;
    in.ResetInterpreter("");
    const std::vector<Step> steps = RunScript(in, {
                                                      "#skipon",
                                                      "echo(a)",
                                                      "#if(1)",
                                                      "#endif",
                                                      "#wend",
                                                      "// note",
                                                      "' note",
                                                      "#skipon",
                                                      "#skipoff",
                                                      "echo(b)",
                                                  });
    const std::vector<Step> expected = {
        {1, "#Skipon"}, {0, ""}, {1, ""},        {1, ""},         {1, ""},
        {1, "// note"}, {0, ""}, {1, "#Skipon"}, {1, "#Skipoff"}, {0, "echo(b)"},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(in.BlockLevel, 0);
}

TEST(TranslateLine, SkipSwitchesNeedAnOpenBlock) {
    Interpreter in;
    in.ResetInterpreter("");
    const std::vector<Step> steps =
        RunScript(in, {"#if(0)", "#skipon", "#else", "echo(c)", "#endif"});
    const std::vector<Step> expected = {
        {1, "#If(0=(0)=(0))"}, {1, ""}, {1, "#Else"}, {0, "echo(c)"}, {1, "#Endif"}};
    EXPECT_EQ(steps, expected);
    EXPECT_FALSE(in.SkipMode);
}

TEST(TranslateLine, LongerKeywordsWinAndShorterOnesCatchTheRest) {
    Interpreter in;
    in.ResetInterpreter("");
    const std::vector<Step> steps = RunScript(in, {
                                                      "#IFDEF(1)",
                                                      "#ElseWhere",
                                                      "#EndIfNow",
                                                      "#dox",
                                                      "#loopy",
                                                  });
    const std::vector<Step> expected = {
        {1, "#If(1=(1)=(1))"},
        {1, "#Else"},
        {1, "#Endif"},
        {1, "#Do()"},
        {1, "Error: #Loop found out of proper order"},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(in.BlockLevel, 1);
}

TEST(TranslateLine, ResetInterpreterClosesBlocksAndClearsModesButNotEcho) {
    Interpreter in;
    in.ResetInterpreter("");
    RunScript(in, {"setvars(a=1)", "#if(1)", "#while(1)", "#echoon", "#debugon", "#oncancel(h)",
                   "#skipon"});
    ASSERT_EQ(in.BlockLevel, 2);
    in.ResetInterpreter("/jobs/run.tvx");
    EXPECT_EQ(in.BlockLevel, 0);
    EXPECT_EQ(in.BlockStack[1].Kind, 0);
    EXPECT_EQ(in.BlockStack[2].State, 0);
    EXPECT_EQ(in.BlockStack[2].Pos, 1);
    EXPECT_FALSE(in.SkipMode);
    EXPECT_FALSE(in.DebugMode);
    EXPECT_EQ(in.DirectiveArg, "");
    EXPECT_EQ(in.Vars.VarCount(), 0);
    EXPECT_EQ(in.Vars.RunScriptFile, "/jobs/run.tvx");
    EXPECT_TRUE(in.EchoMode());
}

TEST(TranslateLine, ArithmeticFailureLeavesTheStateAsBeforeTheLine) {
    Interpreter in;
    in.ResetInterpreter("");
    RunScript(in, {"#if(1)", "#do"});
    ASSERT_EQ(in.BlockLevel, 2);
    const auto frames = in.BlockStack;
    for (std::string line : {"echo({1e308*10})", "#if(1e308*10)", "#while(1e308*10)",
                             "#dowhile(1e308*10)", "#loopwhile(1e308*10)", "#if(1e400)"}) {
        std::string out;
        EXPECT_THROW(in.TranslateLine(line, out, 1, 30), ArithmeticError) << line;
        EXPECT_EQ(in.BlockLevel, 2) << line;
        for (int i = 0; i <= 2; ++i) {
            EXPECT_EQ(in.BlockStack[i].Kind, frames[i].Kind) << line;
            EXPECT_EQ(in.BlockStack[i].State, frames[i].State) << line;
        }
    }
    // Translation goes on normally afterwards.
    const std::vector<Step> steps = RunScript(in, {"#loopuntil(1)", "#endif"});
    const std::vector<Step> expected = {{1, "#Loop= 16"}, {1, "#Endif"}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(in.BlockLevel, 0);
}

} // namespace
} // namespace talvex
