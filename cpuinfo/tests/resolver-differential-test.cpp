// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Holds fullPathName, our resolver, against GetFullPathNameW over paths drawn
// from a fixed seed, from a fixed current folder. Every path must resolve
// alike, or differ by one of the rules listed below, each one that the
// resolver leaves to others on purpose. Prints the counts; exits 1 on any
// other difference, naming the first ones.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "extended-length-path.h"

namespace {

constexpr int pathCount = 120000;
constexpr std::uint64_t seed = 0x5eed'2026'0dd5'a1e5;

// A small generator with a fixed sequence on every compiler (the standard
// distributions are not fixed).
class Draw {
  public:
    explicit Draw(std::uint64_t state) : state_(state) {}
    std::uint32_t below(std::uint32_t bound) {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::uint32_t>(state_ >> 33) % bound;
    }
    bool chance(std::uint32_t percent) { return below(100) < percent; }
    template <typename T, std::size_t n>
    const T& pick(const T (&items)[n]) {
        return items[below(n)];
    }

  private:
    std::uint64_t state_;
};

const char16_t* const separators[] = {u"\\", u"/", u"\\", u"/", u"\\\\", u"//", u"\\/", u"/\\\\"};
const char16_t* const dotNames[] = {u".", u"..", u"...", u"....", u". .", u".. ", u" ."};
const char16_t* const tails[] = {u".", u"..", u"...", u" ", u"  ", u". ", u" .", u". . "};
const char16_t* const devices[] = {u"nul", u"CON", u"aux.txt", u"Nul.log", u"com1", u"LPT2.x"};

std::u16string name(Draw& draw) {
    std::u16string text;
    const std::uint32_t length = 1 + draw.below(draw.chance(15) ? 60 : 8);
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t kind = draw.below(20);
        if (kind == 0) {
            text += u' ';
        } else if (kind == 1) {
            text += u'.';
        } else if (kind == 2) {
            text += static_cast<char16_t>(0x00e9 + draw.below(3));  // é, ê, ë
        } else {
            text += static_cast<char16_t>(u'a' + draw.below(26));
        }
    }
    if (draw.chance(25)) text += draw.pick(tails);
    return text;
}

std::u16string component(Draw& draw) {
    const std::uint32_t kind = draw.below(100);
    if (kind < 30) return draw.pick(dotNames);
    if (kind < 31) return draw.pick(devices);
    return name(draw);
}

// Components and separators, until the path reaches `length` units (or
// has `count` components, for short ones).
std::u16string tail(Draw& draw) {
    std::u16string text;
    const bool long_ = draw.chance(40);
    const std::size_t target = long_ ? 200 + draw.below(400) : 0;
    const std::uint32_t count = draw.below(9);
    for (std::uint32_t i = 0; long_ ? text.size() < target : i < count; ++i) {
        if (i > 0) text += draw.pick(separators);
        text += component(draw);
    }
    if (draw.chance(15)) text += draw.pick(separators);
    return text;
}

// The forms GetFullPathNameW tells apart, each with its own root.
std::u16string path(Draw& draw) {
    const char16_t* const drives[] = {u"C:", u"c:", u"D:", u"q:"};
    const char16_t* const shares[] = {u"\\\\server\\share", u"//server/share", u"\\\\s\\sh.",
                                      u"\\/host\\/data", u"\\\\server\\\\share"};
    const char16_t* const devicePrefixes[] = {u"\\\\.\\", u"\\\\?\\", u"//./", u"//?/"};
    std::u16string text;
    switch (draw.below(8)) {
        case 0:  // relative
            break;
        case 1:  // C:\ and others
            text = std::u16string(draw.pick(drives)) + draw.pick(separators);
            break;
        case 2:  // C:x and D:x
            text = draw.pick(drives);
            break;
        case 3:  // \x
            text = draw.pick(separators);
            if (text.size() > 1) text.resize(1);
            break;
        case 4:
        case 5:  // \\server\share\x
            text = std::u16string(draw.pick(shares)) + draw.pick(separators);
            break;
        case 6:  // \\.\x and \\?\x
            text = draw.pick(devicePrefixes);
            if (draw.chance(50)) text += u"C:\\";
            break;
        default:  // relative, starting with dots
            text = draw.pick(dotNames);
            text += draw.pick(separators);
            break;
    }
    return text + tail(draw);
}

std::u16string systemFullPath(const std::u16string& input) {
    std::wstring wide(input.begin(), input.end());
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0) return u"";
        if (length < buffer.size()) return std::u16string(buffer.begin(), buffer.begin() + length);
        buffer.resize(length);
    }
}

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

bool equalIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Listed difference: Windows names a reserved DOS device wherever it is a
// path's last name, with any extension ("Naming Files, Paths, and
// Namespaces"; Windows 11 keeps only the bare names); Wine follows it. The
// resolver leaves that to the target classification, which decides what a
// name opens.
bool isDeviceMapping(std::u16string_view input, std::u16string_view ours,
                     std::u16string_view theirs) {
    const std::u16string_view prefix = u"\\\\.\\";
    if (theirs.substr(0, 4) != prefix || input.substr(0, 4) == prefix) return false;
    const std::u16string_view device = theirs.substr(4);
    const std::size_t slash = ours.find_last_of(u"\\");
    std::u16string_view last = ours.substr(slash == std::u16string_view::npos ? 0 : slash + 1);
    last = last.substr(0, std::min(last.size(), last.find_first_of(u". :")));
    return !device.empty() && equalIgnoringAsciiCase(last, device);
}

// Listed difference, Wine's alone: a path that starts with one "/" may be
// taken for a Unix path and answered from the Unix file system's own names, on
// the drive (Z:) that maps the Unix root, without Windows' rules for dots and
// spaces. Windows documents "/" as a separator like "\", so the path is rooted
// at the current folder's drive (C:, from the fixed current folder).
bool isUnixRoot(std::u16string_view input, std::u16string_view ours, std::u16string_view theirs) {
    const bool oneSlash =
        input.size() >= 1 && input[0] == u'/' && (input.size() == 1 || !isSeparator(input[1]));
    return oneSlash && theirs.substr(0, 3) == u"Z:\\" && ours.substr(0, 3) == u"C:\\";
}

void print(const char* label, std::u16string_view text) {
    std::printf("  %s [", label);
    for (const char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7f) {
            std::putchar(static_cast<char>(unit));
        } else {
            std::printf("\\u%04x", static_cast<unsigned>(unit));
        }
    }
    std::printf("] (%zu)\n", text.size());
}

}  // namespace

int wmain() {
    // A fixed current folder, and no folder remembered for other drives.
    const wchar_t* const folders[] = {L"C:\\corvane-resolver", L"C:\\corvane-resolver\\current",
                                      L"C:\\corvane-resolver\\current\\folder"};
    for (const wchar_t* folder : folders) CreateDirectoryW(folder, nullptr);
    if (!SetCurrentDirectoryW(folders[2])) {
        std::printf("cannot enter %ls\n", folders[2]);
        return 2;
    }
    for (wchar_t drive = L'A'; drive <= L'Z'; ++drive) {
        const wchar_t variable[] = {L'=', drive, L':', L'\0'};
        SetEnvironmentVariableW(variable, nullptr);
    }
    wchar_t current[MAX_PATH];
    const DWORD currentLength = GetCurrentDirectoryW(MAX_PATH, current);
    const std::u16string currentFolder(current, current + currentLength);

    Draw draw(seed);
    int same = 0, devices = 0, unixRoots = 0, unlisted = 0, longInputs = 0, longResults = 0;
    for (int i = 0; i < pathCount; ++i) {
        const std::u16string input = path(draw);
        const std::u16string ours = fullPathName(input, currentFolder);
        const std::u16string theirs = systemFullPath(input);
        if (input.size() >= maxPathUnits) ++longInputs;
        if (theirs.size() >= maxPathUnits) ++longResults;
        if (ours == theirs) {
            ++same;
        } else if (isDeviceMapping(input, ours, theirs)) {
            ++devices;
        } else if (isUnixRoot(input, ours, theirs)) {
            ++unixRoots;
        } else if (++unlisted <= 20) {
            std::printf("path %d resolves differently:\n", i);
            print("path", input);
            print("ours", ours);
            print("GetFullPathNameW", theirs);
        }
    }
    std::printf(
        "%d paths from %ls: %d resolved alike, %d DOS device names, %d Unix-rooted (Wine only), "
        "%d unlisted differences; %d inputs and %d results of %zu units or more\n",
        pathCount, current, same, devices, unixRoots, unlisted, longInputs, longResults,
        maxPathUnits);
    // The draw must keep reaching both sides of MAX_PATH and the listed rules.
    if (longInputs < pathCount / 4 || pathCount - longInputs < pathCount / 4 ||
        longResults < pathCount / 10 || devices == 0 || unixRoots == 0) {
        std::printf("the paths no longer cover what they must\n");
        return 1;
    }
    return unlisted == 0 ? 0 : 1;
}
