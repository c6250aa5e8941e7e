// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "core-counts.h"

std::string formatCounts(const CoreCounts& counts) {
    std::string text = "[";
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (i != 0) text += ',';
        text += std::to_string(counts[i]);
    }
    text += ']';
    return text;
}
