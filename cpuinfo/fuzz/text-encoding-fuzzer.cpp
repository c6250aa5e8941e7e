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
//   that accepts; it never gives more units than there are bytes.
// The input is read both ways: as UTF-16 units (two bytes each, low first)
// and as bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text-encoding.h"

namespace {

void checkUtf16(const std::uint8_t* data, std::size_t size) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    const std::string wtf8 = wtf8FromUtf16(units);
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
