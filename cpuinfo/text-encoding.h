// Lossless conversion between Windows' UTF-16 strings and 8-bit strings.
// Well-formed UTF-16 becomes UTF-8; an unpaired surrogate, which Windows
// allows in file names, is kept as its own three-byte form (WTF-8) so that
// converting back gives the original units.
#pragma once

#include <string>
#include <string_view>

std::string wtf8FromUtf16(std::u16string_view utf16);

// Decodes what wtf8FromUtf16 produces. A byte that starts no valid sequence
// becomes U+FFFD.
std::u16string utf16FromWtf8(std::string_view wtf8);
