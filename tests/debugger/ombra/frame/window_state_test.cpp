// The placement text kept in the settings.
#include "window_state.h"

#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

TEST(WindowPlacementText, TenIntegersGiveThePlacement) {
    const auto placement = ParsePlacement("2 3 -1 -1 -8 -8 10 20 810 620");
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->flags, 2);
    EXPECT_EQ(placement->showCommand, 3);
    EXPECT_EQ(placement->maximisedPosition, QPoint(-8, -8));
    EXPECT_EQ(placement->normal, QRect(10, 20, 800, 600));
    EXPECT_EQ(FormatPlacement(*placement), "2 3 -1 -1 -8 -8 10 20 810 620");
    // "%i" also reads hexadecimal.
    EXPECT_TRUE(ParsePlacement("0 1 0 0 0 0 0x10 0 100 100"));
}

TEST(WindowPlacementText, AnythingElseIsIgnored) {
    EXPECT_FALSE(ParsePlacement(""));
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 810"));
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 810 620 5"));
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 810 620x"));
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 abc 620"));
    // A rectangle without a size would hide the window.
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 10 620"));
    EXPECT_FALSE(ParsePlacement("0 1 -1 -1 -1 -1 10 20 810 5"));
}

} // namespace
} // namespace corvid::ombra
