#include <gtest/gtest.h>

#include "offline/frame_export.h"

namespace {

TEST(BenchPositions, EvenlySpacedFromFirstToLast) {
    EXPECT_EQ(benchPositionMs(10000, 20000, 1, 0), 10000);
    EXPECT_EQ(benchPositionMs(10000, 20000, 2, 0), 10000);
    EXPECT_EQ(benchPositionMs(10000, 20000, 2, 1), 20000);
    EXPECT_EQ(benchPositionMs(0, 1000, 4, 1), 333);
    EXPECT_EQ(benchPositionMs(0, 1000, 4, 2), 667);
    EXPECT_EQ(benchPositionMs(0, 1000, 4, 3), 1000);
    EXPECT_EQ(benchPositionMs(5000, 5000, 10, 9), 5000);
    EXPECT_EQ(benchPositionMs(0, 324999, 100000, 99999), 324999);
}

} // namespace
