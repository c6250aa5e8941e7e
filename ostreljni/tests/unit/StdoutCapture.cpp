// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// stdout capture through dup2, so bytes written by any stdio call land in the file.
#include "StdoutCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

StdoutCapture::StdoutCapture() {
    char path[] = "/tmp/ostreljni-stdout-XXXXXX";
    file_ = mkstemp(path);
    if (file_ < 0) {
        throw std::runtime_error("cannot create a capture file");
    }
    unlink(path);
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    dup2(file_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    close(file_);
}

std::string StdoutCapture::text() {
    std::fflush(stdout);
    std::string bytes;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(file_, buffer, sizeof buffer, offset);
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return bytes;
}
