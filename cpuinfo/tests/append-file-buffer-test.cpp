// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The append buffer: records reach the file whole, at flush, with the
// platform's line ends, and writers sharing a file never mix their records.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "append-file-buffer.h"
#include "file-appender.h"
#include "log-capture.h"

namespace {

TEST(AppendFileBuffer, AppendsAtFlushWithPlatformLineEnds) {
    const std::string path = scratchPath();
    writeBytes(path, "old");
    AppendFileBuffer buffer;
    ASSERT_TRUE(buffer.open(path));
    std::ostream out(&buffer);
    out << "one\ntwo" << '\n';
    EXPECT_EQ(readBytes(path), "old");
    out.flush();
    EXPECT_TRUE(out.good());
    EXPECT_EQ(readBytes(path), std::string("oldone") + lineEnd + "two" + lineEnd);
    EXPECT_TRUE(buffer.close());
    removePath(path);
}

TEST(AppendFileBuffer, CloseAppendsWhatIsPending) {
    const std::string path = scratchPath();
    AppendFileBuffer buffer;
    ASSERT_TRUE(buffer.open(path));
    std::ostream(&buffer) << "pending";
    EXPECT_TRUE(buffer.close());
    EXPECT_FALSE(buffer.isOpen());
    EXPECT_EQ(readBytes(path), "pending");
    EXPECT_FALSE(buffer.close());
    removePath(path);
}

TEST(AppendFileBuffer, WritesWithoutAFileFail) {
    const std::string directory = scratchPath(".dir");
    std::filesystem::create_directory(directory);
    AppendFileBuffer buffer;
    EXPECT_FALSE(buffer.open(directory));
    EXPECT_FALSE(buffer.open(directory + "/missing/x.log"));
    EXPECT_FALSE(buffer.open(""));
    std::ostream out(&buffer);
    out << "lost" << std::flush;
    EXPECT_TRUE(out.bad());
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    removePath(directory);
}

TEST(AppendFileBuffer, WritersSharingAFileKeepTheirRecordsWhole) {
    const std::string path = scratchPath();
    constexpr int writers = 8;
    constexpr int records = 1000;
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([&path, writer] {
            FileAppender appender(path);
            for (int record = 0; record < records; ++record) {
                // Lengths up to a full message, so records span many blocks.
                const std::string body(static_cast<std::size_t>((record * 37) % 2047),
                                       static_cast<char>('a' + writer));
                appender.open() << writer << ':' << record << ':' << body << '\n' << std::flush;
                appender.close();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    const std::string text = readBytes(path);
    const std::string end = lineEnd;
    std::set<std::string> seen;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t stop = text.find(end, start);
        ASSERT_NE(stop, std::string::npos);
        const std::string line = text.substr(start, stop - start);
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        ASSERT_NE(second, std::string::npos) << line.substr(0, 40);
        const int writer = std::stoi(line.substr(0, first));
        const int record = std::stoi(line.substr(first + 1, second - first - 1));
        EXPECT_EQ(line.substr(second + 1),
                  std::string(static_cast<std::size_t>((record * 37) % 2047),
                              static_cast<char>('a' + writer)));
        EXPECT_TRUE(seen.insert(line.substr(0, second)).second) << "repeated " << line;
        start = stop + end.size();
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(writers * records));
    removePath(path);
}

}  // namespace
