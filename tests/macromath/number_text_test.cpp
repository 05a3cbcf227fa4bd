// Reading numbers from text and writing them back, whatever the process locale.
#include "macromath/arithmetic_error.h"
#include "macromath/evaluator.h"
#include "macromath/number_text.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <ostream>
#include <string>

namespace talvex {
namespace {

struct ValCase {
    std::string text;
    double expected;
};

void PrintTo(const ValCase& c, std::ostream* os) {
    testing::PrintQuoted(c.text, os);
}

class ValOfTest : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValOfTest, ReadsTheLeadingNumber) {
    const ValCase& c = GetParam();
    EXPECT_DOUBLE_EQ(ValOf(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, ValOfTest,
    ::testing::Values(ValCase{"", 0}, ValCase{"abc", 0}, ValCase{"12", 12}, ValCase{"-5", -5},
                      ValCase{"+5", 5}, ValCase{" 1 2 3 ", 123}, ValCase{"1\t2\n3", 123},
                      ValCase{"- 5", -5}, ValCase{"1\r2", 1}, // CR is not skipped
                      ValCase{".5", 0.5}, ValCase{"5.", 5}, ValCase{".", 0}, ValCase{"-.25", -0.25},
                      ValCase{"2.5.3", 2.5}, ValCase{"12abc", 12}, ValCase{"1e3", 1000},
                      ValCase{"1E+3", 1000}, ValCase{"1e-3", 0.001}, ValCase{"2.5e2", 250},
                      ValCase{"1 e 3", 1000}, ValCase{"1e", 1}, ValCase{"1e+", 1},
                      ValCase{"1e+x", 1}, ValCase{"1d3", 1}, ValCase{"--5", 0}, ValCase{"+-5", 0},
                      ValCase{"1,5", 1}, // only "." separates decimals
                      ValCase{"e5", 0}, ValCase{"'5'", 0}, ValCase{"0x10", 0}, ValCase{"1e-400", 0},
                      ValCase{"12+3", 12}, ValCase{"3=3", 3},
                      ValCase{"\xC2\xB1"
                              "5",
                              0}));

INSTANTIATE_TEST_SUITE_P(HexAndOctal, ValOfTest,
                         ::testing::Values(ValCase{"&HFF", 255}, ValCase{"&hff", 255},
                                           ValCase{"&HFFFF", -1}, ValCase{"&H7FFF", 32767},
                                           ValCase{"&H8000", -32768},
                                           ValCase{"&H0FFFF", 65535}, // five digits: 32-bit
                                           ValCase{"&H10000", 65536}, ValCase{"&HFFFFFFFF", -1},
                                           ValCase{"&H80000000", -2147483648.0},
                                           ValCase{"&H7FFFFFFF", 2147483647}, ValCase{"&O17", 15},
                                           ValCase{"&o777", 511}, ValCase{"&HFFxyz", 255},
                                           ValCase{"&H", 0}, ValCase{"&HG", 0}, ValCase{"&O8", 0},
                                           ValCase{" &H FF ", 255}));

TEST(ValOfRange, NumbersBeyondTheDoubleRangeThrow) {
    for (const char* text : {"1e400", "-1e400", "1 e 4 0 0", "1e309"})
        EXPECT_THROW(ValOf(text), ArithmeticError) << text;
    EXPECT_DOUBLE_EQ(ValOf("1e308"), 1e308);
}

struct TextCase {
    double x;
    std::string expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.x;
}

class PlainNumberTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(PlainNumberTextTest, Writes) {
    EXPECT_EQ(PlainNumberText(GetParam().x), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PlainNumberTextTest,
    ::testing::Values(
        TextCase{0, " 0"}, TextCase{-0.0, " 0"}, TextCase{7, " 7"}, TextCase{-7, "-7"},
        TextCase{0.5, " .5"}, TextCase{-0.25, "-.25"}, TextCase{1.5, " 1.5"}, TextCase{100, " 100"},
        TextCase{1.0 / 3, " .333333333333333"}, TextCase{2.0 / 3, " .666666666666667"},
        TextCase{-2.0 / 3, "-.666666666666667"}, TextCase{0.1 + 0.2, " .3"},
        TextCase{123456789012345.0, " 123456789012345"},
        TextCase{123456789.123456789, " 123456789.123457"},
        TextCase{3.14159265358979323846, " 3.14159265358979"}, TextCase{0.001, " .001"},
        TextCase{7e11, " 700000000000"}, TextCase{1e20, " 1E+20"}, TextCase{-1e20, "-1E+20"},
        TextCase{1.5e20, " 1.5E+20"}, TextCase{1e-20, " 1E-20"}, TextCase{-1.25e-20, "-1.25E-20"},
        TextCase{1e300, " 1E+300"}, TextCase{1e100 / 3, " 3.33333333333333E+99"},
        TextCase{1.7976931348623157e308, " 1.79769313486232E+308"}));

struct LocaleCase {
    double x;
    char separator;
    std::string expected;
};

void PrintTo(const LocaleCase& c, std::ostream* os) {
    *os << c.x << " with '" << c.separator << "'";
}

class LocaleNumberTextTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleNumberTextTest, Writes) {
    EXPECT_EQ(LocaleNumberText(GetParam().x, GetParam().separator), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, LocaleNumberTextTest,
    ::testing::Values(LocaleCase{0.5, '.', "0.5"}, LocaleCase{-0.25, '.', "-0.25"},
                      LocaleCase{7, '.', "7"}, LocaleCase{-7, '.', "-7"}, LocaleCase{0, '.', "0"},
                      LocaleCase{-0.0, '.', "0"}, LocaleCase{100, '.', "100"},
                      LocaleCase{std::sqrt(2.0), '.', "1.4142135623731"},
                      LocaleCase{std::exp(1.0), '.', "2.71828182845905"},
                      LocaleCase{1.0 / 3, '.', "0.333333333333333"}, LocaleCase{1e20, '.', "1E+20"},
                      LocaleCase{1e-20, '.', "1E-20"}, LocaleCase{1.5, ',', "1,5"},
                      LocaleCase{0.5, ',', "0,5"}, LocaleCase{-0.25, ',', "-0,25"},
                      LocaleCase{std::sqrt(2.0), ',', "1,4142135623731"},
                      LocaleCase{1.5e20, ',', "1,5E+20"}, LocaleCase{42, ',', "42"}));

// Restores the process locale however the test ends.
class ScopedLocale {
public:
    ScopedLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~ScopedLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool TryComma() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "nl_NL.UTF-8", "it_IT.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::localeconv()->decimal_point[0] == ',')
                return true;
        }
        return false;
    }

private:
    std::string saved_;
};

TEST(NumberTextLocale, ACommaProcessLocaleChangesNothing) {
    ScopedLocale locale;
    if (!locale.TryComma()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_DOUBLE_EQ(ValOf("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ValOf("1,5"), 1);
    EXPECT_DOUBLE_EQ(ValOf("2.5e2"), 250);
    EXPECT_EQ(PlainNumberText(1.5), " 1.5");
    EXPECT_EQ(PlainNumberText(-0.25), "-.25");
    EXPECT_EQ(LocaleNumberText(0.5, '.'), "0.5");
    EXPECT_EQ(EvalExpression("0.5+1", 0), "1.5");
    EXPECT_EQ(EvalExpression("1/4", 0), ".25");
    EXPECT_EQ(EvalExpression("2^0.5", 0, '.'), "1.4142135623731");
}

} // namespace
} // namespace talvex
