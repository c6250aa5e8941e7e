// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The result of the processor query: logical processors per package, in the
// order the system reports the packages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using CoreCounts = std::vector<std::int32_t>;

// "[8,8]": the counts in order, comma-separated, in brackets; "[]" when empty.
std::string formatCounts(const CoreCounts& counts);
