// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The appenders' lock: taken and given back around each append, never waited
// for without bound when another writer holds it, and done without where read
// access is refused. LockFileEx needs read or write access on Windows; the
// handles here have read access beside append access, as the program's own, so
// every case holds for Windows and for Wine alike.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "log-capture.h"
#include "platform/append-file.h"

namespace {

// Another process's handle on the log, holding the appenders' lock or not.
class OtherWriter {
  public:
    explicit OtherWriter(const std::string& path) {
        const std::wstring wide(path.begin(), path.end());
        handle_ = CreateFileW(wide.c_str(), FILE_READ_DATA | FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        at_.Offset = static_cast<DWORD>(platform::writersLockOffset);
        at_.OffsetHigh = static_cast<DWORD>(platform::writersLockOffset >> 32);
    }
    ~OtherWriter() {
        unlock();
        CloseHandle(handle_);
    }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    bool tryLock() {
        locked_ = LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                             &at_) != FALSE;
        return locked_;
    }
    void unlock() {
        if (locked_) UnlockFileEx(handle_, 0, 1, 0, &at_);
        locked_ = false;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED at_{};
    bool locked_ = false;
};

TEST(AppendFileLock, IsGivenBackAfterEachAppend) {
    const std::string path = scratchPath();
    platform::AppendFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.append("one\r\n", 5));
    {
        OtherWriter other(path);
        EXPECT_TRUE(other.tryLock());
    }
    EXPECT_TRUE(file.close());
    removePath(path);
}

TEST(AppendFileLock, AppendsAfterAboutASecondWhenAStoppedWriterHoldsIt) {
    const std::string path = scratchPath();
    platform::AppendFile file;
    ASSERT_TRUE(file.open(path));
    OtherWriter stopped(path);
    ASSERT_TRUE(stopped.tryLock());

    const auto start = std::chrono::steady_clock::now();
    auto appended = std::async(std::launch::async, [&file] { return file.append("one\r\n", 5); });
    // The append gives up on the lock after about a second; four allow for a loaded machine.
    const bool finished = appended.wait_for(std::chrono::seconds(4)) == std::future_status::ready;
    const auto waited = std::chrono::steady_clock::now() - start;
    // A blocked append goes on once the lock is free, so the test ends either way.
    stopped.unlock();
    EXPECT_TRUE(finished) << "the append waited for the lock far longer than about a second";
    EXPECT_TRUE(appended.get());
    EXPECT_GE(waited, std::chrono::milliseconds(500)) << "the append did not wait its turn";
    EXPECT_TRUE(file.close());
    EXPECT_EQ(readBytes(path), "one\r\n");
    removePath(path);
}

// Windows grants LockFileEx only on a handle with read or write access (Wine
// on any). A second open that shares no reading is refused exactly while a
// handle with read access is open, which shows the access ours has.
TEST(AppendFileLock, IsAskedForWithReadAccess) {
    const std::string path = scratchPath();
    platform::AppendFile file;
    ASSERT_TRUE(file.open(path));
    const std::wstring wide(path.begin(), path.end());
    HANDLE denyingReaders =
        CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(denyingReaders, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (denyingReaders != INVALID_HANDLE_VALUE) CloseHandle(denyingReaders);
    EXPECT_TRUE(file.close());
    removePath(path);
}

TEST(AppendFileLock, AppendsUnlockedWhereAnotherHandleSharesNoReading) {
    const std::string path = scratchPath();
    writeBytes(path, "old\r\n");
    const std::wstring wide(path.begin(), path.end());
    HANDLE denyingReaders =
        CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(denyingReaders, INVALID_HANDLE_VALUE);
    platform::AppendFile file;
    EXPECT_TRUE(file.open(path));
    EXPECT_TRUE(file.append("one\r\n", 5));
    EXPECT_TRUE(file.close());
    CloseHandle(denyingReaders);
    EXPECT_EQ(readBytes(path), "old\r\none\r\n");
    removePath(path);
}

// A reader following the log (read access, sharing reading and writing but not
// deletion, as a viewer opens it) holds it open while records are appended.
TEST(AppendFileLock, ReaderHoldingTheLogSeesEveryAppend) {
    const std::string path = scratchPath();
    writeBytes(path, "");
    const std::wstring wide(path.begin(), path.end());
    HANDLE reader = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    for (const char* record : {"one\r\n", "two\r\n"}) {
        platform::AppendFile file;
        ASSERT_TRUE(file.open(path));
        EXPECT_TRUE(file.append(record, 5));
        EXPECT_TRUE(file.close());
    }
    char seen[16] = {};
    DWORD got = 0;
    EXPECT_NE(ReadFile(reader, seen, sizeof seen, &got, nullptr), FALSE);
    EXPECT_EQ(std::string(seen, got), "one\r\ntwo\r\n");
    CloseHandle(reader);
    removePath(path);
}

// A device has no end to append at: NUL takes every record and keeps none.
TEST(AppendFileTargets, NulTakesRecords) {
    platform::AppendFile file;
    ASSERT_TRUE(file.open("NUL"));
    EXPECT_TRUE(file.append("one\r\n", 5));
    EXPECT_TRUE(file.close());
}

}  // namespace
