// Brace groups: finding them, expanding them, and the errors a line can end in.
#include "macromath/arithmetic_error.h"
#include "macromath/braces.h"
#include "macromath/variable_store.h"
#include "tests/macromath/test_environment.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace talvex {
namespace {

using testing::FixedEnvironment;
using Vars = std::vector<std::pair<std::string, std::string>>;

// The variables a row sets, when it sets any: rows may share a line and
// differ only there.
void PrintVars(const Vars& vars, std::ostream* os) {
    if (vars.empty()) return;
    std::vector<std::string> lines;
    for (const auto& [name, value] : vars)
        lines.push_back(name + "=" + value);
    *os << " with ";
    testing::PrintQuotedLines(lines, os);
}

// --- FindBraces -----------------------------------------------------------

struct FindCase {
    std::string text;
    std::string inner;
    long left, right;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    testing::PrintQuoted(c.text, os);
}

class FindBracesTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindBracesTest, FindsTheFirstTopLevelPair) {
    const FindCase& c = GetParam();
    long left = -7, right = -7;
    EXPECT_EQ(FindBraces(c.text, left, right), c.inner);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(right, c.right);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindBracesTest,
                         ::testing::Values(FindCase{"abc", "", 0, 0}, FindCase{"", "", 0, 0},
                                           FindCase{"a{b}c", "b", 2, 4}, FindCase{"{}", "", 1, 2},
                                           FindCase{"{{x}}", "{x}", 1, 5},
                                           FindCase{"}{x}", "x", 2, 4},
                                           FindCase{"{a}{b}", "a", 1, 3}, FindCase{"{a", "", 1, 0},
                                           FindCase{"{{a}", "", 1, 0}, FindCase{"{a}}", "a", 1, 3},
                                           FindCase{"x}", "", 0, 0}, FindCase{"{ a }", " a ", 1, 5},
                                           FindCase{"{a}{", "a", 1, 3},
                                           FindCase{"{a{b}c{d}e}f", "a{b}c{d}e", 1, 11},
                                           // Positions count bytes; "±" takes two.
                                           FindCase{"\xC2\xB1{x}", "x", 3, 5}));

// --- ExpandBraces ---------------------------------------------------------

struct ExpandCase {
    std::string src;
    std::string expected;
    Vars vars = {};
    char separator = '.';
};

void PrintTo(const ExpandCase& c, std::ostream* os) {
    testing::PrintQuoted(c.src, os);
    PrintVars(c.vars, os);
    if (c.separator != '.') *os << " sep '" << c.separator << "'";
}

class ExpandBracesTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandBracesTest, Expands) {
    const ExpandCase& c = GetParam();
    VariableStore store(FixedEnvironment(c.separator));
    for (const auto& [name, value] : c.vars)
        store.SetVar(name, value);
    std::string dst = "stale";
    EXPECT_EQ(ExpandBraces(c.src, dst, 0, store), 0);
    EXPECT_EQ(dst, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, ExpandBracesTest,
    ::testing::Values(ExpandCase{"a{1+2}b", "a3b"}, ExpandCase{"a{}b", "ab"},
                      ExpandCase{" ,plain text, ", "plain text"}, ExpandCase{"", ""},
                      ExpandCase{"{2*{1+1}}", "4"}, ExpandCase{"{1+2*3}", "3"},
                      ExpandCase{"{{2*3}+1}", "7"}, ExpandCase{"{{1+1}*{2+1}}", "6"},
                      ExpandCase{"{1+1} and {2*3}", "2 and 6"}, ExpandCase{"{ 1 + 1 }", "2"},
                      ExpandCase{"a}b{1}", "a}b1"}, ExpandCase{"}", "}"},
                      ExpandCase{"x{7/0}", "x700000000000"}, ExpandCase{"{-8^0.5}", "err<-8^0.5>"},
                      // Strings through nesting: the inner level keeps its quotes.
                      ExpandCase{"{str{abc}+'d'}", "abcd"}, ExpandCase{"{'ab'+'cd'}", "abcd"},
                      ExpandCase{"{{'5'}+1}", "51"}, ExpandCase{"{val{'5'}+1}", "6"},
                      ExpandCase{"{{'a'}+{'b'}}", "ab"}));

// How deep groups may nest: a hundred levels still expand, and every level
// below the top keeps a string's quotes as a shallow one does.
std::string Nested(std::size_t levels, const std::string& core) {
    return std::string(levels, '{') + core + std::string(levels, '}');
}

INSTANTIATE_TEST_SUITE_P(Deep, ExpandBracesTest,
                         ::testing::Values(ExpandCase{"echo(" + Nested(100, "1+1") + ")",
                                                      "echo(2)"},
                                           ExpandCase{Nested(100, "'a'+'b'"), "ab"},
                                           ExpandCase{"{" + Nested(99, "'a'") + "+'b'}", "ab"},
                                           ExpandCase{"{u}", "1", {{"u", Nested(100, "1")}}}));

INSTANTIATE_TEST_SUITE_P(
    Variables, ExpandBracesTest,
    ::testing::Values(
        ExpandCase{"x{@a+5}y", "x75y", {{"@a", "70"}}},
        ExpandCase{"a {a}", "a 5", {{"a", "5"}}}, // only group contents are substituted
        ExpandCase{"{name}", "Bob", {{"name", "'Bob'"}}},
        ExpandCase{"{{name}+'!'}", "Bob!", {{"name", "'Bob'"}}},
        ExpandCase{"{n*{n}}", "9", {{"n", "3"}}},
        ExpandCase{"{a}", "1", {{"a", "{1+1}"}}}, // "{1" + "1}" then nothing left to expand
        ExpandCase{"{@date}", "2026_12_07"},
        ExpandCase{"{x.err}", "0.1", {{"x", "5 \xC2\xB1 0.1"}}},
        ExpandCase{"{speed*2}", "10", {{"Speed", "5"}}}));

// --- Built-in functions ---------------------------------------------------

const std::string kOnes32(32, '1');

INSTANTIATE_TEST_SUITE_P(
    Builtins, ExpandBracesTest,
    ::testing::Values(
        ExpandCase{"exp{1}", "2.71828182845905"}, ExpandCase{"exp{0}", "1"},
        ExpandCase{"log10{1000}", "3"}, ExpandCase{"log10{100}", "2"}, ExpandCase{"loge{1}", "0"},
        ExpandCase{"loge{exp{2}}", "2"}, ExpandCase{"exp{-1}", "0.367879441171442"},
        ExpandCase{"exp{1}", "2,71828182845905", {}, ','}, ExpandCase{"bit{5}", "00000101"},
        ExpandCase{"bit{0}", "00000000"}, ExpandCase{"bit{255}", "11111111"},
        ExpandCase{"bit{256}", "0000000100000000"}, ExpandCase{"bit{300}", "0000000100101100"},
        ExpandCase{"bit{65535}", std::string(16, '1')}, ExpandCase{"bit{-1}", kOnes32},
        ExpandCase{"bit{-2}", std::string(31, '1') + "0"},
        ExpandCase{"bit{65536}", "0" + std::string(14, '0') + "1" + std::string(16, '0')},
        ExpandCase{"bit{-2147483648}", "1" + std::string(31, '0')},
        ExpandCase{"bit{2.5}", "00000010"}, ExpandCase{"hex{255}", "&HFF"},
        ExpandCase{"hex{-1}", "&HFFFFFFFF"}, ExpandCase{"hex{0}", "&H0"},
        ExpandCase{"hex{65535}", "&HFFFF"}, ExpandCase{"hex{-32768}", "&HFFFF8000"},
        ExpandCase{"hex{3e9}", "3e9"}, ExpandCase{"~{0}", "-1"}, ExpandCase{"~{-1}", "0"},
        ExpandCase{"~{5}", "-6"}, ExpandCase{"long{2.5}", "2"}, ExpandCase{"long{3.5}", "4"},
        ExpandCase{"long{-2.5}", "-2"}, ExpandCase{"long{2147483647}", "2147483647"},
        ExpandCase{"long{3e9}", "3e9"}, ExpandCase{"int{40000}", "40000"},
        ExpandCase{"int{32767}", "32767"}, ExpandCase{"int{-32768}", "-32768"},
        ExpandCase{"int{32767.5}", "32767.5"}, ExpandCase{"int{1.5}", "2"},
        ExpandCase{"int{0.5}", "0"}, ExpandCase{"not{0}", "1"}, ExpandCase{"!{5}", "0"},
        ExpandCase{"NOT{0}", "1"}, ExpandCase{"not{abc}", "1"}, ExpandCase{"str{abc}", "'abc'"},
        ExpandCase{"val{'5'}", "5"}, ExpandCase{"{val{'(3.5)'}}", "3.5"},
        ExpandCase{"{val{'0.5'}}", "0,5", {}, ','}, ExpandCase{"val{abc}", "abc"},
        // A function that cannot compute leaves the value; its name goes.
        ExpandCase{"loge{0}", "0"}, ExpandCase{"loge{-1}", "-1"}, ExpandCase{"log10{0}", "0"},
        ExpandCase{"exp{1000}", "1000"}, ExpandCase{"Exp{1}", "2.71828182845905"},
        ExpandCase{"LOG10{10}", "1"}, ExpandCase{"Hex{16}", "&H10"}));

// The name counts only at the start or after a delimiter.
INSTANTIATE_TEST_SUITE_P(
    Delimiters, ExpandBracesTest,
    ::testing::Values(
        ExpandCase{"xexp{1}", "xexp1"}, ExpandCase{"max{1}", "max1"}, ExpandCase{"2*exp{0}", "2*1"},
        ExpandCase{"a exp{0}", "a 1"}, ExpandCase{" exp{0}", "1"}, ExpandCase{"(exp{0})", "(1)"},
        ExpandCase{"[exp{0}]", "[1]"}, ExpandCase{",x,exp{0}", "x,1"}, ExpandCase{"=exp{0}", "=1"},
        ExpandCase{"+exp{0}", "+1"}, ExpandCase{"-exp{0}", "-1"}, ExpandCase{"/exp{0}", "/1"},
        ExpandCase{"^exp{0}", "^1"}, ExpandCase{"&exp{0}", "&1"}, ExpandCase{"|exp{0}", "|1"},
        ExpandCase{"'exp{0}", "'1"}, ExpandCase{"\"exp{0}", "\"1"}, ExpandCase{"a\rexp{0}", "a\r1"},
        ExpandCase{"a\nexp{0}", "a\n1"},
        ExpandCase{"a\x01"
                   "exp{0}",
                   "a\x01"
                   "1"},
        ExpandCase{"5\xC2\xB1"
                   "exp{0}",
                   "5\xC2\xB1"
                   "1"},
        ExpandCase{"\xC3\xB1"
                   "exp{1}",
                   "\xC3\xB1"
                   "exp1"}, // "ñ" ends in the same byte as "±" but is a letter
        ExpandCase{"_exp{1}", "_exp1"}, ExpandCase{"9exp{1}", "9exp1"},
        ExpandCase{"a\texp{1}", "a\texp1"}, // tab is not a delimiter
        ExpandCase{"{1}exp{1}", "1exp1"},   // the "}" was replaced before the next group
        ExpandCase{"x-!{0}", "x-1"}, ExpandCase{"a~{0}", "a~0"}, ExpandCase{"a:not{0}", "a:not0"}));

TEST(ExpandBraces, DepthIsTheQuoteKeepingLevel) {
    VariableStore store(FixedEnvironment());
    std::string dst;
    EXPECT_EQ(ExpandBraces("{'a'+'b'}", dst, 1, store), 0);
    EXPECT_EQ(dst, "\"ab\"");
}

// --- Failures -------------------------------------------------------------

const std::string kUnmatched = "{#error expanding <> unmatched left-brace}";

struct FailCase {
    std::string src;
    std::string expected;
    Vars vars = {};
};

void PrintTo(const FailCase& c, std::ostream* os) {
    testing::PrintQuoted(c.src, os);
    PrintVars(c.vars, os);
}

class ExpandBracesFailureTest : public ::testing::TestWithParam<FailCase> {};

TEST_P(ExpandBracesFailureTest, GivesTheErrorText) {
    const FailCase& c = GetParam();
    VariableStore store(FixedEnvironment());
    for (const auto& [name, value] : c.vars)
        store.SetVar(name, value);
    std::string dst;
    EXPECT_EQ(ExpandBraces(c.src, dst, 0, store), 1);
    EXPECT_EQ(dst, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandBracesFailureTest,
    ::testing::Values(
        FailCase{"{1+2", kUnmatched}, FailCase{"a{b{c}", kUnmatched}, FailCase{"{1}{", kUnmatched},
        FailCase{"text {", kUnmatched}, FailCase{"{u}", kUnmatched, {{"u", "{"}}},
        // A nested failure is wrapped by the outer level, whose own
        // reason was never set.
        FailCase{"{{u}}", "{#error expanding <" + kUnmatched + "> undefined error}", {{"u", "{"}}},
        // Too deep: refused before any level is expanded, however deep.
        FailCase{"echo(" + Nested(101, "1+1") + ")",
                 "{#error expanding <" + Nested(100, "1+1") + "> nesting is too deep}"},
        FailCase{"echo(" + Nested(25000, "1+1") + ")",
                 "{#error expanding <" + Nested(24999, "1+1") + "> nesting is too deep}"},
        FailCase{"echo(" + Nested(1000000, "1+1") + ")",
                 "{#error expanding <" + Nested(999999, "1+1") + "> nesting is too deep}"},
        // A value's braces nest on inside the group that named it.
        FailCase{"{u}",
                 "{#error expanding <" + Nested(100, "1") + "> nesting is too deep}",
                 {{"u", Nested(101, "1")}}},
        FailCase{"{{u}}",
                 "{#error expanding <{#error expanding <" + Nested(99, "1") +
                     "> nesting is too deep}> undefined error}",
                 {{"u", Nested(100, "1")}}},
        // Each level names the value once per letter ("A" is "a"):
        // 410 x 410 x 410 letters pass the 64 MiB any text may take.
        FailCase{"echo({{{a}}})",
                 "{#error expanding <{{a}}> expansion does not end}",
                 {{"a", std::string(410, 'A')}}}));

TEST(ExpandBraces, ArithmeticFailuresPassThrough) {
    VariableStore store(FixedEnvironment());
    store.SetVar("big", "1e308");
    std::string dst;
    for (const char* src :
         {"{1e308*10}", "x{3e9&1}y", "{{1e308*10}+1}", "{big*10}", "exp{1e308*10}", "{1e400+1}"})
        EXPECT_THROW(ExpandBraces(src, dst, 0, store), ArithmeticError) << src;
}

// Groups whose values bring new groups must not expand for ever.
TEST(ExpandBraces, EndlessExpansionEndsInAnError) {
    struct Hostile {
        std::vector<std::pair<std::string, std::string>> vars;
        std::string line;
    };
    const std::vector<Hostile> cases = {
        {{{"a", "{b}"}, {"b", "{a}"}}, "{a}"},
        {{{"z", "1"}, {"z", "{z}{z}"}}, "{z}"}, // an update skips the self-reference test
    };
    for (const Hostile& h : cases) {
        VariableStore store(FixedEnvironment());
        for (const auto& [name, value] : h.vars)
            store.SetVar(name, value);
        std::string dst;
        EXPECT_EQ(ExpandBraces(h.line, dst, 0, store), 1) << h.line;
        EXPECT_EQ(dst.rfind("{#error expanding <", 0), 0u) << dst.substr(0, 80);
    }
}

// Found by fuzzing: every round makes the line longer, so a bound that counts
// groups alone lets the rescans of the growing line run for minutes. The value
// grows at the end, at the start, or by a long stretch each round.
TEST(ExpandBraces, GrowingLineEndsInAnError) {
    const std::string values[] = {std::string(40, 'x') + "{z}", std::string(400, 'x') + "{z}",
                                  "{z}" + std::string(400, 'x'), "a{z}" + std::string(4000, 'b')};
    for (const std::string& value : values) {
        VariableStore store(FixedEnvironment());
        store.SetVar("z", "1");
        store.SetVar("z", value);
        std::string dst;
        EXPECT_EQ(ExpandBraces("{z}", dst, 0, store), 1) << value.substr(0, 8);
        EXPECT_EQ(dst, "{#error expanding <z> expansion does not end}") << value.substr(0, 8);
    }
}

// The bounds leave long honest lines alone: many groups, long values.
TEST(ExpandBraces, LongLinesWithManyGroupsExpandFully) {
    VariableStore store(FixedEnvironment());
    store.SetVar("a", "7");
    store.SetVar("long", std::string(100000, 'v'));
    std::string line, expected;
    for (int i = 0; i < 20000; ++i) {
        line += "{a} ";
        expected += "7 ";
    }
    std::string dst;
    EXPECT_EQ(ExpandBraces(line, dst, 0, store), 0);
    EXPECT_EQ(dst, expected.substr(0, expected.size() - 1)); // trailing blank trimmed
    std::string many, manyExpected;
    for (int i = 0; i < 50; ++i) {
        many += "<{long}>";
        manyExpected += "<" + std::string(100000, 'v') + ">";
    }
    EXPECT_EQ(ExpandBraces(many, dst, 0, store), 0);
    EXPECT_EQ(dst, manyExpected);
}

TEST(Log10, IsTheRatioOfNaturalLogarithms) {
    EXPECT_DOUBLE_EQ(Log10(1000), 3);
    EXPECT_DOUBLE_EQ(Log10(1), 0);
    EXPECT_DOUBLE_EQ(Log10(0.01), -2);
}

} // namespace
} // namespace talvex
