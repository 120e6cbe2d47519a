#include <gtest/gtest.h>
#include "core/sides.h"

namespace {

// Every lookup leads back to the row it came from, and nothing else finds a side.
TEST(SideTable, LookupsFindTheirOwnRowAndNothingElse) {
    for (Side side : kBothSides) {
        const SideTraits& traits = TraitsOf(side);
        EXPECT_EQ(traits.side, side);
        EXPECT_EQ(TraitsOf(traits.other).other, side);
        EXPECT_NE(traits.other, side);
        EXPECT_EQ(SideOfList(traits.list_id), side);
        for (std::uint32_t mode : {traits.preview_mode, traits.convert_mode, traits.copy_mode}) {
            EXPECT_EQ(SideReadBy(mode), side) << mode;
        }
    }
    EXPECT_EQ(SideOfList(0), std::nullopt);
    EXPECT_EQ(SideReadBy(0), std::nullopt);
    EXPECT_EQ(SideReadBy(5), std::nullopt);
}

}  // namespace
