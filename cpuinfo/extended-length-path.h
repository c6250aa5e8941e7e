// Paths longer than MAX_PATH open on every Windows, whatever its long-path
// policy, in their \\?\ form. That form is passed to the file system as it
// stands: nothing resolves "." or ".." in it or turns "/" into "\", so the
// conversion does both first.
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
// longer UNC path \\?\UNC\server\share\....
std::u16string extendedLengthPath(std::u16string_view fullPath);

// `root` (ending in a separator) and then the components of `rest`, either
// slash separating, with "." dropped and ".." taking back the one before it,
// never climbing above the root; joined with "\".
std::u16string joinResolved(std::u16string root, std::u16string_view rest);
