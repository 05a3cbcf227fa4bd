// EvalExpression: which operator splits the text, and what each one gives.
#include "macromath/arithmetic_error.h"
#include "macromath/evaluator.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace talvex {
namespace {

struct EvalCase {
    std::string expr;
    std::string expected;
    int keepQuotes = 0;
    char separator = '.';
};

void PrintTo(const EvalCase& c, std::ostream* os) {
    testing::PrintQuoted(c.expr, os);
    *os << " depth " << c.keepQuotes << " sep '" << c.separator << "'";
}

class EvalExpressionTest : public ::testing::TestWithParam<EvalCase> {};

TEST_P(EvalExpressionTest, Gives) {
    const EvalCase& c = GetParam();
    EXPECT_EQ(EvalExpression(c.expr, c.keepQuotes, c.separator), c.expected);
}

// One operation only; the other operand is read as a (partial) number.
INSTANTIATE_TEST_SUITE_P(
    Arithmetic, EvalExpressionTest,
    ::testing::Values(EvalCase{"1+2*3", "3"}, EvalCase{"2*3", "6"}, EvalCase{"2-1", "1"},
                      EvalCase{"2-3", "-1"}, EvalCase{"-5-3", "-8"}, EvalCase{"-5+3", "-2"},
                      EvalCase{"3*-2", "-6"}, EvalCase{"7/2", "3.5"}, EvalCase{"1/4", ".25"},
                      EvalCase{"-1/4", "-.25"}, EvalCase{"0.5+0", ".5"},
                      EvalCase{"1/3", ".333333333333333"}, EvalCase{"0.1+0.2", ".3"},
                      EvalCase{"1e20*1", "1E+20"}, EvalCase{"1e308*1", "1E+308"},
                      EvalCase{"5 , + , 3", "8"}, EvalCase{"1,000+1", "2"},
                      EvalCase{"-0*1", "0"}, // no "-0"
                      // Division by zero divides by 1E-11 instead.
                      EvalCase{"7/0", "700000000000"}, EvalCase{"-7/0", "-700000000000"},
                      EvalCase{"0/0", "0"}, EvalCase{"5/abc", "500000000000"}));

INSTANTIATE_TEST_SUITE_P(
    Power, EvalExpressionTest,
    ::testing::Values(EvalCase{"2^0.5", "1.4142135623731"}, EvalCase{"2^10", "1024"},
                      EvalCase{"2^-1", "0.5"}, // the locale form keeps its "0"
                      EvalCase{"9^0.5", "3"}, EvalCase{"-2^3", "-8"}, EvalCase{"-8^2", "64"},
                      EvalCase{"-8^0.5", "err<-8^0.5>"}, EvalCase{"-8 ^ 0.5", "err<-8^0.5>"},
                      EvalCase{"10^400", "err<10^400>"}, EvalCase{"0^-1", "err<0^-1>"},
                      EvalCase{"2^-1", "0,5", 0, ','}, EvalCase{"2^0.5", "1,4142135623731", 0, ','},
                      EvalCase{"1/4", ".25", 0, ','})); // only "^" writes the locale form

INSTANTIATE_TEST_SUITE_P(
    Comparison, EvalExpressionTest,
    ::testing::Values(EvalCase{"3=3.0", "1"}, EvalCase{"abc=0", "1"}, EvalCase{"2>1", "1"},
                      EvalCase{"1>2", "0"}, EvalCase{"3<4", "1"}, EvalCase{"4<3", "0"},
                      EvalCase{"-1<0", "1"}, EvalCase{"1!=1", "0"}, EvalCase{"3!=4", "1"},
                      EvalCase{"3<>4", "1"}, EvalCase{"3<>3", "0"}, EvalCase{"3<=3", "1"},
                      EvalCase{"5<=3", "0"}, EvalCase{"3>=3", "1"}, EvalCase{"4>=5", "0"},
                      EvalCase{"0.3=0.30000000000000004", "0"}, // exact, no tolerance
                      EvalCase{"a<=", "0"}));

INSTANTIATE_TEST_SUITE_P(
    LogicAndBits, EvalExpressionTest,
    ::testing::Values(EvalCase{"6&3", "2"}, EvalCase{"6|3", "7"}, EvalCase{"12&10", "8"},
                      EvalCase{"12|3", "15"}, EvalCase{"2.5&3", "2"}, EvalCase{"3.5&7", "4"},
                      EvalCase{"-2.5|0", "-2"}, EvalCase{"-3.5|0", "-4"}, EvalCase{"-1&255", "255"},
                      EvalCase{"-1|0", "-1"}, EvalCase{"2147483647&1", "1"},
                      EvalCase{"-2147483648|0", "-2147483648"}, EvalCase{"5&&3", "1"},
                      EvalCase{"5&&0", "0"}, EvalCase{"0&&0", "0"}, EvalCase{"5||0", "1"},
                      EvalCase{"0||0", "0"}, EvalCase{"0.5||0", "1"},
                      EvalCase{"3e9&&1", "1"}, // no integer conversion for the logic forms
                      EvalCase{"3e9||0", "1"}, EvalCase{"&HFF+1", "256"},
                      EvalCase{"&HFF & &H0F", "15"}));

// Which operator is chosen: list order, leftmost position, the two-character
// rule, position 2 at the earliest, exponent signs, "+" before "-".
INSTANTIATE_TEST_SUITE_P(
    OperatorChoice, EvalExpressionTest,
    ::testing::Values(EvalCase{"1<2=0", "1"}, // "<" stands left of "=": it is the operator
                      EvalCase{"1+2=3", "0"}, // any listed operator beats "+"
                      EvalCase{"1<>2", "1"},  // "<>" not "<" then ">2"
                      EvalCase{"5--3", "8"}, EvalCase{"5+-3", "2"}, EvalCase{"5-+3", "2"},
                      EvalCase{"5++-3", "2"}, // "++" at 2, right operand -3
                      EvalCase{"5+--3", "8"}, // "+-" at 2, right operand -3
                      EvalCase{"5---3", "2"}, // "--" at 2, right operand -3
                      EvalCase{"5-++3", "8"}, // "-+" would end where "++" begins: "++" stays
                      EvalCase{"5--+3", "2"}, // "--" would end where "-+" begins: "-+" stays
                      EvalCase{"2**3", "0"}, EvalCase{"*5", "*5"}, EvalCase{"+5", "+5"},
                      EvalCase{"-5", "-5"}, EvalCase{"=5", "=5"}, EvalCase{"a*", "a*"},
                      EvalCase{"5*", "5*"}, EvalCase{"2+3-1", "5"}, // "+" wins wherever it stands
                      EvalCase{"5-3+1", "6"}, EvalCase{"1e+3", "1e+3"}, EvalCase{"1E+3", "1E+3"},
                      EvalCase{"2e-3", "2e-3"}, EvalCase{"2e+3+1", "2001"},
                      EvalCase{"1E+3+2", "1002"}, EvalCase{"1.5e+2+1", "151"},
                      EvalCase{"12e+5-1", "1199999"}, EvalCase{"1e-3-1", "-.999"},
                      EvalCase{"2e3-1", "1999"},
                      EvalCase{"e+3", "3"}, // an exponent sign needs a digit two places back
                      EvalCase{"xe+3", "3"}, EvalCase{"1e400", "1e400"}, // no operator: never read
                      EvalCase{"", ""}, EvalCase{"x", "x"}, EvalCase{"'", ""},
                      EvalCase{" , 7 , ", "7"}, EvalCase{"hello", "hello"}));

// A leading quote with its partner hides everything up to the partner.
INSTANTIATE_TEST_SUITE_P(
    Strings, EvalExpressionTest,
    ::testing::Values(EvalCase{"'ab'+'cd'", "abcd"}, EvalCase{"'ab'+'cd'", "\"abcd\"", 1},
                      EvalCase{"'ab'+'cd'", "\"abcd\"", 2}, EvalCase{"'a'*2", "a'*2"},
                      EvalCase{"'a'*2", "\"a'*2\"", 1}, EvalCase{"'x'", "x"},
                      EvalCase{"'x'", "\"x\"", 1}, EvalCase{"''", ""}, EvalCase{"''", "\"\"", 1},
                      EvalCase{"'a*b'+'c'", "a*bc"}, EvalCase{"\"x\"&\"y\"", "xy"},
                      EvalCase{"'ab'&'cd'", "abcd"}, EvalCase{"\"ab\"+'cd'", "abcd"},
                      EvalCase{"'5'+3", "53"}, EvalCase{"'5'-3", "5'-3"},
                      EvalCase{"'a'&&'b'", "a'&&'b"}, EvalCase{"'a'++'b'", "a'++'b"},
                      EvalCase{"'a b'+' c'", "a b c"}, EvalCase{" 'a'+'b' ", "ab"},
                      EvalCase{",'a'+'b',", "ab"}, EvalCase{"'a", "a"}, EvalCase{"'a+b", "0"},
                      EvalCase{"5+3", "8", 1}, EvalCase{"x", "x", 1}));

TEST(EvalExpressionOverflow, ResultsBeyondTheRangeThrow) {
    for (const char* expr : {"1e308*10", "1e308+1e308", "-1e308-1e308", "1e300/1e-300", "1e300/0",
                             "3e9&1", "1&3e9", "3e9|1", "-2147483649|0",
                             "2147483647.5&1", // rounds to 2147483648
                             "1e400+1"})
        EXPECT_THROW(EvalExpression(expr, 0), ArithmeticError) << expr;
}

} // namespace
} // namespace talvex
