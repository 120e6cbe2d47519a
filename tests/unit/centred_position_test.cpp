#include <gtest/gtest.h>
#include "core/centred_position.h"

namespace {

TEST(CentredPosition, CentresTruncatingTowardZeroAndKeepsOnTheScreen) {
    const struct { int start, reference, length, screen, expected; } rows[] = {
        {100, 600, 200, 1024, 300},
        {80, 400, 101, 768, 229},
        {500, 100, 201, 1024, 450},    // -101 halves to -50, not -51
        {924, 200, 300, 1024, 724},    // would pass the right edge: ends at it
        {-80, 100, 300, 1024, 0},      // would start before the screen
        {500, 400, 1224, 1024, -200},  // wider than the screen: starts positive, ends at the right edge
        {0, 1024, 1024, 1024, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CentredPosition(row.start, row.reference, row.length, row.screen), row.expected)
            << row.start << " " << row.reference << " " << row.length;
    }
}

}  // namespace
