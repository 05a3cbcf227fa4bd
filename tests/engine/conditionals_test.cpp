// #if, #elseif, #else, #endif: branch choice, traces, one-line form, order
// errors and the nesting limit.
#include "script_case.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

using testing::ScriptCase;
using testing::Step;

class Conditional : public ::testing::TestWithParam<ScriptCase> {};

using testing::AppendCopies;
using testing::LineStartText;

// 45 nested #ifs: the five past the limit are refused and passed over, their
// #endif lines close them, and the run goes on after the whole nest.
ScriptCase RefusedIfs() {
    ScriptCase c{"RefusedIfsAreClosedByTheirOwnEndifs", {}, {}};
    AppendCopies(c.lines, 45, std::string("#if(1)"));
    c.lines.push_back("echo(in)");
    AppendCopies(c.lines, 45, std::string("#endif"));
    c.lines.push_back("echo(after)");
    AppendCopies(c.expected, 40, Step{1, "#If(1=(1)=(1))"});
    AppendCopies(c.expected, 5, Step{1, "Error:nesting is too deep: #If(1)"});
    c.expected.push_back({0, ""});
    AppendCopies(c.expected, 6, Step{1, ""}); // five refused, one passed over since the error
    AppendCopies(c.expected, 39, Step{1, "#Endif"});
    c.expected.push_back({0, "echo(after)"});
    return c;
}

// A condition naming a long value once per letter ("A" is "a"): 9000 x 9000
// characters would pass the 64 MiB any text may take, so the test fails.
ScriptCase ConditionTooLongToSubstitute() {
    const std::string value(9000, 'A');
    const std::string error = "{#error expanding <" + value + "> expansion does not end}";
    return ScriptCase{
        "ConditionTooLongToSubstituteFails",
        {"#setvars(a=" + value + ")", "#if({a})", "echo(in)", "#else", "echo(else)", "#endif"},
        {{1, "#setvars(a=" + value + ")"},
         {1, "#If(" + error + "=()=(" + value + "))"},
         {0, ""},
         {1, "#Else"},
         {0, "echo(else)"},
         {1, "#Endif"}}};
}

// An #if refused inside a loop that makes its progress there: the loop ends
// after this pass instead of repeating for ever.
ScriptCase RefusedIfInsideALoop() {
    ScriptCase c{"RefusedIfEndsTheLoopAroundIt", {}, {}};
    c.lines.push_back("#while(i<1)");
    AppendCopies(c.lines, 40, std::string("#if(1)"));
    c.lines.push_back("#setvars(i=1)");
    AppendCopies(c.lines, 40, std::string("#endif"));
    c.lines.push_back("#wend");
    c.lines.push_back("echo(after)");
    c.expected.push_back({1, "#While(1=(i<1)=(i<1))"});
    AppendCopies(c.expected, 39, Step{1, "#If(1=(1)=(1))"});
    c.expected.push_back({1, "Error:nesting is too deep: #If(1)"});
    AppendCopies(c.expected, 3,
                 Step{1, ""}); // #setvars, the refused #if's end, the passed-over one
    AppendCopies(c.expected, 38, Step{1, "#Endif"});
    c.expected.push_back({1, "#Wend=" + LineStartText(c.lines, 83)});
    c.expected.push_back({0, "echo(after)"});
    return c;
}

TEST_P(Conditional, Runs) {
    testing::ExpectScript(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Conditional,
    ::testing::Values(
        ScriptCase{"ElseBranchRunsWhenTheTestFails",
                   {"#if(0)", "echo(a)", "#else", "echo(b)", "#endif"},
                   {{1, "#If(0=(0)=(0))"}, {0, ""}, {1, "#Else"}, {0, "echo(b)"}, {1, "#Endif"}}},
        ScriptCase{"OnlyTheFirstTrueBranchRuns",
                   {"#if(1)", "echo(a)", "#elseif(1)", "echo(b)", "#else", "echo(c)", "#endif"},
                   {{1, "#If(1=(1)=(1))"},
                    {0, "echo(a)"},
                    {1, "#ElseIf(1)"},
                    {0, ""},
                    {1, "#Else"},
                    {0, ""},
                    {1, "#Endif"}}},
        ScriptCase{"ElseIfTakesThePendingBranchWithItsTrace",
                   {"setvars(@x=5)", "#IF(@x<1)", "echo(a)", "#ElseIf(@x=5)", "echo(b)",
                    "#elseif(1)", "echo(c)", "#endif"},
                   {{1, "setvars(@x=5)"},
                    {1, "#If(0=(5<1)=(@x<1))"},
                    {0, ""},
                    {1, "#ElseIf(1=(5=5)=(@x=5))"},
                    {0, "echo(b)"},
                    {1, "#ElseIf(1)"},
                    {0, ""},
                    {1, "#Endif"}}},
        ScriptCase{"BracesAreExpandedBeforeTheTest",
                   {"setvars(@x=5)", "#if({@x*2}>9)", "#endif"},
                   {{1, "setvars(@x=5)"}, {1, "#If(1=(10>9)=(10>9))"}, {1, "#Endif"}}},
        ScriptCase{"MissingArgumentIsFalse",
                   {"#if", "echo(a)", "#endif"},
                   {{1, "#If(=()=())"}, {0, ""}, {1, "#Endif"}}},
        ScriptCase{"OneLineIfRunsItsStatementAndPushesNothing",
                   {"#if(1) then echo(x)", "#if(0) then echo(y)", "#if (2>1) echo(z)", "echo(end)"},
                   {{1, "#If(1=(1)=(1)) #offset=13"},
                    {0, "echo(x)"},
                    {1, "#If(0=(0)=(0))"},
                    {1, "#If(1=(2>1)=(2>1)) #offset=11"},
                    {0, "echo(z)"},
                    {0, "echo(end)"}}},
        ScriptCase{"TrailingCommentMakesABlockIf",
                   {"#if(1) 'note", "echo(a)", "#endif"},
                   {{1, "#If(1=(1)=(1))"}, {0, "echo(a)"}, {1, "#Endif"}}},
        ScriptCase{"OneLineIfInsideAPassedOverBlockDoesNotRun",
                   {"#if(0)", "#if(1) echo(x)", "#endif"},
                   {{1, "#If(0=(0)=(0))"}, {1, "#If(1)"}, {1, "#Endif"}}},
        ScriptCase{"NestedIfInPassedOverBlockKeepsNestingInStep",
                   {"#if(0)", "#if(1)", "echo(a)", "#elseif(1)", "#else", "#endif", "echo(b)",
                    "#else", "echo(c)", "#endif"},
                   {{1, "#If(0=(0)=(0))"},
                    {1, ""},
                    {0, ""},
                    {1, ""},
                    {1, ""},
                    {1, ""},
                    {0, ""},
                    {1, "#Else"},
                    {0, "echo(c)"},
                    {1, "#Endif"}}},
        ScriptCase{"FinishedBranchPassesOverNestedBlocks",
                   {"#if(1)", "#else", "#if(1)", "echo(a)", "#endif", "#endif", "echo(b)"},
                   {{1, "#If(1=(1)=(1))"},
                    {1, "#Else"},
                    {1, ""},
                    {0, ""},
                    {1, ""},
                    {1, "#Endif"},
                    {0, "echo(b)"}}},
        ScriptCase{"EndIfAtTopLevelIsOutOfOrder",
                   {"#endif", "#else", "echo(a)"},
                   {{1, "Error: #Endif found out of proper order"},
                    {1, "Error: #ElseIf found out of proper order"},
                    {0, "echo(a)"}}},
        ScriptCase{"EndIfDoesNotCloseALoop",
                   {"#while(1)", "#endif", "#break", "#wend"},
                   {{1, "#While(1=(1)=(1))"},
                    {1, "Error: #Endif found out of proper order"},
                    {1, "#Break"},
                    {1, "#Wend= 35"}}},
        RefusedIfs(), RefusedIfInsideALoop(), ConditionTooLongToSubstitute()),
    testing::CaseName);

std::vector<std::string> Repeat(const std::string& line, int n) {
    return std::vector<std::string>(n, line);
}

TEST(ConditionalNesting, FortyBlocksOpenTheFortyFirstIsRefused) {
    Interpreter in;
    in.ResetInterpreter("");
    auto steps = testing::RunScript(in, Repeat("#if(1)", 40));
    ASSERT_EQ(in.BlockLevel, 40);

    steps = testing::RunScript(in, {"#if(1) then echo(one-line)", "#if(2>1)", "echo(a)", "#else"});
    const std::vector<Step> expected = {
        {1, "#If(1=(1)=(1)) #offset=13"},
        {0, "echo(one-line)"},
        {1, "Error:nesting is too deep: #If(1)"},
        {0, ""}, // the enclosing block is passed over from here on
        {1, ""},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(in.BlockLevel, 40);
    EXPECT_EQ(in.BlockStack[40].Done, 1);

    // The refused #if's own #endif closes nothing the stack holds.
    steps = testing::RunScript(in, Repeat("#endif", 42));
    EXPECT_EQ(steps[0], (Step{1, ""}));
    EXPECT_EQ(steps[1], (Step{1, ""})); // the block passed over since the error
    EXPECT_EQ(steps[2], (Step{1, "#Endif"}));
    EXPECT_EQ(steps[40], (Step{1, "#Endif"}));
    EXPECT_EQ(steps.back(), (Step{1, "Error: #Endif found out of proper order"}));
    EXPECT_EQ(in.BlockLevel, 0);
}

TEST(ConditionalNesting, NestingErrorInAPassedOverBlockShowsTheArgument) {
    Interpreter in;
    in.ResetInterpreter("");
    testing::RunScript(in, Repeat("#if(1)", 39));
    testing::RunScript(in, {"#if(0)"});
    const auto steps = testing::RunScript(in, {"#if(1+1)"});
    EXPECT_EQ(steps, (std::vector<Step>{{1, "Error:nesting is too deep: #If(1+1)"}}));
    EXPECT_EQ(in.BlockLevel, 40);
}

} // namespace
} // namespace talvex
