// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Host files: POSIX descriptors, in append mode, where every write() lands
// whole at the end of the file.
#pragma once

namespace platform {

using NativeFile = int;
inline constexpr NativeFile noNativeFile = -1;
inline constexpr char textLineEnd[] = "\n";
// A path is opened as it stands: there is nothing to find first.
struct FoundTarget {};

}  // namespace platform
