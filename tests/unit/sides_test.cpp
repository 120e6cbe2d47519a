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
        for (PipelineRequest request : {traits.preview_request, traits.convert_request, traits.copy_request}) {
            EXPECT_EQ(SideReadBy(request), side) << static_cast<std::uint32_t>(request);
        }
    }
    EXPECT_EQ(SideOfList(0), std::nullopt);
    EXPECT_EQ(SideReadBy(PipelineRequest{0}), std::nullopt);
    EXPECT_EQ(SideReadBy(PipelineRequest{5}), std::nullopt);
}

}  // namespace
