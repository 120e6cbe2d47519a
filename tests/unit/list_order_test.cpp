#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "core/list_order.h"

namespace {

// Each row is in the order a list view sorted ascending showed it under Wine;
// sorted from its reverse and from a rotation it must come out the same.
TEST(ListOrder, NamesComeInTheOrderTheListsShowThem) {
    const std::vector<std::vector<std::string>> rows = {
        {"''", "-", "--", " x", "!x", "\"x", "#x", "$x", "%x", "&x", "(x", ")x", "*x", ",x", ".x", "/x", ":x", ";x",
         "?x", "@x", "[x", "\\x", "]x", "^x", "_x", "`x", "{x", "|x", "}x", "~x", "+x", "<x", "=x", ">x", "0", "0x",
         "1", "1x", "9", "9x", "a", "'a", "-a", "A", "a b", "a.", "a.b.bmp", "a.bmp", "a_.bmp", "a_b", "a1", "a10",
         "a2", "ab", "aB", "Ab", "AB", "ab.bmp", "a'b.bmp", "a-b.bmp", "ac", "a-c", "a'z", "B", "coop", "co-op", "q",
         "'x", "-x", "xx", "z", "Z"},
        {"a", "a'", "a''", "a'-", "a-", "a-'", "'-a", "-a", "-'a", "a\tb", "ab", "ab'", "ab-", "a\x01" "b", "a\x1f" "b",
         "a'b", "a-b", "a--b", "'ab", "-ab", "-a-b", "--ab", "aB", "a-B", "Ab", "A-b", "-Ab", "AB-"},
    };
    for (const std::vector<std::string>& expected : rows) {
        std::vector<std::string> reversed(expected.rbegin(), expected.rend());
        std::vector<std::string> rotated = expected;
        std::rotate(rotated.begin(), rotated.begin() + static_cast<std::ptrdiff_t>(rotated.size() / 3), rotated.end());
        SortAsListsDo(reversed);
        SortAsListsDo(rotated);
        EXPECT_EQ(reversed, expected);
        EXPECT_EQ(rotated, expected);
    }
    EXPECT_EQ(CompareListNames("Plane.bmp", "Plane.bmp"), 0);
    EXPECT_LT(CompareListNames("z", "\xE9"), 0);  // beyond ASCII: after every ASCII character
}

}  // namespace
