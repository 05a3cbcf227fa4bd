// Newline framing: split and merged reads, blank lines, the line cap.
#include "hostlink/line_framer.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talvex {
namespace {

struct FramerCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
    int refused;
};

void PrintTo(const FramerCase& c, std::ostream* os) {
    testing::PrintQuotedLines(c.chunks, os);
}

class LineFramerTest : public ::testing::TestWithParam<FramerCase> {};

TEST_P(LineFramerTest, CutsLines) {
    const FramerCase& c = GetParam();
    std::vector<std::string> lines;
    int refused = 0;
    // A cap of 8 bytes keeps the refusal cases small.
    LineFramer framer(
        [&](const QByteArray& l) {
            lines.push_back(l.toStdString());
            return true;
        },
        [&] {
            ++refused;
            return true;
        },
        8);
    for (const std::string& chunk : c.chunks)
        framer.Feed(QByteArray::fromStdString(chunk));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(refused, c.refused);
    EXPECT_LE(framer.PeakBuffered(), 8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineFramerTest,
    ::testing::Values(
        FramerCase{"two_in_one_read", {"a\nb\n"}, {"a", "b"}, 0},
        FramerCase{"split_across_reads", {"ab", "c\nd", "e\n"}, {"abc", "de"}, 0},
        FramerCase{"split_inside_a_character",
                   {"5\xC2", "\xB1"
                             "1\n"},
                   {"5\xC2\xB1"
                    "1"},
                   0},
        FramerCase{"one_byte_reads", {"x", "y", "\n", "z", "\n"}, {"xy", "z"}, 0},
        FramerCase{"empty_lines_skipped", {"\n\n", "x\n", "\n"}, {"x"}, 0},
        FramerCase{"blank_lines_skipped", {" \t\r\n", "\r", "\n y \n"}, {" y "}, 0},
        FramerCase{"unfinished_line_held", {"abc"}, {}, 0},
        FramerCase{"exactly_at_cap", {"12345678\n"}, {"12345678"}, 0},
        FramerCase{"over_cap_in_one_read", {"123456789\nok\n"}, {"ok"}, 1},
        FramerCase{"over_cap_across_reads", {"12345", "6789", "abc", "\nok\n"}, {"ok"}, 1},
        FramerCase{"over_cap_then_split_end", {"123456789", "zzz", "\n", "ok", "\n"}, {"ok"}, 1},
        FramerCase{"two_refused", {"123456789\n", "abcdefghij\nyes\n"}, {"yes"}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace talvex
