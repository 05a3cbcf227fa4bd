// The variable store: setting, clearing and substituting.
#include "macromath/variable_store.h"
#include "tests/macromath/store_contents.h"
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
using testing::kFixedDate;
using testing::kFixedNow;
using testing::kFixedTime;
using testing::StoreContents;
using Pairs = testing::StorePairs;

const std::string kSelfRef = "'err: do not put variable name in right-side expresssion'";

// --- SetVar ---------------------------------------------------------------

struct SetCase {
    std::string value;
    Pairs expected; // store contents after SetVar("x", value) on an empty store
    std::string rewritten;
};

void PrintTo(const SetCase& c, std::ostream* os) {
    testing::PrintQuoted(c.value, os);
}

class SetVarSplitTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetVarSplitTest, SplitsOneErrorBar) {
    const SetCase& c = GetParam();
    VariableStore store(FixedEnvironment());
    std::string value = c.value;
    const int count = store.SetVar("x", value);
    EXPECT_EQ(StoreContents(store), c.expected);
    EXPECT_EQ(count, static_cast<int>(c.expected.size()));
    EXPECT_EQ(value, c.rewritten);
}

#define PM "\xC2\xB1"
INSTANTIATE_TEST_SUITE_P(
    Cases, SetVarSplitTest,
    ::testing::Values(
        // The error bar is created first, so it is listed first.
        SetCase{"5.2 " PM " 0.1", {{"x.err", "0.1"}, {"x", "5.2"}}, "5.2"},
        SetCase{"5 " PM "0.2", {{"x.err", "0.2"}, {"x", "5"}}, "5"},
        SetCase{"5" PM "1", {{"x.err", "1"}, {"x", "5"}}, "5"},
        SetCase{"5, " PM " 1,", {{"x.err", "1,"}, {"x", "5,"}}, "5,"}, // only blanks are trimmed
        SetCase{PM "5", {{"x", PM "5"}}, PM "5"}, SetCase{"5" PM, {{"x", "5" PM}}, "5" PM},
        SetCase{"1" PM "2" PM "3", {{"x", "1" PM "2" PM "3"}}, "1" PM "2" PM "3"},
        SetCase{"5\xC3\xB1"
                "1",
                {{"x", "5\xC3\xB1"
                       "1"}},
                "5\xC3\xB1"
                "1"}, // "ñ" is not "±"
        SetCase{"plain", {{"x", "plain"}}, "plain"}, SetCase{"", {{"x", ""}}, ""}));

TEST(SetVar, UpdateKeepsTheFirstSpelling) {
    VariableStore store(FixedEnvironment());
    store.SetVar("Speed", "1");
    EXPECT_EQ(store.SetVar("SPEED", "2"), 1);
    EXPECT_EQ(StoreContents(store), (Pairs{{"Speed", "2"}}));
    ASSERT_NE(store.Find("speed"), nullptr);
    EXPECT_EQ(*store.Find("speed"), "2");
    EXPECT_EQ(store.Find("spee"), nullptr);
}

TEST(SetVar, ErrorBarOnUpdateUsesTheGivenName) {
    VariableStore store(FixedEnvironment());
    store.SetVar("Len", "1");
    store.SetVar("LEN", "3 " PM " 0.5");
    EXPECT_EQ(StoreContents(store), (Pairs{{"Len", "3"}, {"LEN.err", "0.5"}}));
}

TEST(SetVar, EmptyNameDoesNothing) {
    VariableStore store(FixedEnvironment());
    std::string value = "5 " PM " 1";
    EXPECT_EQ(store.SetVar("", value), 0);
    EXPECT_EQ(store.VarCount(), 0);
}

TEST(SetVar, SelfReferenceIsRefusedOnlyWhenCreating) {
    VariableStore store(FixedEnvironment());
    std::string value = "cnt+1";
    store.SetVar("cnt", value);
    EXPECT_EQ(value, kSelfRef); // the caller's text is rewritten too
    EXPECT_EQ(*store.Find("cnt"), kSelfRef);

    store.SetVar("cnt", "1");
    store.SetVar("cnt", "cnt+1"); // an update is never tested
    EXPECT_EQ(*store.Find("cnt"), "cnt+1");

    store.SetVar("x", "max"); // anywhere in the value
    EXPECT_EQ(*store.Find("x"), kSelfRef);
    store.SetVar("n", "N+1"); // the test is case-sensitive
    EXPECT_EQ(*store.Find("n"), "N+1");
    EXPECT_EQ(store.VarCount(), 3);
}

TEST(SetVar, TheStoreHoldsAtMostTwentyThousand) {
    VariableStore store(FixedEnvironment());
    for (int i = 0; i < 20000; ++i)
        store.SetVar("v" + std::to_string(i), std::to_string(i));
    EXPECT_EQ(store.VarCount(), 20000);
    EXPECT_EQ(store.SetVar("extra", "1"), 20000); // refused, and told once
    EXPECT_EQ(store.Find("extra"), nullptr);
    store.SetVar("more", "1");
    EXPECT_EQ(store.TakeRefusedName(), "extra");
    EXPECT_EQ(store.TakeRefusedName(), "");
    EXPECT_EQ(store.SubstituteVars("extra"), "extra");
    EXPECT_EQ(store.SetVar("V19999", "updated"), 20000); // updates still work
    EXPECT_EQ(*store.Find("v19999"), "updated");
    EXPECT_EQ(store.Entries().back().Name, "v19999");
    EXPECT_EQ(store.SubstituteVars("[v19999]"), "[updated]");
    EXPECT_EQ(store.TakeRefusedName(), "") << "an update is no refusal";
    store.Clear(); // a new run is told again
    EXPECT_EQ(store.TakeRefusedName(), "");
}

TEST(SetVar, ErrorBarTakesTheLastFreePlace) {
    VariableStore store(FixedEnvironment());
    for (int i = 0; i < 19999; ++i)
        store.SetVar("v" + std::to_string(i), "0");
    store.SetVar("x", "5 " PM " 1");
    EXPECT_EQ(store.VarCount(), 20000);
    ASSERT_NE(store.Find("x.err"), nullptr);
    EXPECT_EQ(*store.Find("x.err"), "1");
    EXPECT_EQ(store.Find("x"), nullptr);
}

// --- ClearUserVars --------------------------------------------------------

TEST(ClearUserVars, KeepsSystemAndDollarNamesInOrder) {
    VariableStore store(FixedEnvironment());
    for (const char* n : {"a", "@b", "c$", "d", "e", "$f", "g@h"})
        store.SetVar(n, "1");
    EXPECT_EQ(store.ClearUserVars(), 3);
    EXPECT_EQ(StoreContents(store), (Pairs{{"@b", "1"}, {"c$", "1"}, {"$f", "1"}, {"g@h", "1"}}));
    EXPECT_EQ(store.ClearUserVars(), 0);

    // What is gone is gone for lookup and substitution; what stayed still updates.
    EXPECT_EQ(store.Find("a"), nullptr);
    EXPECT_EQ(store.SubstituteVars("a d @b"), "a d 1");
    store.SetVar("C$", "2");
    store.SetVar("a", "3");
    EXPECT_EQ(StoreContents(store),
              (Pairs{{"@b", "1"}, {"c$", "2"}, {"$f", "1"}, {"g@h", "1"}, {"a", "3"}}));
    EXPECT_EQ(store.SubstituteVars("a c$"), "3 2");
}

TEST(ClearUserVars, EmptyStoreRemovesNothing) {
    VariableStore store(FixedEnvironment());
    EXPECT_EQ(store.ClearUserVars(), 0);
}

// --- SubstituteVars -------------------------------------------------------

struct SubstCase {
    Pairs vars; // created in this order
    std::string text;
    std::string expected;
};

// Rows share a text and differ in their variables, so those are printed too.
void PrintTo(const SubstCase& c, std::ostream* os) {
    testing::PrintQuoted(c.text, os);
    if (c.vars.empty()) return;
    std::vector<std::string> lines;
    for (const auto& [name, value] : c.vars)
        lines.push_back(name + "=" + value);
    *os << " with ";
    testing::PrintQuotedLines(lines, os);
}

class SubstituteVarsTest : public ::testing::TestWithParam<SubstCase> {};

TEST_P(SubstituteVarsTest, Replaces) {
    const SubstCase& c = GetParam();
    VariableStore store(FixedEnvironment());
    for (const auto& [name, value] : c.vars)
        store.SetVar(name, value);
    EXPECT_EQ(store.SubstituteVars(c.text), c.expected);
}

const std::string kNow = kFixedNow;
const std::string kDate = kFixedDate;
const std::string kTime = kFixedTime;

INSTANTIATE_TEST_SUITE_P(
    Variables, SubstituteVarsTest,
    ::testing::Values(SubstCase{{{"a", "1"}, {"ab", "2"}}, "ab+a", "2+1"},
                      SubstCase{{{"ab", "2"}, {"a", "1"}}, "ab+a", "2+1"},
                      SubstCase{{{"a", "1"}, {"ab", "2"}, {"abc", "3"}}, "abcd", "3d"},
                      SubstCase{{{"b", "B"}, {"a", "A"}}, "ab", "AB"},       // leftmost first
                      SubstCase{{{"a", "b"}, {"b", "X"}}, "a", "b"},         // inserted values stay
                      SubstCase{{{"a", "@now"}}, "a", "@now"},               // ... built-ins too
                      SubstCase{{{"x", "5"}}, "max", "ma5"},                 // inside longer words
                      SubstCase{{{"Foo", "1"}}, "FOO foo fOo", "1 1 1"},     // any case
                      SubstCase{{{"name", "'Bob'"}}, "hi name", "hi 'Bob'"}, // quotes as stored
                      SubstCase{{{"a" PM "b", "7"}}, "xa" PM "by", "x7y"},
                      SubstCase{{{"x", "5"}}, "nothing here", "nothing here"},
                      SubstCase{{{"x", "5"}}, "", ""}, SubstCase{{{"@", "AT"}}, "@x", "ATx"},
                      SubstCase{{{"aa", "Z"}}, "aaa", "Za"}, // no overlap once replaced
                      SubstCase{{{"k", "1"}}, "kkk", "111"}));

INSTANTIATE_TEST_SUITE_P(
    BuiltIns, SubstituteVarsTest,
    ::testing::Values(
        SubstCase{{}, "@now", kNow}, SubstCase{{}, "@date", kDate}, SubstCase{{}, "@time", kTime},
        SubstCase{{}, "@DATE @Time", kDate + " " + kTime}, SubstCase{{}, "@rtfnl", "\x01\x01"},
        SubstCase{{},
                  "a@rtftab"
                  "b",
                  "a\tb"},
        SubstCase{{}, "@nowhere", kNow + "here"},
        // Only the first-ranked built-in that occurs takes part in a pass.
        SubstCase{{}, "@date @now", "@date " + kNow},
        SubstCase{{}, "@time @date", "@time " + kDate},
        SubstCase{{}, "@date @time", kDate + " " + kTime},
        SubstCase{{}, "@rtftab@rtfnl", "@rtftab\x01\x01"},
        SubstCase{{}, "@time @now @time", "@time " + kNow + " " + kTime},
        // Built-ins against variables.
        SubstCase{{{"@now", "X"}}, "@now", kNow}, // same length: the built-in wins
        SubstCase{{{"@NOW", "X"}}, "@now", kNow},
        SubstCase{{{"@nowx", "V"}}, "@nowx @now", "V " + kNow}, // longer name wins
        SubstCase{{{"@no", "N"}}, "@now", kNow}, SubstCase{{{"@no", "N"}}, "@no @now", "N " + kNow},
        SubstCase{{{"date", "D"}}, "@date date", kDate + " D"},
        SubstCase{{{"DATE", "D"}}, "date", "D"}, SubstCase{{{"@", "AT"}}, "@now@x", kNow + "ATx"},
        SubstCase{{{"@da", "Q"}}, "@date @now", "Qte " + kNow}));
#undef PM

TEST(SubstituteVars, ReadsTheInjectedClockAtEachUse) {
    LocalTime current = testing::FixedTime();
    Environment env = FixedEnvironment();
    env.now = [&current] { return current; };
    VariableStore store(env);
    EXPECT_EQ(store.SubstituteVars("@time"), "09_25_23");
    current.hour = 23;
    current.minute = 5;
    current.second = 0;
    current.year = 2031;
    current.month = 1;
    current.day = 2;
    EXPECT_EQ(store.SubstituteVars("@date @time"), "2031_01_02 23_05_00");
    EXPECT_EQ(store.SubstituteVars("@now"), "31_01_02_23_05_00");
}

} // namespace
} // namespace talvex
