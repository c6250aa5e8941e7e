// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The sink that a Logger writes its records to.
#pragma once

#include <ostream>

class Appender {
  public:
    Appender() = default;
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    // Prepares the sink for one record (or the start banner) and returns the
    // stream to write it to; the caller checks the stream's state.
    virtual std::ostream& open() = 0;
    // Ends the record: flushes or closes.
    virtual void close() = 0;
    virtual ~Appender() = default;
};
