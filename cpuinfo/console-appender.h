// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Writes log records to standard output, the stream of the result line.
#pragma once

#include "appender.h"

class ConsoleAppender final : public Appender {
  public:
    std::ostream& open() override;
    // A failed flush leaves standard output bad, which silences later records.
    void close() override;
};
