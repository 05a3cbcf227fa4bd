// #gosub/#return call frames, #cancel, and the lines the runner jumps on.
#include "script_case.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

using testing::ScriptCase;
using testing::Step;

class CallScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(CallScript, Runs) {
    testing::ExpectScript(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CallScript,
    ::testing::Values(
        ScriptCase{"GosubSetsItsListThenReturnsAfterTheCall",
                   {"setvars(@n=0)", "#gosub(s1, @n=2)", "echo(back {@n})", "#exit", "#label(s1)",
                    "echo(in)", "#return"},
                   {{1, "setvars(@n=0)"},
                    {1, "#gosub(s1, @n=2)"},
                    {0, "echo(in)"},
                    {1, "#Return= 34"},
                    {0, "echo(back 2)"},
                    {1, "#Exit"}}},
        ScriptCase{
            "GosubInPassedOverBlockDoesNothing",
            {"setvars(@n=0)", "#if(0)", "#gosub(s1,@n=2)", "#endif", "echo({@n})"},
            {{1, "setvars(@n=0)"}, {1, "#If(0=(0)=(0))"}, {1, ""}, {1, "#Endif"}, {0, "echo(0)"}}},
        ScriptCase{"ReturnInsideAnOpenBlockIsOutOfOrder",
                   {"#gosub(s)", "#exit", "label(s)", "#if(1)", "#return", "#endif", "#return"},
                   {{1, "#gosub(s)"},
                    {1, "#If(1=(1)=(1))"},
                    {1, "Error: #Return found out of proper order"},
                    {1, "#Endif"},
                    {1, "#Return= 12"},
                    {1, "#Exit"}}},
        ScriptCase{"ContinueInsideASubroutinePassesOverToItsReturn",
                   {"#gosub(s)", "#exit", "label(s)", "#continue", "echo(skipped)", "#return"},
                   {{1, "#gosub(s)"}, {1, "#Continue"}, {0, ""}, {1, "#Return= 12"}, {1, "#Exit"}}},
        ScriptCase{"GosubWithoutLabelPushesNoFrame",
                   {"#gosub( , @a=1)", "#return"},
                   {{1, "##gosub( , @a=1)<, @a=1> error no label name specified"},
                    {1, "Error: #Return found out of proper order"}}},
        ScriptCase{"GotoJumpsToItsLabel",
                   {"goto(end)", "echo(skipped)", "label(END)", "echo(after)"},
                   {{1, "#goto(end)<end>"}, {0, "echo(after)"}}},
        ScriptCase{"CancelDropsEveryOpenBlock",
                   {"#if(1)", "#while(1)", "#do", "#cancel(h)", "#endif"},
                   {{1, "#If(1=(1)=(1))"},
                    {1, "#While(1=(1)=(1))"},
                    {1, "#Do()"},
                    {1, "#Cancel(h)"},
                    {1, "Error: #Endif found out of proper order"}}}),
    testing::CaseName);

TEST(Gosub, NestingLimitIsForty) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, std::vector<std::string>(39, "#if(1)"));
    std::string line = "#gosub(s)";
    std::string out;
    in.TranslateLine(line, out, 100, 111);
    EXPECT_EQ(out, "#gosub(s)");
    ASSERT_EQ(in.BlockLevel, 40);
    EXPECT_EQ(in.BlockStack[40].Kind, kGosubFrame);
    EXPECT_EQ(in.BlockStack[40].Pos, 111);

    line = "#gosub(t, @q=1)";
    in.TranslateLine(line, out, 111, 128);
    EXPECT_EQ(out, "Error:nesting is too deep: #Gosub(t, @q=1)");
    EXPECT_EQ(in.BlockLevel, 40);
    EXPECT_EQ(in.BlockStack[40].Done, 1);

    // The frame still returns to its caller.
    line = "#return";
    in.TranslateLine(line, out, 200, 209);
    EXPECT_EQ(out, "#Return= 111");
    EXPECT_EQ(in.BlockLevel, 39);
}

TEST(Cancel, LeavesTheTopLevelOpen) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, {"#if(0)", "#if(1)"});
    ASSERT_EQ(in.BlockLevel, 2);
    testing::RunScript(in, {"#else", "#endif", "#else", "#cancel"});
    EXPECT_EQ(in.BlockLevel, 0);
    EXPECT_EQ(in.BlockStack[0].State, kStateTop);
    EXPECT_EQ(in.DirectiveArg, "");
    const auto steps = testing::RunScript(in, {"echo(x)"});
    EXPECT_EQ(steps, (std::vector<Step>{{0, "echo(x)"}}));
}

} // namespace
} // namespace talvex
