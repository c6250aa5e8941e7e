// Targets longer than MAX_PATH: the \\?\ form, with everything that form no
// longer resolves resolved first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extended-length-path.h"

namespace {

// A run of 30-unit folder names, `count` of them, each ending in a backslash.
std::u16string folders(int count) {
    std::u16string path;
    for (int i = 0; i < count; ++i)
        path += std::u16string(29, static_cast<char16_t>(u'a' + i)) + u'\\';
    return path;
}

TEST(ExtendedLengthPath, LeavesPathsWithinMaxPathAlone) {
    EXPECT_EQ(extendedLengthPath(u"C:\\logs\\cpuinfo.log"), u"C:\\logs\\cpuinfo.log");
    EXPECT_EQ(extendedLengthPath(u"C:/logs/./old/../cpuinfo.log"), u"C:/logs/./old/../cpuinfo.log");
    // 259 units and the NUL fill MAX_PATH exactly; 260 do not fit.
    const std::u16string longest = u"C:\\" + std::u16string(256, u'x');
    ASSERT_EQ(longest.size(), maxPathUnits - 1);
    EXPECT_EQ(extendedLengthPath(longest), longest);
    EXPECT_EQ(extendedLengthPath(longest + u"y"), u"\\\\?\\" + longest + u"y");
}

TEST(ExtendedLengthPath, GivesALongDrivePathItsExtendedForm) {
    const std::u16string path = u"D:\\" + folders(9) + u"cpuinfo.log";
    ASSERT_GT(path.size(), maxPathUnits);
    EXPECT_EQ(extendedLengthPath(path), u"\\\\?\\" + path);
    EXPECT_EQ(extendedLengthPath(u"d:\\" + folders(9) + u"x.log"),
              u"\\\\?\\d:\\" + folders(9) + u"x.log");
}

TEST(ExtendedLengthPath, ResolvesSlashesDotsAndDoubleDotsFirst) {
    std::u16string slashed = u"C:/" + folders(9) + u"x.log";
    for (char16_t& unit : slashed) {
        if (unit == u'\\') unit = u'/';
    }
    EXPECT_EQ(extendedLengthPath(slashed), u"\\\\?\\C:\\" + folders(9) + u"x.log");
    EXPECT_EQ(extendedLengthPath(u"C:\\" + folders(9) + u".\\x.log"),
              u"\\\\?\\C:\\" + folders(9) + u"x.log");
    EXPECT_EQ(extendedLengthPath(u"C:\\" + folders(9) + u"gone\\..\\x.log"),
              u"\\\\?\\C:\\" + folders(9) + u"x.log");
    EXPECT_EQ(extendedLengthPath(u"C:\\\\" + folders(9) + u"\\x.log"),
              u"\\\\?\\C:\\" + folders(9) + u"x.log");
    // ".." above the drive's root stays at the root, as Windows keeps it.
    EXPECT_EQ(extendedLengthPath(u"C:\\..\\..\\" + folders(9) + u"x.log"),
              u"\\\\?\\C:\\" + folders(9) + u"x.log");
    // Only whole components are dots: "..." and ".x" are names.
    EXPECT_EQ(extendedLengthPath(u"C:\\" + folders(9) + u"...\\.x"),
              u"\\\\?\\C:\\" + folders(9) + u"...\\.x");
}

TEST(ExtendedLengthPath, GivesALongUncPathTheUncForm) {
    EXPECT_EQ(extendedLengthPath(u"\\\\server\\share\\" + folders(9) + u"x.log"),
              u"\\\\?\\UNC\\server\\share\\" + folders(9) + u"x.log");
    // The share is the root: ".." does not climb out of it.
    EXPECT_EQ(extendedLengthPath(u"//server/share/../../" + folders(9) + u"x.log"),
              u"\\\\?\\UNC\\server\\share\\" + folders(9) + u"x.log");
}

TEST(ExtendedLengthPath, LeavesNamespacesDevicesAndRelativePathsAlone) {
    const std::u16string tail = folders(9) + u"x.log";
    const std::vector<std::u16string> paths{u"\\\\?\\C:\\" + tail,
                                            u"\\\\?\\UNC\\server\\share\\" + tail,
                                            u"\\\\.\\pipe\\" + tail,
                                            u"//./pipe/" + tail,
                                            u"\\\\.\\CON",
                                            u"NUL",
                                            u"CONOUT$",
                                            tail,
                                            u"\\" + tail,
                                            u"C:" + tail,
                                            u"\\\\" + std::u16string(300, u's')};
    for (const std::u16string& path : paths) {
        EXPECT_EQ(extendedLengthPath(path), path);
    }
}

}  // namespace
