// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

// Fuzzes the log target's kind. The input is the target in UTF-16LE (an odd
// last byte is dropped). Beyond not crashing, the kind must not depend on the
// case of ASCII letters; outside the verbatim prefix \\?\ (written with
// backslashes) "/" must separate as "\" does, so that turning every "/" into
// "\" keeps the kind, //?/ included; after \\?\ "/" is part of a name, so
// turning it into another character that no special name holds keeps it too.
// The target is classified from a heap copy of its exact size, so that a read
// past its end is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "log-target-kind.h"

namespace {

std::u16string swappedAsciiCase(std::u16string_view path) {
    std::u16string swapped(path);
    for (char16_t& unit : swapped) {
        if (unit >= u'a' && unit <= u'z') {
            unit = static_cast<char16_t>(unit - u'a' + u'A');
        } else if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return swapped;
}

std::u16string replaced(std::u16string_view path, std::size_t from, char16_t was, char16_t now) {
    std::u16string result(path);
    for (std::size_t i = from; i < result.size(); ++i) {
        if (result[i] == was) result[i] = now;
    }
    return result;
}

LogTargetKind kindOfExactCopy(std::u16string_view path) {
    const std::unique_ptr<char16_t[]> copy(new char16_t[path.size()]);
    if (!path.empty()) std::memcpy(copy.get(), path.data(), path.size() * sizeof(char16_t));
    return logTargetKind(std::u16string_view(copy.get(), path.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string path(size / 2, u'\0');
    for (std::size_t i = 0; i < path.size(); ++i) {
        path[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    const LogTargetKind kind = kindOfExactCopy(path);

    if (kindOfExactCopy(swappedAsciiCase(path)) != kind) std::abort();

    const bool verbatim = std::u16string_view(path).substr(0, 4) == u"\\\\?\\";
    if (verbatim) {
        if (kindOfExactCopy(replaced(path, 4, u'/', u'_')) != kind) std::abort();
    } else if (kindOfExactCopy(replaced(path, 0, u'/', u'\\')) != kind) {
        std::abort();
    }
    return 0;
}
