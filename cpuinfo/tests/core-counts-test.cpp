// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include <gtest/gtest.h>

#include <limits>

#include "core-counts.h"

namespace {

TEST(FormatCounts, RendersListsOfEveryLength) {
    EXPECT_EQ(formatCounts({}), "[]");
    EXPECT_EQ(formatCounts({8}), "[8]");
    EXPECT_EQ(formatCounts({12, 12}), "[12,12]");
    EXPECT_EQ(formatCounts({0, 1, 64, 1024}), "[0,1,64,1024]");
}

TEST(FormatCounts, WritesPlainSignedDecimals) {
    EXPECT_EQ(formatCounts({-1, 10, 100000}), "[-1,10,100000]");
    EXPECT_EQ(formatCounts({std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max()}),
              "[-2147483648,2147483647]");
}

}  // namespace
