// The script check, one row per finding: the script, the scripts it may call,
// and the findings as "LINE:COLUMN: severity: text".
#include "engine/script_check.h"

#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace talvex {
namespace {

struct CheckCase {
    std::string name;
    std::vector<std::string> lines;
    std::vector<std::string> findings;
    // Scripts on the fake disk, by path (the checked script is "dir/run.tvx").
    std::map<std::string, std::string> files = {};
    long otherLineEndLine = 0;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    testing::PrintQuotedLines(c.lines, os);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

std::vector<std::string> Lines(int count, const std::string& line) {
    return std::vector<std::string>(static_cast<std::size_t>(count), line);
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class ScriptCheckTable : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ScriptCheckTable, FindsWhatTheRunWouldMeet) {
    const CheckCase& c = GetParam();
    const std::string text = Joined(c.lines);
    const auto read = [&c](const std::string& path) {
        LoadedScriptFile f;
        const auto it = c.files.find(path);
        if (it == c.files.end()) {
            f.error = "No such file or directory";
            return f;
        }
        f.ok = true;
        f.text = it->second;
        return f;
    };
    std::vector<std::string> got;
    for (const Finding& f : CheckScript({text, "dir/run.tvx", c.otherLineEndLine}, read)) {
        const std::string line = FindingLine("", f);
        got.push_back(line.substr(1)); // without the empty file name's ":"
    }
    EXPECT_EQ(got, c.findings);
}

const std::vector<CheckCase> kCases = {
    // Nothing to find.
    {"CleanScript",
     {"' a comment {with braces}",
      "#setvars(n=0, sum=0)",
      "#while(n<3)",
      "  #setvars(n={n+1})",
      "  %measure(volt)",
      "  #setvars(sum={sum+volt})",
      "#wend",
      "#if(n=3) then echo({sum})",
      "#if(1)",
      "echo(a)",
      "#elseif(2)",
      "#else",
      "#endif",
      "#dowhile(0)",
      "#loop",
      "#dountil(1)",
      "#loop",
      "#do",
      "#loopuntil(1)",
      "#do",
      "#loopwhile(0)",
      "goto(end)",
      "echo({@ScriptName} {@now} {hex{255}} {'text'} {&HFF+1} {1e+3})",
      "label(end)",
      "echo(x)"},
     {}},

    // Blocks without their partner.
    {"IfWithoutEndif", {"#if(1)", "echo(a)"}, {"1:1: error: #if without its #endif"}},
    {"EndifWithoutIf", {"echo(a)", "#endif"}, {"2:1: error: #endif without its #if"}},
    {"ElseOutsideIf", {"#else"}, {"1:1: error: #else without its #if"}},
    {"ElseifInsideWhile",
     {"#while(0)", "#elseif(1)", "#wend"},
     {"2:1: error: #elseif without its #if; the innermost open block is the #while of line 1"}},
    {"OneLineIfNeedsNoEndif", {"#if(1) then echo(a)", "#if(0) echo(b)"}, {}},
    {"IfWithCommentIsABlock", {"#if(1) 'note"}, {"1:1: error: #if without its #endif"}},
    {"WhileWithoutWend", {"echo(a)", "  #while(1)"}, {"2:3: error: #while without its #wend"}},
    {"WendWithoutWhile", {"#wend"}, {"1:1: error: #wend without its #while"}},
    {"DowhileWithoutLoop", {"#dowhile(1)"}, {"1:1: error: #dowhile without its #loop"}},
    {"DountilWithoutLoop", {"#dountil(1)"}, {"1:1: error: #dountil without its #loop"}},
    {"LoopWithoutOpener", {"#loop"}, {"1:1: error: #loop without its #dowhile or #dountil"}},
    {"DoWithoutItsEnd", {"#do"}, {"1:1: error: #do without its #loopwhile or #loopuntil"}},
    {"LoopwhileWithoutDo", {"#loopwhile(1)"}, {"1:1: error: #loopwhile without its #do"}},
    {"LoopuntilWithoutDo", {"#loopuntil(1)"}, {"1:1: error: #loopuntil without its #do"}},
    {"LoopClosesNoDo",
     {"#do", "#loop"},
     {"1:1: error: #do without its #loopwhile or #loopuntil",
      "2:1: error: #loop without its #dowhile or #dountil; the innermost open block is the #do "
      "of line 1"}},
    {"MissingEndifInsideALoop",
     {"#while(1)", "#if(1)", "#wend"},
     {"2:1: error: #if without its #endif before the #wend of line 3"}},
    {"SkippedLinesAreNotBlocks", {"#skipon", "#while(1)", "#frob", "#skipoff"}, {}},

    // Too deep: an #if may be the 40th open block, a loop only the 39th.
    {"FortyIfsFit", Concat({Lines(40, "#if(1)"), Lines(40, "#endif")}), {}},
    {"FortyOneIfs",
     Concat({Lines(41, "#if(1)"), Lines(41, "#endif")}),
     {"41:1: error: #if nested too deep: it would be open block 41, and at most 40 blocks (39 "
      "for a loop) may be open"}},
    {"FortiethLoop",
     Concat(
         {Lines(39, "#if(1)"), {"#while(1)", "#while(1)", "#wend", "#wend"}, Lines(39, "#endif")}),
     {"40:1: error: #while nested too deep: it would be open block 40, and at most 40 blocks (39 "
      "for a loop) may be open"}},

    // Missing labels, matched as the run matches them.
    {"GotoMissing", {"#goto(NoWhere)"}, {"1:7: error: no label \"nowhere\" in this script"}},
    {"PlainGotoMissing",
     {"goto(x)", "label(y)", "echo(a)"},
     {"1:6: error: no label \"x\" in this script"}},
    {"GotoFindsLabelAnyCase", {"#goto(Finish)", "#label( finish , )", "echo(a)"}, {}},
    {"GosubMissing", {"#gosub(sub, v=1)"}, {"1:8: error: no label \"sub\" in this script"}},
    {"OncancelMissing", {"#oncancel(safe)"}, {"1:11: error: no label \"safe\" in this script"}},
    {"IndentedLabelIsNoLabel",
     {"goto(a)", " label(a)", "echo(x)"},
     {"1:6: error: no label \"a\" in this script"}},
    {"LabelOnTheLastLine",
     {"goto(end)", "label(end)"},
     {"1:6: error: label \"end\" is on the last line: a jump there finds no line after it"}},
    {"OneLineIfStatementReadOnce",
     {"#if(1) then echo({nope})"},
     {"1:19: warning: no line sets the variable \"nope\" read here"}},
    {"GotoInAOneLineIf",
     {"#if(1) then goto(again)"},
     {"1:18: error: no label \"again\" in this script"}},
    {"LabelMadeByBracesIsNotChecked",
     {"goto({x})"},
     {"1:7: warning: no line sets the variable \"x\" read here"}},

    // Missing scripts, resolved against the script's folder.
    {"CallMissing",
     {"#call(missing)"},
     {"1:7: error: #call of \"missing.tvx\": No such file or directory (dir/missing.tvx)"}},
    {"ChainMissing",
     {"#chain('next.tvx')"},
     {"1:8: error: #chain of \"next.tvx\": No such file or directory (dir/next.tvx)"}},
    {"CallFound",
     {"#call(sub/offset)", "echo({offset})"},
     {},
     {{"dir/sub/offset.tvx", "%measure(reference)\r\n#setvars(offset={reference.err})"}}},

    // Braces.
    {"UnclosedBrace",
     {"echo({1+2)"},
     {"1:6: error: \"{\" without its \"}\": the line becomes an error text"}},
    {"UnclosedAfterAGroup",
     {"echo({1} {2)"},
     {"1:10: error: \"{\" without its \"}\": the line becomes an error text"}},
    {"UnclosedInAComment",
     {"' see {notes"},
     {"1:7: error: \"{\" without its \"}\": the line becomes an error text"}},
    {"StrayClosingBraceIsText", {"echo(a}b{1})"}, {}},

    // Unknown words.
    {"UnknownDirective",
     {"#frobnicate"},
     {"1:1: error: unknown directive \"#frobnicate\": the run shows \"Unkown # command\""}},
    {"ClearuservarsNeedsNoHash",
     {"#clearuservars"},
     {"1:1: error: unknown directive \"#clearuservars\": the run shows \"Unkown # command\""}},

    // Warnings: the guide's traps.
    {"DoSetsOnEveryRound",
     {"#do(j=0)", "#loopuntil(j>2)"},
     {"1:5: warning: #do sets j again on every round; set it on a line before the #do"}},
    {"NewVariableHoldsItsName",
     {"#setvars(n=cnt+1)"},
     {"1:10: warning: the new variable n holds its own name in \"cnt+1\", so it is set to an "
      "error text"}},
    {"UpdateMayHoldItsName", {"#setvars(total=0)", "#setvars(total=total+1)"}, {}},
    {"LabelTwice",
     {"label(a)", "echo(x)", "#LABEL(A)", "echo(y)"},
     {"3:1: warning: label \"a\" is defined twice: jumps go to the first one, on line 1"}},
    {"VariableNeverSet",
     {"#setvars(volts=1)", "echo({voltage})"},
     {"2:7: warning: no line sets the variable \"voltage\" read here"}},
    {"NameInsideALongerNameIsSet", {"#setvars(n=1)", "echo({n1})"}, {}},
    {"ReplyMaySetNames", {"%get(Temp)", "%measure(volt)", "echo({temp} {volt.err})"}, {}},
    {"ErrorBarSetsErr", {"#setvars(x=5.2 ± 0.1)", "echo({x.err})"}, {}},
    {"MixedLineEnds",
     {"echo(a)", "echo(b)"},
     {"2:1: warning: line ends are mixed: this line ends unlike the first line"},
     {},
     2},
    {"ExtraLetters", {"#if(1)", "#endiff"}, {"2:1: warning: \"#endiff\" runs as #endif"}},
    {"PlainWordWithExtraLetters",
     {"labelprint(x)"},
     {"1:1: warning: \"labelprint\" is taken as the word label and is not sent to the host"}},
    {"BlockWordWithoutHash",
     {"#while(0)", "wend"},
     {"1:1: error: #while without its #wend",
      "2:1: warning: \"wend\" without \"#\" goes to the host as a command; the directive is "
      "#wend"}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ScriptCheckTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace talvex
