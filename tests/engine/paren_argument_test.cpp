// The directive argument and the statement position of a one-line #if.
#include "engine/paren_argument.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace talvex {
namespace {

struct ParenCase {
    const char* text;
    const char* arg;
    const char* rest;
    long restPos;
};

void PrintTo(const ParenCase& c, std::ostream* os) {
    testing::PrintQuoted(c.text, os);
}

class ParenArgumentCase : public ::testing::TestWithParam<ParenCase> {};

TEST_P(ParenArgumentCase, SplitsTheLine) {
    std::string rest = "stale";
    long restPos = -1;
    EXPECT_EQ(ParenArgument(GetParam().text, rest, restPos), GetParam().arg);
    EXPECT_EQ(rest, GetParam().rest);
    EXPECT_EQ(restPos, GetParam().restPos);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParenArgumentCase,
    ::testing::Values(
        ParenCase{"#if(1) then send(x)", "1", "send(x)", 13}, ParenCase{"#if(1)", "1", "", 0},
        ParenCase{"#if( a (b) c ) x", "a (b) c", "x", 0}, ParenCase{"#if(a) then", "a", "", 0},
        ParenCase{"#if(a) THEN  ab ", "a", "ab", 14}, ParenCase{"#if(a) thenab", "a", "ab", 12},
        ParenCase{"#if(a) // c", "a", "", 0}, ParenCase{"#if(a) ;c", "a", "", 0},
        ParenCase{"#if(a) then 'c", "a", "", 0}, ParenCase{"#if(a)\x01 ab\r\n", "a", "ab", 9},
        ParenCase{"f((1)) ab", "(1)", "ab", 8}, ParenCase{"no paren", "", "", 0},
        ParenCase{"#if(a", "", "", 0}, ParenCase{"#if() x1", "", "", 0},
        ParenCase{"x) (y", "", "", 0}));

} // namespace
} // namespace talvex
