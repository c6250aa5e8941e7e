// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
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
    // GetFullPathNameW has applied its rules already: a trailing dot or space
    // it left is a name's own, and a trailing separator stays.
    EXPECT_EQ(extendedLengthPath(u"C:\\" + folders(9) + u"b.\\c \\"),
              u"\\\\?\\C:\\" + folders(9) + u"b.\\c \\");
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

TEST(VerbatimPath, ConvertsAShortFullPathAsALongOneAndKeepsNamespaces) {
    EXPECT_EQ(verbatimPath(u"C:\\logs\\x.log"), u"\\\\?\\C:\\logs\\x.log");
    EXPECT_EQ(verbatimPath(u"\\\\server\\share\\x.log"), u"\\\\?\\UNC\\server\\share\\x.log");
    EXPECT_EQ(verbatimPath(u"\\\\.\\CON"), u"\\\\.\\CON");
    EXPECT_EQ(verbatimPath(u"\\\\?\\C:\\x.log"), u"\\\\?\\C:\\x.log");
    EXPECT_EQ(verbatimPath(u"logs\\x.log"), u"logs\\x.log");
}

TEST(IsFullyQualified, NeedsARootOfItsOwn) {
    for (const std::u16string_view path : {u"C:\\x", u"c:/x", u"\\\\server\\share",
                                           u"//server/share", u"\\\\.\\CON", u"\\\\?\\C:\\x"}) {
        EXPECT_TRUE(isFullyQualified(path)) << std::string(path.begin(), path.end());
    }
    for (const std::u16string_view path : {u"", u"x", u"C:", u"C:x", u"\\x", u"/x", u"..\\x"}) {
        EXPECT_FALSE(isFullyQualified(path)) << std::string(path.begin(), path.end());
    }
}

// GetFullPathNameW's rules after a root, as Windows documents them and Wine
// follows them (the differential test holds the two together).
TEST(JoinResolved, TrimsOneDotFromFoldersAndDotsAndSpacesFromTheLastName) {
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b.\\c. "), u"C:\\a\\b\\c");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b..."), u"C:\\a\\b");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b..\\c"), u"C:\\a\\b.\\c");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b. .\\c"), u"C:\\a\\b. \\c");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b \\c"), u"C:\\a\\b \\c");
    // "..." loses a dot like any folder and is then a name "..", not a step up.
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\...\\c"), u"C:\\a\\..\\c");
    // A last name of dots and spaces alone leaves its separator behind.
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\. ."), u"C:\\a\\");
    EXPECT_EQ(joinResolved(u"C:\\", u"..."), u"C:\\");
    // A final "." or ".." makes the name before it the last one.
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b \\."), u"C:\\a\\b");
    EXPECT_EQ(joinResolved(u"C:\\", u"a \\b\\.."), u"C:\\a");
}

TEST(JoinResolved, KeepsATrailingSeparatorAndNeverClimbsAboveTheRoot) {
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b\\"), u"C:\\a\\b\\");
    EXPECT_EQ(joinResolved(u"C:\\", u"a//b\\/"), u"C:\\a\\b\\");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\b \\"), u"C:\\a\\b \\");
    EXPECT_EQ(joinResolved(u"C:\\", u"a\\..\\"), u"C:\\");
    EXPECT_EQ(joinResolved(u"C:\\", u"\\\\..\\..\\x"), u"C:\\x");
    EXPECT_EQ(joinResolved(u"\\\\server\\share\\", u"..\\..\\x"), u"\\\\server\\share\\x");
    EXPECT_EQ(joinResolved(u"\\\\?\\", u"C:\\..\\..\\x"), u"\\\\?\\x");
    EXPECT_EQ(joinResolved(u"\\\\server\\share", u""), u"\\\\server\\share");
}

TEST(FullPathName, ResolvesEachFormFromItsRoot) {
    const std::u16string_view here = u"C:\\work\\dir";
    EXPECT_EQ(fullPathName(u"x.log", here), u"C:\\work\\dir\\x.log");
    EXPECT_EQ(fullPathName(u"..\\..\\..\\x", here), u"C:\\x");
    EXPECT_EQ(fullPathName(u".", here), u"C:\\work\\dir");
    EXPECT_EQ(fullPathName(u"/x/", here), u"C:\\x\\");
    EXPECT_EQ(fullPathName(u"d:\\a\\..\\b", here), u"d:\\b");
    EXPECT_EQ(fullPathName(u"c:x", here), u"C:\\work\\dir\\x");
    EXPECT_EQ(fullPathName(u"C:", here), u"C:\\work\\dir\\");
    EXPECT_EQ(fullPathName(u"D:x\\..\\..", here), u"D:\\");
    EXPECT_EQ(fullPathName(u"1:x", here), u"1:\\x");
    EXPECT_EQ(fullPathName(u"//server/share/../x", here), u"\\\\server\\share\\x");
    EXPECT_EQ(fullPathName(u"\\\\server\\\\share\\x", here), u"\\\\server\\\\share\\x");
    EXPECT_EQ(fullPathName(u"\\\\server", here), u"\\\\server");
    EXPECT_EQ(fullPathName(u"\\\\.\\pipe\\a\\..\\b", here), u"\\\\.\\pipe\\b");
    EXPECT_EQ(fullPathName(u"//?/C:/a/./b. ", here), u"\\\\?\\C:\\a\\b");
    EXPECT_EQ(fullPathName(u"\\\\?", here), u"\\\\.\\");
    EXPECT_EQ(fullPathName(u"", here), u"");
    EXPECT_EQ(fullPathName(u"   ", here), u"");
    EXPECT_EQ(fullPathName(u"  x", here), u"C:\\work\\dir\\  x");
}

TEST(FullPathName, TakesTheRootOfACurrentFolderOnAShare) {
    const std::u16string_view share = u"\\\\server\\share\\cwd";
    EXPECT_EQ(fullPathName(u"..\\..\\x", share), u"\\\\server\\share\\x");
    EXPECT_EQ(fullPathName(u"\\x", share), u"\\\\server\\share\\x");
    EXPECT_EQ(fullPathName(u"C:x", share), u"C:\\x");
    EXPECT_EQ(fullPathName(u"x", u"C:\\"), u"C:\\x");
}

}  // namespace
