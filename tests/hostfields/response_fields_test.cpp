// Picking fields out of responses: names with and without "=", error bars,
// field names and columns.
#include "hostfields/response_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace talvex {
namespace {

struct ParseCase {
    const char* text;
    const char* name;
    const char* value;
};

TEST(ParseString, PicksTheValueAfterTheName) {
    const ParseCase cases[] = {
        {"v=1.5, w=2", "w=", "2"},
        {"V=1.5, w=2", "v=", "1.5"},      // letter case ignored
        {"a = 3 , b=4", "a =", "3"},      // blanks skipped before, trimmed after
        {"temp 25.5)", "temp", "25.5"},   // name and value separated by blanks
        {"f(x=7)", "x=", "7"},            // ends at ")"
        {"x=", "x=", ""},                 // empty value
        {"abc", "zz", ""},                // not there
        {"ab=1, b=2", "b=", "1"},         // the first occurrence wins, even inside a name
        {"note=a b c", "note=", "a b c"}, // inner blanks stay
        {"r=1\xC2\xB1"
         "2;s=3",
         "r=",
         "1\xC2\xB1"
         "2;s=3"}, // only "," and ")" end a value
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(ParseString(c.text, c.name), c.value) << c.text << " / " << c.name;
}

struct NumberCase {
    const char* text;
    const char* name;
    double value;
};

TEST(FieldValue, ReadsTheLeadingNumberOrNotFound) {
    const NumberCase cases[] = {
        {"v=1.5, w=2", "v=", 1.5},
        {"v=1.5, w=2", "w=", 2},
        {"v=1.5", "missing=", 9e30},
        {"x=, y=1", "x=", 9e30}, // empty value counts as missing
        {"n=abc", "n=", 0},      // no number: 0
        {"n=12abc", "n=", 12},   // leading number only
        {"n=-3e2", "n=", -300},
        {"n=1e999", "n=", 9e30}, // beyond a double: no usable value
        {"volts 4.25", "volts", 4.25},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(FieldValue(c.text, c.name), c.value) << c.text << " / " << c.name;
}

TEST(FieldErrorBar, ReadsTheNumberAfterPlusMinus) {
    const NumberCase cases[] = {
        {"v=1.5\xC2\xB1"
         "0.25, w=2",
         "v=", 0.25},
        {"v=1.5\xC2\xB1"
         "0.25, w=2",
         "w=", 9e30}, // no "±"
        {"v=1.5\xC2\xB1"
         "0.25",
         "u=", 9e30}, // missing
        {"v=\xC2\xB1"
         "3",
         "v=", 3}, // no value before it
        {"v=1\xC2\xB1"
         "2\xC2\xB1"
         "5",
         "v=", 2},                // the first "±" counts
        {"v=1\xC2\xB1", "v=", 0}, // nothing after it
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(FieldErrorBar(c.text, c.name), c.value) << c.text << " / " << c.name;
}

TEST(ParmCount, CountsEqualsSigns) {
    EXPECT_EQ(ParmCount("a=1,b=2,c=3"), 3);
    EXPECT_EQ(ParmCount(""), 0);
    EXPECT_EQ(ParmCount("no fields here"), 0);
    EXPECT_EQ(ParmCount("x==y"), 2);
}

struct NameCase {
    const char* text;
    int index;
    const char* name;
};

TEST(ParmName, NamesTheFieldBeforeEachEquals) {
    const NameCase cases[] = {
        {"a=1, b = 2, c=3", 0, "a"},
        {"a=1, b = 2, c=3", 1, "b"},
        {"a=1, b = 2, c=3", 2, "c"},
        {"a=1, b = 2, c=3", 3, ""}, // fewer fields than asked
        {"f(x=1,y=2)", 0, "x"},
        {"f(x=1,y=2)", 1, "y"},
        {"=5", 0, ""},
        {"long name=1", 0, "long name"},
        {"a=1;b=2", 1, "a=1;b"}, // only "," and "(" separate names
        {"x", -1, ""},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(ParmName(c.text, c.index), c.name) << c.text << " #" << c.index;
}

struct ColumnCase {
    const char* text;
    int index;
    const char* delimiter;
    double value;
};

TEST(SkipColumn, ReadsTheNumberedColumn) {
    const ColumnCase cases[] = {
        {"1,2,3", 0, ",", 1},
        {"1,2,3", 2, ",", 3},
        {"1, 2.5 ,3", 1, ",", 2.5},
        {"1,,3", 1, ",", 0},   // an empty column reads as 0
        {"1,2", 5, ",", 9e30}, // not that many columns
        {"1;2;3", 1, ";", 2},
        {"7", 0, ",", 7},
        {"1\xC2\xB1"
         "2\xC2\xB1"
         "3",
         2, "\xC2\xB1", 3}, // "±" as one delimiter
    };
    for (const ColumnCase& c : cases)
        EXPECT_EQ(SkipColumn(c.text, c.index, c.delimiter), c.value) << c.text << " #" << c.index;
}

} // namespace
} // namespace talvex
