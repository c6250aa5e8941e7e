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

TEST(LogTargetKind, TakesEverythingElseForAFile) {
    for (const char16_t* name : {u"", u"console", u"cpuinfo.log", u"C:\\logs\\cpuinfo.log",
                                 u"\\\\server\\share\\x.log", u"NUL", u"\\\\.\\NUL", u"\\\\"}) {
        EXPECT_EQ(logTargetKind(name), LogTargetKind::File);
    }
}

}  // namespace
