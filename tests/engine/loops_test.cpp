// The three loop shapes, #continue and #break, end directives out of order,
// loops met while lines are passed over, and the nesting limit.
#include "script_case.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

using testing::ScriptCase;
using testing::Step;

class LoopScript : public ::testing::TestWithParam<ScriptCase> {};

using testing::AppendCopies;
using testing::LineStartText;

// 41 nested loops whose progress is made in the innermost body, one more than
// the limit lets open: the refused ones are passed over, their #wend lines
// close them, and the loops around them end instead of repeating for ever.
ScriptCase RefusedWhilesInsideLoops() {
    ScriptCase c{"RefusedWhilesEndTheLoopsAroundThem", {}, {}};
    AppendCopies(c.lines, 41, std::string("#while (i<1)"));
    c.lines.push_back("#setvars(i=1)");
    AppendCopies(c.lines, 41, std::string("#wend"));
    c.lines.push_back("echo(after)");
    AppendCopies(c.expected, 39, Step{1, "#While(1=(i<1)=(i<1))"});
    c.expected.push_back({1, "Error:nesting is too deep: #While(1)"});
    c.expected.push_back({1, "Error:nesting is too deep: #While(i<1)"}); // inside the refused one
    // #setvars passed over, the refused loops' #wend lines, the passed-over loop.
    AppendCopies(c.expected, 4, Step{1, ""});
    for (std::size_t line = 45; line < 83; ++line)
        c.expected.push_back({1, "#Wend=" + LineStartText(c.lines, line + 1)});
    c.expected.push_back({0, "echo(after)"});
    return c;
}

// Inside a refused loop the innermost block is that loop, not the call
// around it: its #return is out of order, and the call returns at its own.
ScriptCase ReturnInsideARefusedLoop() {
    ScriptCase c{"ReturnInsideARefusedLoopIsOutOfOrder", {}, {}};
    AppendCopies(c.lines, 38, std::string("#if(1)"));
    c.lines.push_back("#gosub(sub)");
    c.lines.push_back("echo(back)");
    AppendCopies(c.lines, 38, std::string("#endif"));
    for (const char* line : {"#exit", "label(sub)", "#while(1)", "#return", "#wend", "#return"})
        c.lines.push_back(line);
    AppendCopies(c.expected, 38, Step{1, "#If(1=(1)=(1))"});
    c.expected.push_back({1, "#gosub(sub)"});
    c.expected.push_back({1, "Error:nesting is too deep: #While(1)"});
    c.expected.push_back({1, "Error: #Return found out of proper order"});
    c.expected.push_back({1, ""});
    c.expected.push_back({1, "#Return=" + LineStartText(c.lines, 39)});
    c.expected.push_back({0, "echo(back)"});
    AppendCopies(c.expected, 38, Step{1, "#Endif"});
    c.expected.push_back({1, "#Exit"});
    return c;
}

// The same with #do loops, a #dowhile inside the refused one and an end
// directive of the wrong kind there.
ScriptCase RefusedDoLoops() {
    ScriptCase c{"RefusedDoLoopsPairTheirEndsByKind", {}, {}};
    AppendCopies(c.lines, 40, std::string("#do"));
    for (const char* line : {"#dowhile(1)", "echo(x)", "#wend", "#loop"})
        c.lines.push_back(line);
    AppendCopies(c.lines, 40, std::string("#loopwhile(1)"));
    c.lines.push_back("echo(after)");
    AppendCopies(c.expected, 39, Step{1, "#Do()"});
    c.expected.push_back({1, "Error:nesting is too deep: #Do()"});
    c.expected.push_back({1, "Error:nesting is too deep: #DoWhile(1)"});
    c.expected.push_back({0, ""});
    c.expected.push_back({1, "Error: #Wend found out of proper order"});
    AppendCopies(c.expected, 3, Step{1, ""}); // #loop, the refused #do's end, the passed-over loop
    for (std::size_t line = 46; line < 84; ++line)
        c.expected.push_back({1, "#Loop=" + LineStartText(c.lines, line + 1)});
    c.expected.push_back({0, "echo(after)"});
    return c;
}

TEST_P(LoopScript, Runs) {
    testing::ExpectScript(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, LoopScript,
    ::testing::Values(
        ScriptCase{"WhileZeroPassesOverItsBody",
                   {"#while(0)", "echo(a)", "#wend", "echo(z)"},
                   {{1, "#While(0=(0)=(0))"}, {0, ""}, {1, "#Wend= 28"}, {0, "echo(z)"}}},
        ScriptCase{"WhileCountsWithWendAssignments",
                   {"setvars(@i=0)", "#while({@i}<2)", "echo({@i})", "#wend(@i={@i+1})"},
                   {{1, "setvars(@i=0)"},
                    {1, "#While(1=(0<2)=(0<2))"},
                    {0, "echo(0)"},
                    {1, "#Wend= 16"},
                    {1, "#While(1=(1<2)=(1<2))"},
                    {0, "echo(1)"},
                    {1, "#Wend= 16"},
                    {1, "#While(0=(2<2)=(2<2))"},
                    {0, ""},
                    {1, "#Wend= 62"}}},
        ScriptCase{"DoUntilTrueEntersNothing",
                   {"#dountil(1)", "echo(a)", "#loop"},
                   {{1, "#DoUntil(1=(1)=(1))"}, {0, ""}, {1, "#Loop= 30"}}},
        ScriptCase{"DoLoopUntilRunsTheBodyOnce",
                   {"#do", "echo(a)", "#loopuntil(1)"},
                   {{1, "#Do()"}, {0, "echo(a)"}, {1, "#Loop= 30"}}},
        ScriptCase{
            "DoLoopWhileTestsAtTheBottom",
            {"setvars(@n=0)", "#do", "setvars(@n={@n+1})", "#loopwhile({@n}<3)", "echo({@n})"},
            {{1, "setvars(@n=0)"},
             {1, "#Do()"},
             {1, "setvars(@n=1)"},
             {1, "#Loop= 16"},
             {1, "#Do()"},
             {1, "setvars(@n=2)"},
             {1, "#Loop= 16"},
             {1, "#Do()"},
             {1, "setvars(@n=3)"},
             {1, "#Loop= 61"},
             {0, "echo(3)"}}},
        ScriptCase{"DoWhileLoopsWithLoopAssignments",
                   {"setvars(@i=0)", "#dowhile({@i}<2)", "#loop(@i={@i+1})", "echo({@i})"},
                   {{1, "setvars(@i=0)"},
                    {1, "#DoWhile(1=(0<2)=(0<2))"},
                    {1, "#Loop= 16"},
                    {1, "#DoWhile(1=(1<2)=(1<2))"},
                    {1, "#Loop= 16"},
                    {1, "#DoWhile(0=(2<2)=(2<2))"},
                    {1, "#Loop= 52"},
                    {0, "echo(2)"}}},
        ScriptCase{"BreakLeavesAfterOnePass",
                   {"#while(1)", "echo(a)", "#break", "echo(b)", "#wend", "echo(z)"},
                   {{1, "#While(1=(1)=(1))"},
                    {0, "echo(a)"},
                    {1, "#Break"},
                    {0, ""},
                    {1, "#Wend= 45"},
                    {0, "echo(z)"}}},
        ScriptCase{"ContinueRepeatsTheLoop",
                   {"setvars(@i=0)", "#while({@i}<2)", "setvars(@i={@i+1})", "#continue",
                    "echo(never)", "#wend", "echo(done)"},
                   {{1, "setvars(@i=0)"},
                    {1, "#While(1=(0<2)=(0<2))"},
                    {1, "setvars(@i=1)"},
                    {1, "#Continue"},
                    {0, ""},
                    {1, "#Wend= 16"},
                    {1, "#While(1=(1<2)=(1<2))"},
                    {1, "setvars(@i=2)"},
                    {1, "#Continue"},
                    {0, ""},
                    {1, "#Wend= 16"},
                    {1, "#While(0=(2<2)=(2<2))"},
                    {0, ""},
                    {1, ""},
                    {0, ""},
                    {1, "#Wend= 83"},
                    {0, "echo(done)"}}},
        ScriptCase{
            "BreakInsideAnIfOnlyEndsTheIf",
            {"#while(1)", "#if(1)", "#break", "echo(a)", "#endif", "echo(b)", "#break", "#wend"},
            {{1, "#While(1=(1)=(1))"},
             {1, "#If(1=(1)=(1))"},
             {1, "#Break"},
             {0, ""},
             {1, "#Endif"},
             {0, "echo(b)"},
             {1, "#Break"},
             {1, "#Wend= 69"}}},
        ScriptCase{"LoopInPassedOverBlockIsClosedWithoutAssignments",
                   {"setvars(@i=0)", "#if(0)", "#while(1)", "#wend(@i=5)", "#do(@i=6)",
                    "#loopuntil(0)", "#endif", "echo({@i})"},
                   {{1, "setvars(@i=0)"},
                    {1, "#If(0=(0)=(0))"},
                    {1, ""},
                    {1, ""},
                    {1, ""},
                    {1, ""},
                    {1, "#Endif"},
                    {0, "echo(0)"}}},
        ScriptCase{"ContinueAndBreakAtTopLevelPassNothingOver",
                   {"#continue", "#break", "echo(a)"},
                   {{1, "#Continue"}, {1, "#Break"}, {0, "echo(a)"}}},
        ScriptCase{"EndDirectivesPairWithTheirOwnKind",
                   {"#do", "#loop", "#wend", "#loopwhile(0)"},
                   {{1, "#Do()"},
                    {1, "Error: #Loop found out of proper order"},
                    {1, "Error: #Wend found out of proper order"},
                    {1, "#Loop= 35"}}},
        ScriptCase{"DowhileEndsOnlyWithLoop",
                   {"#dowhile(0)", "#loopuntil(1)", "#wend", "#loop"},
                   {{1, "#DoWhile(0=(0)=(0))"},
                    {1, "Error: #LoopUntil found out of proper order"},
                    {1, "Error: #Wend found out of proper order"},
                    {1, "#Loop= 43"}}},
        RefusedWhilesInsideLoops(), RefusedDoLoops(), ReturnInsideARefusedLoop()),
    testing::CaseName);

TEST(LoopNesting, LoopOpensAtLevelThirtyEightAtMost) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, std::vector<std::string>(38, "#if(1)"));
    auto steps = testing::RunScript(in, {"#while(1)"});
    EXPECT_EQ(steps, (std::vector<Step>{{1, "#While(1=(1)=(1))"}}));
    ASSERT_EQ(in.BlockLevel, 39);

    steps = testing::RunScript(in, {"#do(@z=1)", "#dountil(0)", "#while(2>1)"});
    const std::vector<Step> expected = {
        {1, "Error:nesting is too deep: #Do(@z=1)"},
        {1, "Error:nesting is too deep: #DoUntil(0)"}, // the enclosing frame is passed over now
        {1, "Error:nesting is too deep: #While(2>1)"},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(in.BlockLevel, 39);
    EXPECT_EQ(in.BlockStack[39].State, kStateInactive);
    EXPECT_EQ(in.BlockStack[39].Done, 1);
    EXPECT_EQ(in.Vars.Find("@z"), nullptr);

    // Each refused opener's end directive closes it, innermost first, before
    // the frame that was open.
    steps = testing::RunScript(in, {"#loop", "#wend", "#loop", "#loopuntil(1)", "#wend"});
    EXPECT_EQ(
        steps,
        (std::vector<Step>{
            {1, "Error: #Loop found out of proper order"}, {1, ""}, {1, ""}, {1, ""}, {1, ""}}));
    EXPECT_EQ(in.BlockLevel, 38);
    EXPECT_TRUE(in.RefusedBlocks.empty());
}

TEST(LoopNesting, WendAssignmentsRunOnEveryRepetition) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, {"setvars(@i=0)", "#while({@i}<5)", "#wend(@i={@i+1}, @last={@i})"});
    EXPECT_EQ(*in.Vars.Find("@i"), "5");
    EXPECT_EQ(*in.Vars.Find("@last"), "4");
}

} // namespace
} // namespace talvex
