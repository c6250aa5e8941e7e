// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Lossless conversion between Windows' UTF-16 strings and 8-bit strings.
// Well-formed UTF-16 becomes UTF-8; an unpaired surrogate, which Windows
// allows in file names, is kept as its own three-byte form (WTF-8) so that
// converting back gives the original units.
#pragma once

#include <optional>
#include <string>
#include <string_view>

std::string wtf8FromUtf16(std::u16string_view utf16);

// Decodes what wtf8FromUtf16 produces. A byte that starts no valid sequence
// becomes U+FFFD.
std::u16string utf16FromWtf8(std::string_view wtf8);

// The UTF-16 that `wtf8` encodes, or nothing when wtf8FromUtf16 never gives
// these bytes: a byte that starts no sequence, a sequence cut short, an
// overlong one, one past U+10FFFF, or a surrogate pair written as two
// three-byte sequences (WTF-8 writes a pair as its one four-byte form). What
// it accepts encodes back to the same bytes.
std::optional<std::u16string> utf16FromWtf8Exact(std::string_view wtf8);
