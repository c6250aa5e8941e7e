// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

// Finding and opening a log target, against kernel32 calls answered as their
// documented contracts allow: a buffer too small, a current folder that
// changes between two calls, a failure, a file type nobody knows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "log-target.h"

namespace {

using platform::LogTarget;
using platform::TargetServices;

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct CreateCall {
    std::wstring name;
    DWORD access;
    DWORD share;
    DWORD disposition;
};

// What CreateFileW answers to one call: a handle of a given type, or a refusal.
struct Opened {
    DWORD fileType;  // 0 with `error` set: refused
    DWORD error = ERROR_SUCCESS;
};

HANDLE fakeHandle(std::uintptr_t n) {
    return reinterpret_cast<HANDLE>(0x1000 + n * 4);
}

// A size-contract answer: the text and its NUL when `units` hold them (the
// length without the NUL), else the units needed with the NUL.
DWORD answerSized(const std::wstring& text, DWORD units, wchar_t* buffer) {
    if (text.size() >= units) return static_cast<DWORD>(text.size() + 1);
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return static_cast<DWORD>(text.size());
}

class FakeServices final : public TargetServices {
  public:
    // Each call takes the next answer and keeps the last; none: the call fails.
    std::vector<std::wstring> fullPaths;
    std::vector<std::wstring> currentFolders;
    // Each CreateFileW call takes the next; past the end it is refused.
    std::vector<Opened> opens;

    std::vector<DWORD> fullPathBufferUnits;
    std::vector<std::wstring> fullPathNames;
    std::vector<DWORD> currentFolderBufferUnits;
    std::vector<CreateCall> creates;
    std::vector<HANDLE> closed;

    DWORD fullPathName(const wchar_t* name, DWORD units, wchar_t* buffer) override {
        fullPathNames.emplace_back(name);
        fullPathBufferUnits.push_back(units);
        return next(fullPaths, fullPathBufferUnits.size(), units, buffer);
    }
    DWORD currentDirectory(DWORD units, wchar_t* buffer) override {
        currentFolderBufferUnits.push_back(units);
        return next(currentFolders, currentFolderBufferUnits.size(), units, buffer);
    }
    HANDLE createFile(const wchar_t* name, DWORD access, DWORD share, DWORD disposition) override {
        creates.push_back({name, access, share, disposition});
        const std::size_t call = creates.size() - 1;
        if (call >= opens.size() || opens[call].error != ERROR_SUCCESS) {
            error_ = call < opens.size() ? opens[call].error : ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        types_[fakeHandle(call)] = opens[call].fileType;
        return fakeHandle(call);
    }
    DWORD fileType(HANDLE file) override {
        const auto type = types_.find(file);
        return type == types_.end() ? FILE_TYPE_UNKNOWN : type->second;
    }
    DWORD lastError() override { return error_; }
    void closeHandle(HANDLE file) override { closed.push_back(file); }
    bool waitNamedPipe(const wchar_t*, DWORD) override { return true; }
    DWORD tickCount() override { return ticks_ += 100; }
    void sleep(DWORD) override {}

  private:
    static DWORD next(const std::vector<std::wstring>& answers, std::size_t call, DWORD units,
                      wchar_t* buffer) {
        if (answers.empty()) return 0;
        const std::wstring& answer = answers[std::min(call, answers.size()) - 1];
        return answerSized(answer, units, buffer);
    }

    std::map<HANDLE, DWORD> types_;
    DWORD error_ = ERROR_SUCCESS;
    DWORD ticks_ = 0;
};

std::wstring repeated(const std::wstring& text, int times) {
    std::wstring all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

// "logs\" and 60 times "x\..\": over MAX_PATH as written, short once resolved.
const std::wstring longDetour = L"logs\\" + repeated(L"x\\..\\", 60) + L"cpuinfo.log";

TEST(OpenableName, KeepsAShortNameWhoseFullPathIsShort) {
    FakeServices services;
    services.fullPaths = {L"C:\\work\\logs\\cpuinfo.log"};
    EXPECT_EQ(platform::openableName(L"logs\\cpuinfo.log", services), L"logs\\cpuinfo.log");
    EXPECT_EQ(services.fullPathBufferUnits, (std::vector<DWORD>{MAX_PATH}));
}

TEST(OpenableName, GrowsTheBufferToTheSizeTheFullPathNeeds) {
    // 300 units: the first call names 301, the NUL included, and the second fills them.
    const std::wstring folder = L"C:\\" + std::wstring(280, L'f');
    FakeServices services;
    services.fullPaths = {folder + L"\\logs\\cpuinfo.log"};
    EXPECT_EQ(platform::openableName(L"logs\\cpuinfo.log", services),
              L"\\\\?\\" + folder + L"\\logs\\cpuinfo.log");
    EXPECT_EQ(services.fullPathBufferUnits, (std::vector<DWORD>{MAX_PATH, 301}));
}

TEST(OpenableName, AsksAgainWhenTheCurrentFolderGrowsInBetween) {
    const std::wstring before = L"C:\\" + std::wstring(280, L'a') + L"\\x.log";
    const std::wstring after = L"C:\\" + std::wstring(330, L'b') + L"\\x.log";
    FakeServices services;
    services.fullPaths = {before, after};
    EXPECT_EQ(platform::openableName(L"x.log", services), L"\\\\?\\" + after);
    EXPECT_EQ(services.fullPathBufferUnits,
              (std::vector<DWORD>{MAX_PATH, static_cast<DWORD>(before.size() + 1),
                                  static_cast<DWORD>(after.size() + 1)}));
}

TEST(OpenableName, TakesAShortFullPathThatFitsExactly) {
    // 259 units and the NUL fill MAX_PATH exactly: no second call, no \\?\ form.
    const std::wstring full = L"C:\\" + std::wstring(250, L'c') + L"\\x.log";
    ASSERT_EQ(full.size(), MAX_PATH - 1u);
    FakeServices services;
    services.fullPaths = {full};
    EXPECT_EQ(platform::openableName(L"x.log", services), L"x.log");
    EXPECT_EQ(services.fullPathBufferUnits, (std::vector<DWORD>{MAX_PATH}));
}

TEST(OpenableName, ConvertsALongNameThatResolvesShort) {
    ASSERT_GT(longDetour.size(), MAX_PATH);
    FakeServices services;
    services.fullPaths = {L"C:\\work\\logs\\cpuinfo.log"};
    EXPECT_EQ(platform::openableName(longDetour, services), L"\\\\?\\C:\\work\\logs\\cpuinfo.log");
    services.fullPaths = {L"\\\\server\\share\\logs\\cpuinfo.log"};
    EXPECT_EQ(platform::openableName(longDetour, services),
              L"\\\\?\\UNC\\server\\share\\logs\\cpuinfo.log");
}

TEST(OpenableName, KeepsALongNameThatResolvesToADeviceInTheDeviceNamespace) {
    FakeServices services;
    services.fullPaths = {L"\\\\.\\CON"};
    const std::wstring name = L"logs\\" + repeated(L"x\\..\\", 60) + L"con.txt";
    EXPECT_EQ(platform::openableName(name, services), L"\\\\.\\CON");
}

TEST(OpenableName, ResolvesAgainstTheCurrentFolderWhenTheFullPathIsRefused) {
    FakeServices services;
    // The current folder's own size contract: too small first.
    const std::wstring folder = L"C:\\" + std::wstring(270, L'w') + L"\\run";
    services.currentFolders = {folder};
    EXPECT_EQ(platform::openableName(longDetour, services),
              L"\\\\?\\" + folder + L"\\logs\\cpuinfo.log");
    EXPECT_EQ(services.currentFolderBufferUnits,
              (std::vector<DWORD>{MAX_PATH, static_cast<DWORD>(folder.size() + 1)}));
    // ".." climbs out of the current folder, not above its drive's root.
    services.currentFolders = {L"C:\\work\\run"};
    const std::wstring up = L"..\\" + repeated(L"x\\..\\", 60) + L"up.log";
    EXPECT_EQ(platform::openableName(up, services), L"\\\\?\\C:\\work\\up.log");
    const std::wstring rooted = L"\\" + repeated(L"x\\..\\", 60) + L"top.log";
    EXPECT_EQ(platform::openableName(rooted, services), L"\\\\?\\C:\\top.log");
    services.currentFolders = {L"\\\\server\\share\\run"};
    EXPECT_EQ(platform::openableName(up, services), L"\\\\?\\UNC\\server\\share\\up.log");
}

TEST(OpenableName, ResolvesAnAbsoluteNameFromItsOwnRootWhenTheFullPathIsRefused) {
    FakeServices services;
    const std::wstring name = L"D:/logs/" + repeated(L"x/../", 60) + L"cpuinfo.log";
    EXPECT_EQ(platform::openableName(name, services), L"\\\\?\\D:\\logs\\cpuinfo.log");
    EXPECT_TRUE(services.currentFolderBufferUnits.empty());
}

TEST(OpenableName, KeepsTheNameWhenNothingResolvesIt) {
    FakeServices services;  // both calls fail
    EXPECT_EQ(platform::openableName(longDetour, services), longDetour);
    EXPECT_EQ(platform::openableName(L"x.log", services), L"x.log");
}

TEST(OpenableName, PassesOnlyTheBackslashVerbatimPrefixAsWritten) {
    const std::wstring tail = repeated(L"x\\..\\", 60) + L"cpuinfo.log";
    FakeServices services;
    services.fullPaths = {L"\\\\?\\C:\\logs\\cpuinfo.log"};
    EXPECT_EQ(platform::openableName(L"\\\\?\\C:\\logs\\" + tail, services),
              L"\\\\?\\C:\\logs\\" + tail);
    EXPECT_TRUE(services.fullPathNames.empty());
    // //?/ is normalised like any name; its full path is the \\?\ form.
    EXPECT_EQ(platform::openableName(L"//?/C:/logs/" + tail, services),
              L"\\\\?\\C:\\logs\\cpuinfo.log");
}

TEST(FindLogTarget, TakesWhatTheSystemResolvesAReservedNameTo) {
    FakeServices services;
    // Windows 10 and earlier, and Wine: the device in any folder, with any extension.
    services.fullPaths = {L"\\\\.\\COM1"};
    LogTarget target = platform::findLogTarget(L"logs\\com1.log", services);
    EXPECT_EQ(target.kind, LogTargetKind::Port);
    EXPECT_EQ(target.name, L"logs\\com1.log");
    services.fullPaths = {L"\\\\.\\CON"};
    EXPECT_EQ(platform::findLogTarget(L"con.txt", services).kind, LogTargetKind::Console);
    // Windows 11: a file.
    services.fullPaths = {L"C:\\work\\con.txt"};
    EXPECT_EQ(platform::findLogTarget(L"con.txt", services).kind, LogTargetKind::File);
}

TEST(FindLogTarget, OpensConsoleAndPortNamesAsWritten) {
    FakeServices services;
    for (const wchar_t* name : {L"CON", L"conout$", L"COM3", L"lpt1", L"\\\\.\\COM12"}) {
        const LogTarget target = platform::findLogTarget(name, services);
        EXPECT_EQ(target.name, name);
        EXPECT_NE(target.kind, LogTargetKind::File) << std::wstring(name).size();
    }
    EXPECT_TRUE(services.fullPathNames.empty());
}

// Opening.

TEST(OpenLogTarget, KeepsTheAppendHandleOnADiskFileAndOnAnUnknownType) {
    // FILE_TYPE_UNKNOWN is "unknown, or the function failed": it could be a
    // disk file, where a write-data handle would write over the log.
    for (const DWORD type :
         {DWORD{FILE_TYPE_DISK}, DWORD{FILE_TYPE_UNKNOWN}, DWORD{FILE_TYPE_REMOTE}}) {
        FakeServices services;
        services.opens = {{type}, {FILE_TYPE_UNKNOWN}};
        EXPECT_EQ(platform::openLogTarget({L"x.log", LogTargetKind::File}, services),
                  fakeHandle(0));
        ASSERT_EQ(services.creates.size(), 1u) << type;
        EXPECT_EQ(services.creates[0].access, DWORD{FILE_READ_DATA | FILE_APPEND_DATA});
        EXPECT_EQ(services.creates[0].share, shareAll);
        EXPECT_EQ(services.creates[0].disposition, DWORD{OPEN_ALWAYS});
        EXPECT_TRUE(services.closed.empty());
    }
}

TEST(OpenLogTarget, ReopensACharacterDeviceOrPipeForWriting) {
    for (const DWORD type : {DWORD{FILE_TYPE_CHAR}, DWORD{FILE_TYPE_PIPE}}) {
        FakeServices services;
        services.opens = {{type}, {type}};
        EXPECT_EQ(platform::openLogTarget({L"NUL", LogTargetKind::File}, services), fakeHandle(1));
        ASSERT_EQ(services.creates.size(), 2u);
        EXPECT_EQ(services.creates[1].access, DWORD{GENERIC_WRITE});
        EXPECT_EQ(services.creates[1].disposition, DWORD{OPEN_EXISTING});
        EXPECT_EQ(services.closed, (std::vector<HANDLE>{fakeHandle(0)}));
    }
}

TEST(OpenLogTarget, DropsAWriteHandleThatIsNotKnownToBeADevice) {
    for (const DWORD type : {DWORD{FILE_TYPE_DISK}, DWORD{FILE_TYPE_UNKNOWN}}) {
        // The file changed between the two opens.
        FakeServices services;
        services.opens = {{FILE_TYPE_CHAR}, {type}};
        EXPECT_EQ(platform::openLogTarget({L"x.log", LogTargetKind::File}, services),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(services.closed, (std::vector<HANDLE>{fakeHandle(0), fakeHandle(1)}));
        // A console or pipe name that turns out to be something else.
        FakeServices named;
        named.opens = {{type}};
        EXPECT_EQ(platform::openLogTarget({L"CON", LogTargetKind::Console}, named),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(named.closed, (std::vector<HANDLE>{fakeHandle(0)}));
    }
}

TEST(OpenLogTarget, OpensAPortExclusivelyAndExisting) {
    FakeServices services;
    services.opens = {{FILE_TYPE_CHAR}};
    EXPECT_EQ(platform::openLogTarget({L"COM1", LogTargetKind::Port}, services), fakeHandle(0));
    ASSERT_EQ(services.creates.size(), 1u);
    EXPECT_EQ(services.creates[0].access, DWORD{GENERIC_WRITE});
    EXPECT_EQ(services.creates[0].share, 0u);
    EXPECT_EQ(services.creates[0].disposition, DWORD{OPEN_EXISTING});
}

TEST(OpenLogTarget, RetriesForWritingWhenTheAppendOpenIsRefused) {
    // A port by a name not told apart beforehand refuses append access and
    // shared access, and takes exclusive write access.
    FakeServices services;
    services.opens = {{0, ERROR_ACCESS_DENIED},
                      {0, ERROR_ACCESS_DENIED},
                      {0, ERROR_SHARING_VIOLATION},
                      {FILE_TYPE_CHAR}};
    EXPECT_EQ(platform::openLogTarget({L"com1.log", LogTargetKind::File}, services), fakeHandle(3));
    ASSERT_EQ(services.creates.size(), 4u);
    EXPECT_EQ(services.creates[1].access, DWORD{FILE_APPEND_DATA});
    EXPECT_EQ(services.creates[2].access, DWORD{GENERIC_WRITE});
    EXPECT_EQ(services.creates[2].share, shareAll);
    EXPECT_EQ(services.creates[2].disposition, DWORD{OPEN_EXISTING});
    EXPECT_EQ(services.creates[3].share, 0u);
    EXPECT_EQ(services.creates[3].disposition, DWORD{OPEN_EXISTING});
    // A missing folder: the write try finds nothing either, and no unshared try follows.
    FakeServices missing;
    missing.opens = {{0, ERROR_PATH_NOT_FOUND}, {0, ERROR_PATH_NOT_FOUND}};
    EXPECT_EQ(platform::openLogTarget({L"no\\x.log", LogTargetKind::File}, missing),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(missing.creates.size(), 2u);
}

TEST(OpenLogTarget, WaitsForABusyPipeAboutASecond) {
    FakeServices services;
    services.opens = {{0, ERROR_PIPE_BUSY}, {0, ERROR_PIPE_BUSY}, {FILE_TYPE_PIPE}};
    EXPECT_EQ(platform::openLogTarget({L"\\\\.\\pipe\\x", LogTargetKind::NamedPipe}, services),
              fakeHandle(2));
    FakeServices busy;
    busy.opens = std::vector<Opened>(100, Opened{0, ERROR_PIPE_BUSY});
    EXPECT_EQ(platform::openLogTarget({L"\\\\.\\pipe\\x", LogTargetKind::NamedPipe}, busy),
              INVALID_HANDLE_VALUE);
    // 100 ms a tick: ten tries in the second.
    EXPECT_EQ(busy.creates.size(), 10u);
}

}  // namespace
