// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "file-appender.h"

#include <stdexcept>
#include <utility>

FileAppender::FileAppender(std::string path) : path_(std::move(path)) {
    open();
    if (!stream_.good()) throw std::invalid_argument("Failed to open " + path_);
    close();
}

std::ostream& FileAppender::open() {
    if (file_.open(path_)) {
        stream_.clear();
    } else {
        stream_.setstate(std::ios::failbit);
    }
    return stream_;
}

void FileAppender::close() {
    if (!file_.close()) stream_.setstate(std::ios::failbit);
}
