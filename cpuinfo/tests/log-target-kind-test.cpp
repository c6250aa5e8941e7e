// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Which log targets are opened for writing rather than appending.
#include <gtest/gtest.h>

#include "log-target-kind.h"

namespace {

TEST(LogTargetKind, NamesTheConsoleInEitherCaseAndForm) {
    for (const char16_t* name : {u"CON", u"con", u"CONOUT$", u"conout$", u"\\\\.\\CON",
                                 u"\\\\.\\CONOUT$", u"//./conout$"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::Console);
    }
    // The input buffer cannot be written; anything longer is a file name.
    for (const char16_t* name :
         {u"CONIN$", u"CON.log", u"CONSOLE", u"C:\\CON\\x", u"\\\\.\\CONX", u"\\\\server\\CON"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

TEST(LogTargetKind, NamesPipesLocalAndRemote) {
    for (const char16_t* name : {u"\\\\.\\pipe\\cpuinfo-log", u"\\\\.\\PIPE\\x", u"//./pipe/x",
                                 u"\\\\?\\pipe\\x", u"\\\\server\\pipe\\x"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::NamedPipe);
    }
    for (const char16_t* name : {u"\\\\.\\pipe\\", u"\\\\.\\pipe", u"\\\\server\\pipes\\x",
                                 u"C:\\pipe\\x", u"pipe\\x", u"\\pipe\\x", u"\\\\\\pipe\\x"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

TEST(LogTargetKind, NamesPortsByTheirNamesInEveryFolderAndAnyNumberInTheDeviceNamespace) {
    for (const char16_t* name :
         {u"COM1", u"com9", u"LPT1", u"lPt9", u"COM\u00B9", u"LPT\u00B3", u"\\\\.\\COM1",
          u"\\\\.\\COM10", u"//./lpt255", u"\\\\?\\COM12", u"//?/com3", u"\\\\?/COM\u00B2"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::Port);
    }
    // COM0 and COM10 as plain names, digits that are not ASCII or superscripts one to
    // three, a leading zero, a path after the port, a server that is not the device
    // namespace: names like any other.
    for (const char16_t* name :
         {u"COM0", u"COM10", u"COM", u"COM\u2074", u"COM\uFF11", u"\\\\.\\COM0", u"\\\\.\\COM01",
          u"\\\\.\\COM1\\x", u"\\\\.\\COM1x", u"\\\\server\\COM1", u"\\\\?\\COM1/", u"C:\\COM1"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

TEST(LogTargetKind, LeavesNamesThatWindowsVersionsReadApartToTheSystem) {
    // Devices on Windows 10 and earlier (and under Wine), files on Windows 11:
    // the full path or the open tells which.
    for (const char16_t* name : {u"con.txt", u"CON:", u"nul.log", u"com1.log", u"COM1:",
                                 u"C:\\logs\\NUL", u"logs\\lpt1.txt", u"CON ", u"com1."}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

TEST(LogTargetKind, ReadsOnlyTheBackslashPrefixAsVerbatim) {
    // After \\?\ only "\" separates: "pipe/x" is one name, not the pipe x.
    EXPECT_EQ(logTargetKind(u"\\\\?\\pipe/x"), LogTargetKind::File);
    EXPECT_EQ(logTargetKind(u"\\\\?\\pipe\\x"), LogTargetKind::NamedPipe);
    // //?/ and every other mix is normalised, "/" becoming "\".
    for (const char16_t* name :
         {u"//?/pipe/x", u"\\\\?/pipe/x", u"/\\?\\pipe/x", u"\\/?\\pipe/x", u"//?/PIPE\\x"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::NamedPipe);
    }
}

TEST(LogTargetKind, TakesEverythingElseForAFile) {
    for (const char16_t* name : {u"", u"console", u"cpuinfo.log", u"C:\\logs\\cpuinfo.log",
                                 u"\\\\server\\share\\x.log", u"NUL", u"\\\\.\\NUL", u"\\\\"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

}  // namespace
