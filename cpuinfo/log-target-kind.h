// What a log target names, told from its form alone: a named pipe or the
// console is opened for writing, where a file is opened for appending.
#pragma once

#include <string_view>

enum class LogTargetKind {
    File,       // a path on disk, or a device the open itself tells apart
    NamedPipe,  // \\.\pipe\name, \\?\pipe\name, \\server\pipe\name
    Console,    // CON, CONOUT$ and their \\.\ forms
};

// Case-insensitive, either slash, as Windows reads names. `path` is UTF-16.
LogTargetKind logTargetKind(std::u16string_view path);
