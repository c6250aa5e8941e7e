// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Appends log records to a named file, opening and closing it around every
// record so that no handle is held between records and other processes may
// write the same file. Each record reaches the file in one append.
#pragma once

#include <ostream>
#include <string>

#include "append-file-buffer.h"
#include "appender.h"

class FileAppender final : public Appender {
  public:
    // Creates the file if it is missing and leaves it closed. Throws
    // std::invalid_argument("Failed to open " + path) when it cannot be opened.
    explicit FileAppender(std::string path);

    // Opens the file for appending; on failure the stream is in its fail state.
    std::ostream& open() override;
    // Closes the file; a failed close leaves the fail state for the next open
    // to reset.
    void close() override;

  private:
    AppendFileBuffer file_;
    std::ostream stream_{&file_};
    std::string path_;
};
