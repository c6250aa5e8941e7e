// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Fuzzes the conversions between UTF-16 and WTF-8 against their contract:
// - wtf8FromUtf16 takes any UTF-16, unpaired surrogates included, and
//   utf16FromWtf8 and utf16FromWtf8Exact give every unit of it back;
// - utf16FromWtf8Exact takes exactly the bytes wtf8FromUtf16 can give: what it
//   accepts encodes back to the same bytes, and what it refuses does not come
//   back from the lenient decoder either;
// - utf16FromWtf8 accepts anything and agrees with the exact decoder wherever
//   that accepts; it never gives more units than there are bytes;
// - a surrogate takes its three-byte form exactly when it is unpaired: a
//   high one (D800-DBFF) not followed by a low one (DC00-DFFF), or a low one
//   not after a high one. Well-formed UTF-16 thus gives well-formed UTF-8.
// The input is read both ways: as UTF-16 units (two bytes each, low first)
// and as bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text-encoding.h"

namespace {

bool isHigh(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLow(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void checkUtf16(const std::uint8_t* data, std::size_t size) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    const std::string wtf8 = wtf8FromUtf16(units);
    std::size_t unpaired = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (isHigh(units[i]) && i + 1 < units.size() && isLow(units[i + 1])) {
            ++i;
        } else if (isHigh(units[i]) || isLow(units[i])) {
            ++unpaired;
        }
    }
    // ED A0-BF starts the three-byte form of a surrogate, and nothing else.
    std::size_t threeByteSurrogates = 0;
    for (std::size_t i = 0; i + 1 < wtf8.size(); ++i) {
        if (static_cast<unsigned char>(wtf8[i]) == 0xED &&
            static_cast<unsigned char>(wtf8[i + 1]) >= 0xA0)
            ++threeByteSurrogates;
    }
    if (threeByteSurrogates != unpaired) std::abort();
    // One to three bytes a unit; a pair's two units take four.
    if (wtf8.size() < units.size() || wtf8.size() > 3 * units.size()) std::abort();
    if (utf16FromWtf8(wtf8) != units) std::abort();
    const std::optional<std::u16string> exact = utf16FromWtf8Exact(wtf8);
    if (!exact || *exact != units) std::abort();
}

void checkBytes(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string lenient = utf16FromWtf8(bytes);
    if (lenient.size() > bytes.size()) std::abort();
    const std::optional<std::u16string> exact = utf16FromWtf8Exact(bytes);
    if (exact) {
        if (wtf8FromUtf16(*exact) != bytes || lenient != *exact) std::abort();
    } else if (wtf8FromUtf16(lenient) == bytes) {
        // Refused, though some UTF-16 gives exactly these bytes.
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkUtf16(data, size);
    checkBytes(data, size);
    return 0;
}
