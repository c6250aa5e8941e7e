// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "append-file-buffer.h"

#include <cstring>

AppendFileBuffer::~AppendFileBuffer() {
    close();
}

bool AppendFileBuffer::open(const std::string& path) {
    if (isOpen()) close();
    return file_.open(path);
}

bool AppendFileBuffer::close() {
    if (!isOpen()) return false;
    const bool flushed = sync() == 0;
    const bool closed = file_.close();
    pending_.clear();
    return flushed && closed;
}

AppendFileBuffer::int_type AppendFileBuffer::overflow(int_type ch) {
    if (!isOpen()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        const char c = traits_type::to_char_type(ch);
        append(&c, 1);
    }
    return traits_type::not_eof(ch);
}

std::streamsize AppendFileBuffer::xsputn(const char* text, std::streamsize count) {
    if (!isOpen() || count <= 0) return 0;
    append(text, static_cast<std::size_t>(count));
    return count;
}

int AppendFileBuffer::sync() {
    if (!isOpen()) return -1;
    if (pending_.empty()) return 0;
    const bool appended = file_.append(pending_.data(), pending_.size());
    // Dropped either way: a record that failed is not retried into the next.
    pending_.clear();
    return appended ? 0 : -1;
}

void AppendFileBuffer::append(const char* text, std::size_t count) {
    constexpr std::size_t lineEndSize = sizeof platform::textLineEnd - 1;
    const char* const end = text + count;
    while (text != end) {
        const char* newline =
            static_cast<const char*>(std::memchr(text, '\n', static_cast<std::size_t>(end - text)));
        if (newline == nullptr) {
            pending_.append(text, end);
            return;
        }
        pending_.append(text, newline);
        pending_.append(platform::textLineEnd, lineEndSize);
        text = newline + 1;
    }
}
