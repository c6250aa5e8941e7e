// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Paths longer than MAX_PATH open on every Windows, whatever its long-path
// policy, in their \\?\ form. That form is passed to the file system as it
// stands: nothing resolves "." or ".." in it or turns "/" into "\", so the
// conversion does both first.
//
// Beside it, the resolution GetFullPathNameW performs, for when that call
// cannot be used: the same rules, component by component.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// MAX_PATH: 260 units, the terminating NUL included.
inline constexpr std::size_t maxPathUnits = 260;

// `fullPath` is an absolute UTF-16 path (a drive path or a UNC path), as
// GetFullPathNameW gives it. A path that fits in MAX_PATH, one already in
// \\?\ or \\.\ form (device names among them) and anything that is not
// absolute come back unchanged; a longer drive path becomes \\?\C:\..., a
// longer UNC path \\?\UNC\server\share\.... Separators become "\", runs of
// them one, "." and ".." are resolved (never above the drive or the share);
// names are otherwise kept as they stand, trailing dots and spaces included,
// since GetFullPathNameW has already applied its rules to them.
std::u16string extendedLengthPath(std::u16string_view fullPath);

// The same conversion whatever the length: for a name that is itself too long
// although its full path is short, which Windows refuses as written.
std::u16string verbatimPath(std::u16string_view fullPath);

// Whether `path` carries its own root (C:\ or C:/, a share, or the \\.\ and
// \\?\ prefixes), so that resolving it needs no current folder.
bool isFullyQualified(std::u16string_view path);

// `root` (a drive's C:\, a share's \\server\share\ or a device prefix \\.\,
// ending in a separator) and then `rest` as GetFullPathNameW resolves what
// follows a root:
// - "/" and "\" both separate, and a run of separators counts as one;
// - "." is dropped, ".." takes back the name before it, never above the root;
// - a name followed by a separator loses one trailing dot ("b." is "b", and
//   "..." becomes "..", which is then a name);
// - the last name loses all its trailing dots and spaces; a trailing separator
//   is kept, and so is one left where the last name was nothing but those.
// The result begins with `root` unchanged. DOS device names (nul.txt) are not
// mapped here: that is the target classification's business.
std::u16string joinResolved(std::u16string root, std::u16string_view rest);

// What GetFullPathNameW gives for `path` when the current folder is
// `currentFolder` (absolute, as GetCurrentDirectoryW gives it), or an empty
// string where it fails (an empty path, or one of spaces only):
// - C:\x from its drive; \\server\share\x from its share; \\.\x and \\?\x
//   from their prefix, which is resolved too when asked for explicitly;
// - \x from the current folder's drive (or share), x from the current folder;
// - C:x from the current folder when that is on C: (any letter case), else
//   from C:\ (Windows would take the folder last set for that drive from the
//   command shell, kept in the environment as "=C:"; none is kept here);
// - any unit before the colon counts as a drive letter, as in Windows.
std::u16string fullPathName(std::u16string_view path, std::u16string_view currentFolder);
