// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Fuzzes the path resolver (joinResolved, fullPathName) and the long-path
// conversion (extendedLengthPath) for properties that hold whatever the input:
// - a resolved path begins with its root unchanged: ".." never climbs above
//   it, so the result is never shorter than the root;
// - after the root: only "\" separates, never two in a row, no "." name, and
//   a ".." name only where a "..." lost its trailing dot;
// - "x\..\", ".\" and "..\" (at the root) in front change nothing, nor does
//   "/" for "\"; a relative path resolves as its current folder joined to it;
// - the conversion gives its input unchanged or a \\?\ form with no "/" and
//   no "." or ".." name, under the input's own drive or share; converting
//   again, or converting the same path with the prefix taken off, changes
//   nothing.
// The first byte picks what is checked (its top two bits), a root and a
// current folder; for the conversion, the second byte is a run of padding that
// makes long paths easy to reach. Each further byte is one unit from a small
// alphabet of the units that matter to the rules.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "extended-length-path.h"

namespace {

const char16_t alphabet[16] = {u'\\', u'/', u'.', u'.', u' ',  u'a', u'b', u'c',
                               u':',  u'?', u'C', u'x', u'\\', u'/', u'.', 0x00e9};

const std::u16string_view roots[] = {u"C:\\",    u"\\\\server\\share\\", u"\\\\?\\",
                                     u"\\\\.\\", u"\\\\?\\UNC\\",        u"q:\\"};
const std::u16string_view currentFolders[] = {u"C:\\work\\dir", u"C:\\", u"\\\\server\\share\\cwd",
                                              u"d:\\x y.\\z"};

void require(bool property) {
    if (!property) std::abort();
}

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::u16string withBackslashes(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit == u'/') unit = u'\\';
    }
    return text;
}

// Names between separators; `text` uses "\" alone.
int countNames(std::u16string_view text, std::u16string_view name, bool withFollowingSeparator) {
    int count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isSeparator(text[i])) {
            if (text.substr(start, i - start) == name &&
                (!withFollowingSeparator || i < text.size()))
                ++count;
            start = i + 1;
        }
    }
    return count;
}

// What follows the root: backslashes only, none doubled or first, no "."
// name, and no more ".." names than "..." names that had a separator after
// them in `rest`.
void checkResolvedTail(std::u16string_view tail, std::u16string_view rest) {
    for (std::size_t i = 0; i < tail.size(); ++i) {
        require(tail[i] != u'/');
        if (tail[i] == u'\\') require(i > 0 && tail[i - 1] != u'\\');
    }
    require(countNames(tail, u".", false) == 0);
    const std::u16string slashes = withBackslashes(std::u16string(rest));
    require(countNames(tail, u"..", false) <= countNames(slashes, u"...", true));
    // A path that ends in a name has no trailing dot or space.
    if (!tail.empty() && tail.back() != u'\\') require(tail.back() != u'.' && tail.back() != u' ');
}

void checkJoinResolved(std::u16string_view root, std::u16string_view rest) {
    const std::u16string resolved = joinResolved(std::u16string(root), rest);
    require(startsWith(resolved, root));
    checkResolvedTail(std::u16string_view(resolved).substr(root.size()), rest);
    const std::u16string restString(rest);
    require(joinResolved(std::u16string(root), u"x\\..\\" + restString) == resolved);
    require(joinResolved(std::u16string(root), u"..\\" + restString) == resolved);
    require(joinResolved(std::u16string(root), u".\\" + restString) == resolved);
    require(joinResolved(std::u16string(root), withBackslashes(restString)) == resolved);
}

bool onlySpaces(std::u16string_view path) {
    for (const char16_t unit : path) {
        if (unit != u' ') return false;
    }
    return true;
}

void checkFullPathName(std::u16string_view path, std::u16string_view currentFolder) {
    const std::u16string full = fullPathName(path, currentFolder);
    require(full.empty() == onlySpaces(path));
    if (full.empty()) return;
    const bool rooted = isSeparator(path[0]);
    const bool drive = !rooted && path.size() >= 2 && path[1] == u':';
    if (rooted && path.size() >= 4 && isSeparator(path[1]) &&
        (path[2] == u'.' || path[2] == u'?') && isSeparator(path[3])) {
        std::u16string prefix = u"\\\\";
        prefix += path[2];
        prefix += u'\\';
        require(startsWith(full, prefix));
    } else if (drive && path.size() >= 3 && isSeparator(path[2])) {
        require(startsWith(full, std::u16string(path.substr(0, 2)) + u"\\"));
    } else if (!rooted && !drive) {
        // The current folder's root stays; the folder itself joined in front
        // of the path resolves the same.
        const std::u16string_view folderRoot =
            currentFolder[0] == u'\\' ? currentFolder.substr(0, 15) : currentFolder.substr(0, 3);
        require(startsWith(full, folderRoot));
        std::u16string joined(currentFolder);
        if (joined.back() != u'\\') joined += u'\\';
        joined.append(path);
        require(fullPathName(joined, u"Q:\\elsewhere") == full);
        require(fullPathName(u"x\\..\\" + std::u16string(path), currentFolder) == full);
    }
}

// The first two names of `path`, separators of either kind and runs of them
// skipped: a UNC path's server and share.
std::u16string serverAndShare(std::u16string_view path) {
    std::u16string names;
    int found = 0;
    std::size_t i = 0;
    while (found < 2 && i < path.size()) {
        while (i < path.size() && isSeparator(path[i])) ++i;
        const std::size_t start = i;
        while (i < path.size() && !isSeparator(path[i])) ++i;
        if (i == start) break;
        names.append(path.substr(start, i - start)) += u'\\';
        ++found;
    }
    return names;
}

void checkExtendedLengthPath(std::u16string_view path) {
    const std::u16string converted = extendedLengthPath(path);
    require(extendedLengthPath(converted) == converted);
    if (converted == path) return;
    require(path.size() >= maxPathUnits);
    std::size_t rootLength = 0;  // in `converted`
    std::u16string plain;        // the same path without the prefix
    std::size_t plainRootLength = 0;
    if (startsWith(converted, u"\\\\?\\UNC\\")) {
        // \\?\UNC\server\share\ for \\server\share\: the share is the root.
        const std::u16string names = serverAndShare(path);
        require(startsWith(std::u16string_view(converted).substr(8), names));
        rootLength = 8 + names.size();
        plain = u"\\\\" + converted.substr(8);
        plainRootLength = rootLength - 6;
    } else {
        require(startsWith(converted, u"\\\\?\\") && converted.size() >= 7);
        require(converted.substr(4, 3) == withBackslashes(std::u16string(path.substr(0, 3))));
        rootLength = 7;
        plain = converted.substr(4);
        plainRootLength = 3;
    }
    require(converted.size() >= rootLength);
    const std::u16string_view tail = std::u16string_view(converted).substr(rootLength);
    for (std::size_t i = 0; i < tail.size(); ++i) {
        require(tail[i] != u'/');
        if (tail[i] == u'\\') require(i > 0 && tail[i - 1] != u'\\');
    }
    require(countNames(tail, u".", false) == 0 && countNames(tail, u"..", false) == 0);
    // Converting the result's own path again, or with a name taken back right
    // after its root, changes nothing.
    if (plain.size() >= maxPathUnits) require(extendedLengthPath(plain) == converted);
    const std::u16string detour =
        plain.substr(0, plainRootLength) + u"x\\..\\" + plain.substr(plainRootLength);
    if (detour.size() >= maxPathUnits) require(extendedLengthPath(detour) == converted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t pick = data[0];
    const int check = pick >> 6;
    // Only the conversion needs long paths; the rest runs faster without.
    std::u16string rest(check >= 2 ? data[1] : 0, u'p');
    for (std::size_t i = 2; i < size; ++i) rest += alphabet[data[i] & 15];

    const std::u16string_view root = roots[pick % std::size(roots)];
    const std::u16string_view currentFolder =
        currentFolders[(pick / 8) % std::size(currentFolders)];
    const std::u16string rooted = std::u16string(root) + rest;
    switch (check) {
        case 0:
            checkJoinResolved(root, rest);
            break;
        case 1:
            // The units as a path of their own, and after a root.
            checkFullPathName(rest, currentFolder);
            checkFullPathName(rooted, currentFolder);
            break;
        default:
            // After a root, as it stands and as GetFullPathNameW would give it.
            checkExtendedLengthPath(rooted);
            checkExtendedLengthPath(fullPathName(rooted, currentFolder));
            break;
    }
    return 0;
}
