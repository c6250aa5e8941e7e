// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// What a log target names, told from its form alone: a named pipe, the console
// or a port is opened for writing, where a file is opened for appending.
#pragma once

#include <string_view>

enum class LogTargetKind {
    File,       // a path on disk, or a device the open itself tells apart
    NamedPipe,  // \\.\pipe\name, \\?\pipe\name, \\server\pipe\name
    Console,    // CON, CONOUT$ and their \\.\ forms
    Port,       // COM1-COM9, LPT1-LPT9 and their \\.\ and \\?\ forms (any number there)
};

// Case-insensitive for ASCII letters, as Windows reads names. `path` is UTF-16.
// Either slash separates, except after the verbatim prefix: only \\?\ written
// with backslashes passes the rest on as written, where "/" is part of a name;
// //?/ and any other mix of slashes is normalised like \\.\ is.
//
// Only forms that name the same thing on every Windows are told apart here. A
// reserved name with an extension, a colon or a folder before it (con.txt,
// CON:, C:\logs\nul) is a device on Windows 10 and earlier but a file on
// Windows 11: it comes back as File, and the system's own resolver (its full
// path, \\.\CON or C:\...\con.txt) or the open decides.
LogTargetKind logTargetKind(std::u16string_view path);
