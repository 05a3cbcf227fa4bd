// The indexed store against the flat reference on random stores and texts.
// Names are picked to collide: prefixes, suffixes, case variants of one
// another and of the built-in names, so every tie rule is exercised.
#include "macromath/variable_store.h"
#include "tests/macromath/linear_store.h"
#include "tests/macromath/store_contents.h"
#include "tests/macromath/test_environment.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace talvex {
namespace {

using reference::LinearStore;
using testing::FixedEnvironment;
using testing::StoreContents;

const std::vector<std::string> kNames = {
    "a",        "ab",      "abc",   "b",    "ba",   "bab",  "A",     "AB",    "x",
    "X1",       "x1",      "cnt",   "n",    "@now", "@NOW", "@no",   "@nowx", "@Now2",
    "@date",    "@DATE",   "DATE",  "date", "@d",   "@",    "@time", "time",  "@rtfnl",
    "@RTF",     "@rtftab", "rtf",   "nl",   "tab",  "$v",   "v$",    "@v",    "a\xC2\xB1",
    "\xC2\xB1", "a.err",   "x.err", "e",    "r",    "rr",   "@da",   "te",    "w"};

const std::vector<std::string> kFiller = {
    " ", "+", "1", "{", "}", "\xC2\xB1", "\xC3\xB1", "@", "_", "now", "@rt", "fnl", "'", "\t", "e"};

const std::vector<std::string> kValues = {"1",
                                          "2.5",
                                          "'str'",
                                          "",
                                          "5 \xC2\xB1 1",
                                          "\xC2\xB1",
                                          "5\xC2\xB1",
                                          "\xC2\xB1"
                                          "5",
                                          "1\xC2\xB1"
                                          "2\xC2\xB1"
                                          "3",
                                          "cnt+1",
                                          "{1}",
                                          "@now",
                                          "a+b",
                                          "x",
                                          "AB"};

const std::vector<std::string> kPaths = {"", "/jobs/run1.tvx", "/a/b/", "plain", "/x/@v.TVX"};

class Random {
public:
    explicit Random(unsigned seed) : gen_(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen_); }
    template <class T> const T& Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))];
    }
    // Flips the case of some ASCII letters.
    std::string Vary(std::string s) {
        for (char& c : s) {
            if (Below(10) < 3) {
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
                else if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return s;
    }
    std::string Text() {
        std::string t;
        const int parts = 1 + Below(8);
        for (int i = 0; i < parts; ++i)
            t += Below(2) == 0 ? Vary(Pick(kNames)) : Pick(kFiller);
        return t;
    }
    std::string Value() {
        switch (Below(4)) {
        case 0:
            return Vary(Pick(kNames));
        case 1:
            return Text();
        default:
            return Pick(kValues);
        }
    }

private:
    std::mt19937 gen_;
};

void RunCase(unsigned seed) {
    Random rnd(seed);
    VariableStore store(FixedEnvironment());
    LinearStore ref(FixedEnvironment());
    const int steps = 10 + rnd.Below(40);
    for (int step = 0; step < steps; ++step) {
        const int what = rnd.Below(100);
        if (what < 55) {
            const std::string name = rnd.Vary(rnd.Pick(kNames));
            std::string v1 = rnd.Value();
            std::string v2 = v1;
            const int c1 = store.SetVar(name, v1);
            const int c2 = ref.SetVar(name, v2);
            ASSERT_EQ(c1, c2) << "seed " << seed << " SetVar " << name;
            ASSERT_EQ(v1, v2) << "seed " << seed << " SetVar " << name << " rewrote the value";
        } else if (what < 60) {
            ASSERT_EQ(store.ClearUserVars(), ref.ClearUserVars()) << "seed " << seed;
        } else if (what < 62) {
            const std::string path = rnd.Pick(kPaths);
            store.RunScriptFile = path;
            ref.RunScriptFile = path;
            store.InitSystemVars();
            ref.InitSystemVars();
        } else {
            const std::string text = rnd.Text();
            ASSERT_EQ(store.SubstituteVars(text), ref.SubstituteVars(text))
                << "seed " << seed << " text \"" << text << "\"";
        }
        ASSERT_EQ(StoreContents(store), StoreContents(ref)) << "seed " << seed << " step " << step;
    }
    // Every live name is found under any spelling.
    for (const VarEntry& e : ref.Entries()) {
        const std::string* found = store.Find(rnd.Vary(e.Name));
        ASSERT_NE(found, nullptr) << "seed " << seed << " " << e.Name;
        EXPECT_EQ(*found, e.Value);
    }
}

TEST(StoreAgainstReference, RandomStoresAndTexts) {
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        RunCase(seed);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// One large store with many prefix-related names, checked on long texts.
TEST(StoreAgainstReference, LargeStoreOfPrefixes) {
    Random rnd(4242);
    VariableStore store(FixedEnvironment());
    LinearStore ref(FixedEnvironment());
    for (int i = 0; i < 600; ++i) {
        std::string name = "v" + std::to_string(i);
        if (i % 7 == 0) name = rnd.Vary(name);
        const std::string value = "[" + std::to_string(i) + "]";
        store.SetVar(name, value);
        ref.SetVar(name, value);
    }
    store.SetVar("@nowv1", "N");
    ref.SetVar("@nowv1", "N");
    ASSERT_EQ(StoreContents(store), StoreContents(ref));
    for (int t = 0; t < 200; ++t) {
        std::string text;
        for (int k = 0; k < 20; ++k)
            text += rnd.Below(3) == 0 ? rnd.Pick(kFiller)
                                      : rnd.Vary("v" + std::to_string(rnd.Below(900)));
        if (t % 10 == 0) text += "@nowv1@now@date";
        ASSERT_EQ(store.SubstituteVars(text), ref.SubstituteVars(text)) << text;
    }
    EXPECT_EQ(store.ClearUserVars(), ref.ClearUserVars());
    EXPECT_EQ(StoreContents(store), StoreContents(ref));
}

} // namespace
} // namespace talvex
