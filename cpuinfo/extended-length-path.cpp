// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "extended-length-path.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

bool isDriveLetter(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

char16_t asciiUpper(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// \\?\ and \\.\ (either slash): the caller already chose the namespace.
bool isNamespacePath(std::u16string_view path) {
    return path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
           (path[2] == u'?' || path[2] == u'.') && isSeparator(path[3]);
}

std::vector<std::u16string_view> splitComponents(std::u16string_view path) {
    std::vector<std::u16string_view> components;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start) components.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return components;
}

// `root`, then the names of `rest` joined by "\", with "." dropped and ".."
// taking back the one before it, never climbing above the root; nothing
// else in a name changes. A trailing separator stays.
std::u16string joinDotsResolved(std::u16string root, std::u16string_view rest) {
    std::vector<std::u16string_view> kept;
    for (const std::u16string_view component : splitComponents(rest)) {
        if (component == u".") continue;
        if (component == u"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(component);
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) root += u'\\';
        root.append(kept[i]);
    }
    if (!kept.empty() && !rest.empty() && isSeparator(rest.back())) root += u'\\';
    return root;
}

bool isTrailingTrimmed(char16_t unit) {
    return unit == u'.' || unit == u' ';
}

// The end of a UNC root: past the server, the separators after it, the share
// and the separators after that. `path` starts with its two separators.
std::size_t uncRootEnd(std::u16string_view path) {
    std::size_t end = 2;
    for (int part = 0; part < 2; ++part) {
        while (end < path.size() && !isSeparator(path[end])) ++end;
        while (end < path.size() && isSeparator(path[end])) ++end;
    }
    return end;
}

std::u16string withBackslashes(std::u16string_view path) {
    std::u16string converted(path);
    std::replace(converted.begin(), converted.end(), u'/', u'\\');
    return converted;
}

bool isDrivePath(std::u16string_view path) {
    return path.size() >= 2 && path[1] == u':' && !isSeparator(path[0]);
}

// The root of the current folder (C:\ or its share) and the rest of it,
// ending in a separator.
std::pair<std::u16string, std::u16string> splitCurrentFolder(std::u16string_view folder) {
    const std::size_t rootEnd =
        std::min(folder.size(), isDrivePath(folder) ? std::size_t{3} : uncRootEnd(folder));
    std::u16string root = withBackslashes(folder.substr(0, rootEnd));
    if (root.size() == 2 && isDrivePath(root)) root += u'\\';
    std::u16string rest(folder.substr(rootEnd));
    if (!rest.empty() && !isSeparator(rest.back())) rest += u'\\';
    return {root, rest};
}

}  // namespace

std::u16string joinResolved(std::u16string root, std::u16string_view rest) {
    const bool trailingSeparator = !rest.empty() && isSeparator(rest.back());
    const std::vector<std::u16string_view> components = splitComponents(rest);
    std::vector<std::u16string_view> kept;
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::u16string_view name = components[i];
        if (name == u".") continue;
        if (name == u"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        const bool last = i + 1 == components.size() && !trailingSeparator;
        if (!last && name.back() == u'.') name.remove_suffix(1);
        kept.push_back(name);
    }
    // A path that does not end in a separator loses its trailing dots and
    // spaces, from whatever name the dots and double dots left last.
    if (!trailingSeparator && !components.empty() && !kept.empty()) {
        std::u16string_view& lastName = kept.back();
        while (!lastName.empty() && isTrailingTrimmed(lastName.back())) lastName.remove_suffix(1);
    }
    // A root that does not end in a separator (\\server\share alone) is
    // given one before anything that follows it.
    const bool followed = kept.size() > 1 || (kept.size() == 1 && !kept[0].empty());
    if (!root.empty() && !isSeparator(root.back()) && followed) root += u'\\';
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) root += u'\\';
        root.append(kept[i]);
    }
    if (trailingSeparator && !kept.empty()) root += u'\\';
    return root;
}

std::u16string fullPathName(std::u16string_view path, std::u16string_view currentFolder) {
    bool onlySpaces = true;
    for (const char16_t unit : path) onlySpaces = onlySpaces && unit == u' ';
    if (onlySpaces) return u"";

    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\. and \\? alone are the device prefix; \\.\ and \\?\ are device
        // paths, whose root is that prefix; anything else is a UNC path.
        if (path.size() == 3 && (path[2] == u'.' || path[2] == u'?')) return u"\\\\.\\";
        if (isNamespacePath(path)) {
            std::u16string root = u"\\\\";
            root += path[2];
            root += u'\\';
            return joinResolved(std::move(root), path.substr(4));
        }
        const std::size_t rootEnd = uncRootEnd(path);
        return joinResolved(withBackslashes(path.substr(0, rootEnd)), path.substr(rootEnd));
    }
    auto [currentRoot, currentRest] = splitCurrentFolder(currentFolder);
    if (isSeparator(path[0])) return joinResolved(std::move(currentRoot), path);
    if (isDrivePath(path)) {
        std::u16string root(path.substr(0, 2));
        root += u'\\';
        if (path.size() >= 3 && isSeparator(path[2]))
            return joinResolved(std::move(root), path.substr(3));
        if (!isDrivePath(currentFolder) || asciiUpper(path[0]) != asciiUpper(currentFolder[0]))
            return joinResolved(std::move(root), path.substr(2));
        path.remove_prefix(2);
    }
    return joinResolved(std::move(currentRoot), currentRest.append(path));
}

bool isFullyQualified(std::u16string_view path) {
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) return true;
    return path.size() >= 3 && isDrivePath(path) && isSeparator(path[2]);
}

std::u16string extendedLengthPath(std::u16string_view fullPath) {
    if (fullPath.size() < maxPathUnits) return std::u16string(fullPath);
    return verbatimPath(fullPath);
}

std::u16string verbatimPath(std::u16string_view fullPath) {
    if (isNamespacePath(fullPath)) return std::u16string(fullPath);

    if (fullPath.size() >= 3 && isDriveLetter(fullPath[0]) && fullPath[1] == u':' &&
        isSeparator(fullPath[2])) {
        std::u16string root = u"\\\\?\\";
        root += fullPath[0];
        root += u":\\";
        return joinDotsResolved(std::move(root), fullPath.substr(3));
    }

    if (fullPath.size() >= 3 && isSeparator(fullPath[0]) && isSeparator(fullPath[1]) &&
        !isSeparator(fullPath[2])) {
        // \\server\share stays the root: ".." never climbs out of a share.
        const std::vector<std::u16string_view> components = splitComponents(fullPath);
        if (components.size() < 2) return std::u16string(fullPath);
        std::u16string root = u"\\\\?\\UNC\\";
        root.append(components[0]);
        root += u'\\';
        root.append(components[1]);
        root += u'\\';
        const std::size_t shareEnd =
            static_cast<std::size_t>(components[1].data() - fullPath.data()) + components[1].size();
        return joinDotsResolved(std::move(root), fullPath.substr(shareEnd));
    }
    return std::u16string(fullPath);
}
