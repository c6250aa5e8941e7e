// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Lossless conversion between UTF-16 and UTF-8 / WTF-8.
#include "text-encoding.h"

#include <cstdint>

namespace {

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

}  // namespace

std::string wtf8FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = utf16[i];
        if (isHighSurrogate(unit) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1])) {
            const char32_t low = utf16[++i];
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

namespace {

// Decodes `wtf8`; a byte that starts no valid sequence becomes U+FFFD, or,
// when `exact`, ends the decoding with false.
// Bytes and size rather than a view: 64-bit Windows passes a view by the address of a stack
// copy, a frame address in the two thin callers below that the stack protector leaves unguarded.
bool decodeWtf8(const char* bytes, std::size_t size, bool exact, std::u16string& out) {
    const std::string_view wtf8(bytes, size);
    out.clear();
    out.reserve(wtf8.size());
    std::size_t i = 0;
    while (i < wtf8.size()) {
        const auto lead = static_cast<unsigned char>(wtf8[i]);
        std::size_t length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1, code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1Fu, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0Fu, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07u, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= wtf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto byte = static_cast<unsigned char>(wtf8[i + k]);
            valid = isContinuation(byte);
            code = (code << 6) | (byte & 0x3Fu);
        }
        if (valid && (code < minimum || code > 0x10FFFF)) valid = false;
        // A lone low surrogate right after a lone high one would make a pair,
        // which has a four-byte form of its own. (A high surrogate ends `out`
        // only when it was written alone: a pair ends in its low half.)
        if (valid && exact && isLowSurrogate(code) && !out.empty() && isHighSurrogate(out.back()))
            valid = false;
        if (!valid) {
            if (exact) return false;
            out += u'\uFFFD';
            ++i;
            continue;
        }
        appendUtf16(out, code);
        i += length;
    }
    return true;
}

}  // namespace

std::u16string utf16FromWtf8(std::string_view wtf8) {
    std::u16string out;
    decodeWtf8(wtf8.data(), wtf8.size(), false, out);
    return out;
}

std::optional<std::u16string> utf16FromWtf8Exact(std::string_view wtf8) {
    std::u16string out;
    if (!decodeWtf8(wtf8.data(), wtf8.size(), true, out)) return std::nullopt;
    return out;
}
