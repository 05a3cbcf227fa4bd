// The assignment-list parser on friendly and hostile lists.
#include "engine/assign_list.h"

#include "macromath/variable_store.h"
#include "tests/macromath/store_contents.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talvex {
namespace {

using Vars = testing::StorePairs;

struct ListCase {
    const char* name;
    std::string list;
    Vars expected; // every variable of the store afterwards, in creation order
};

void PrintTo(const ListCase& c, std::ostream* os) {
    testing::PrintQuoted(c.list, os);
}

class AssignListCase : public ::testing::TestWithParam<ListCase> {};

TEST_P(AssignListCase, SetsExactlyTheseVariables) {
    VariableStore store;
    AssignList(GetParam().list, store);
    EXPECT_EQ(testing::StoreContents(store), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AssignListCase,
    ::testing::Values(
        ListCase{"Mixed", "@a=1, @b='x, y'; @c = 3", {{"@a", "1"}, {"@b", "'x, y'"}, {"@c", "3"}}},
        ListCase{"HostReplyLines", "a=1\r\nb=two words\r\n", {{"a", "1"}, {"b", "two words"}}},
        ListCase{
            "DoubleQuotesKeepSeparators", "m=\"a;b=c\", n=2", {{"m", "\"a;b=c\""}, {"n", "2"}}},
        ListCase{
            "UnterminatedQuoteEndsAtTheSeparator", "a='open, b=2", {{"a", "'open"}, {"b", "2"}}},
        ListCase{"UnterminatedQuoteAlone", "a='", {{"a", "'"}}},
        ListCase{"EqualsFirst", "=5, b=2", {}}, ListCase{"EqualsLast", "a=", {}},
        ListCase{"MissingValueInTheMiddle", "a=1, b=, c=3", {{"a", "1"}, {"b", ""}, {"c", "3"}}},
        ListCase{"SecondItemWithoutName", "a=1,=2", {{"a", "1"}}},
        ListCase{"TrailingSeparatorIsNotPartOfTheValue", "a=1, b=2;", {{"a", "1"}, {"b", "2"}}},
        ListCase{"EqualsAtBothEnds", "=a=1=", {}},
        ListCase{"NameAfterTheLastDelimiter", "set (x y)+z=4", {{"z", "4"}}},
        ListCase{"PlusMinusSplitsTheErrorBar",
                 "v = 1.5 ± 0.1, w=2",
                 {{"v.err", "0.1"}, {"v", "1.5"}, {"w", "2"}}},
        ListCase{"PlusMinusInTheName", "a±b=1", {{"b", "1"}}},
        ListCase{"PlusMinusAtTheEndStaysInTheValue", "r=1±", {{"r", "1±"}}},
        ListCase{"LineBreakInsideQuotes", "k='a\r\nb', z=1", {{"k", "'a"}, {"z", "1"}}},
        ListCase{"LeadingLineBreaksAndMarkers", "\x01\x01 \r\n a=1 \r\n\x01", {{"a", "1"}}},
        ListCase{"ShortTailIsIgnored", "a=1, b", {{"a", "1"}}},
        ListCase{"NoEquals", "just text", {}}, ListCase{"Empty", "", {}}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(AssignList, SelfReferenceOnCreationStoresTheErrorText) {
    VariableStore store;
    AssignList("cnt=cnt+1", store);
    EXPECT_EQ(*store.Find("cnt"), "'err: do not put variable name in right-side expresssion'");
}

TEST(AssignList, ReadsAReplyOfManyFieldsInOnePass) {
    // A "%" reply of 250,000 fields on one line: each item is read where it
    // stands. Copying the rest of the list for every item made this take hours.
    std::string reply;
    for (int i = 0; i < 250000; ++i)
        reply += "v" + std::to_string(i % 1000) + "=" + std::to_string(i) + ",";
    VariableStore store;
    EXPECT_EQ(AssignList(reply, store), 250000);
    EXPECT_EQ(store.VarCount(), 1000);
    EXPECT_EQ(*store.Find("v999"), "249999");
}

} // namespace
} // namespace talvex
