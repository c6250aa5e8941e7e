// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A stream buffer over a file opened for appending. It keeps what is written
// until the stream is flushed and then appends it with one write, so that the
// records of processes appending to the same file at once never interleave or
// overwrite each other. Line ends take the platform's text form.
#pragma once

#include <streambuf>
#include <string>

#include "platform/append-file.h"

class AppendFileBuffer final : public std::streambuf {
  public:
    AppendFileBuffer() = default;
    AppendFileBuffer(const AppendFileBuffer&) = delete;
    AppendFileBuffer& operator=(const AppendFileBuffer&) = delete;
    ~AppendFileBuffer() override;

    // Opens `path` for appending (closing any file open before); false if it
    // cannot be opened.
    bool open(const std::string& path);
    // Appends what is still pending and closes the file; false if either
    // failed or no file was open.
    bool close();
    bool isOpen() const { return file_.isOpen(); }

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

  private:
    void append(const char* text, std::size_t count);

    platform::AppendFile file_;
    std::string pending_;
};
