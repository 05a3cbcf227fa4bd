// TrimChars: set membership at both ends, "±" as one character.
#include "macromath/trim.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace talvex {
namespace {

struct TrimCase {
    std::string text;
    std::string chars;
    std::string expected;
};

void PrintTo(const TrimCase& c, std::ostream* os) {
    testing::PrintQuoted(c.text, os);
    *os << " set ";
    testing::PrintQuoted(c.chars, os);
}

class TrimCharsTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimCharsTest, StripsSetCharactersFromBothEnds) {
    const TrimCase& c = GetParam();
    EXPECT_EQ(TrimChars(c.text, c.chars), c.expected);
    EXPECT_EQ(std::string(TrimView(c.text, c.chars)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimCharsTest,
    ::testing::Values(TrimCase{" ,a, ", " ,", "a"}, TrimCase{"a", " ,", "a"},
                      TrimCase{", , ,", " ,", ""},                        // only set characters
                      TrimCase{"", " ,", ""}, TrimCase{" x ", "", " x "}, // empty set: unchanged
                      TrimCase{" a b ", " ", "a b"},                      // inner characters stay
                      TrimCase{"\ta\t", " ,", "\ta\t"},                   // tab is not in the set
                      TrimCase{"'\"x\"'", "'\"", "x"},                    // the quote set
                      TrimCase{"'a'b'", "'", "a'b"}, TrimCase{"Aa", "a", "A"}, // case-sensitive
                      TrimCase{"aXa", "A", "aXa"},
                      // "±" is one character: it trims itself, and only itself.
                      TrimCase{"\xC2\xB1"
                               "5\xC2\xB1",
                               "\xC2\xB1", "5"},
                      TrimCase{"\xC2\xB1\xC2\xB1 5", "\xC2\xB1 ", "5"},
                      TrimCase{"5\xC3\xB1", "\xC2\xB1", "5\xC3\xB1"}, // "ñ" shares the last byte
                      TrimCase{"\xC2\xB2"
                               "5",
                               "\xC2\xB1",
                               "\xC2\xB2"
                               "5"}, // "²" shares the first byte
                      TrimCase{" 5 \xC2\xB1 ", " ", "5 \xC2\xB1"},
                      TrimCase{"\xC2\xB1", "\xC2\xB1", ""}));

} // namespace
} // namespace talvex
