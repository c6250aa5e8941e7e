// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "log-target-kind.h"

#include <algorithm>
#include <cstddef>

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

char16_t asciiUpper(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// `upperAscii` is written in capitals.
bool equalsIgnoringCase(std::u16string_view text, std::u16string_view upperAscii) {
    if (text.size() != upperAscii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciiUpper(text[i]) != upperAscii[i]) return false;
    }
    return true;
}

// The component of `path` from `start` on, up to a separator or the end; in a
// verbatim path only "\" separates.
std::u16string_view componentAt(std::u16string_view path, std::size_t start, bool verbatim) {
    std::size_t end = start;
    while (end < path.size() && !(verbatim ? path[end] == u'\\' : isSeparator(path[end]))) ++end;
    return path.substr(start, end - start);
}

bool isConsoleName(std::u16string_view name) {
    return equalsIgnoringCase(name, u"CON") || equalsIgnoringCase(name, u"CONOUT$");
}

// Windows counts the Latin-1 superscripts one to three as digits in port names.
bool isSuperscriptDigit(char16_t unit) {
    return unit == u'\u00B9' || unit == u'\u00B2' || unit == u'\u00B3';
}

// COM1-COM9 and LPT1-LPT9 are names in every folder; COM10 and above are
// reached only through the device namespace, where `anyNumber` is set.
bool isPortName(std::u16string_view name, bool anyNumber) {
    if (name.size() < 4) return false;
    const std::u16string_view stem = name.substr(0, 3);
    if (!equalsIgnoringCase(stem, u"COM") && !equalsIgnoringCase(stem, u"LPT")) return false;
    const std::u16string_view number = name.substr(3);
    if (number.size() == 1 && isSuperscriptDigit(number[0])) return true;
    if (number[0] < u'1' || number[0] > u'9') return false;
    if (!anyNumber) return number.size() == 1;
    return std::all_of(number.begin(), number.end(),
                       [](char16_t unit) { return unit >= u'0' && unit <= u'9'; });
}

bool isVerbatimPrefix(std::u16string_view path) {
    return path.substr(0, 4) == u"\\\\?\\";
}

}  // namespace

LogTargetKind logTargetKind(std::u16string_view path) {
    if (isConsoleName(path)) return LogTargetKind::Console;
    if (isPortName(path, false)) return LogTargetKind::Port;
    if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) {
        return LogTargetKind::File;
    }
    const bool verbatim = isVerbatimPrefix(path);
    // \\host\rest: the host is "." or "?" (the device namespace) or a server's name.
    const std::u16string_view host = componentAt(path, 2, false);
    std::size_t next = 2 + host.size() + 1;
    if (host.empty() || next >= path.size()) return LogTargetKind::File;
    const std::u16string_view rest = path.substr(next);
    if (host == u"." && isConsoleName(rest)) return LogTargetKind::Console;
    if ((host == u"." || host == u"?") && isPortName(rest, true)) return LogTargetKind::Port;
    const std::u16string_view share = componentAt(path, next, verbatim);
    next += share.size() + 1;
    if (equalsIgnoringCase(share, u"PIPE") && next < path.size()) return LogTargetKind::NamedPipe;
    return LogTargetKind::File;
}
