// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The logger: banner, record layout, thresholds, the message cut, the
// init/shutdown rules and both sinks.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "console-appender.h"
#include "file-appender.h"
#include "log-capture.h"
#include "logger.h"

namespace {

using Records = std::vector<std::string>;

void writeOneOfEach() {
    Logger::instance()->debug("here", "d%d", 3);
    Logger::instance()->info("here", "i%d", 2);
    Logger::instance()->warning("here", "w%d", 1);
    Logger::instance()->error("here", "e%d", 0);
}

const Records allFour{"DEBUG here: d3", "INFO here: i2", "WARNING here: w1", "ERROR here: e0"};

// Standard output captured for the length of a test.
class CapturedStdout {
  public:
    CapturedStdout() : saved_(std::cout.rdbuf(captured_.rdbuf())) {}
    ~CapturedStdout() {
        std::cout.rdbuf(saved_);
        std::cout.clear();
    }
    std::string text() const { return captured_.str(); }

  private:
    std::ostringstream captured_;
    std::streambuf* saved_;
};

class LoggerTest : public ::testing::Test {
  protected:
    void TearDown() override { Logger::shutdown(); }
};

TEST_F(LoggerTest, BannerNamesVersionBuildDateAndRevision) {
    LogCapture log;
    const Records records = log.records();
    ASSERT_EQ(records.size(), 1u);
    static const std::regex banner(
        R"(Begin Brennix version 1\.2\.0\.SNAPSHOT, build date: )"
        R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9]\d? \d{4}, \d\d:\d\d:\d\d, )"
        R"(HEAD: (<development build>|[0-9a-f]{7,40}(-dirty)?))");
    EXPECT_TRUE(std::regex_match(records[0], banner)) << records[0];
}

TEST_F(LoggerTest, RecordCarriesLevelLocationAndFormattedMessage) {
    LogCapture log;
    Logger::instance()->info("CpuInfo::CpuInfo", "cpu core counts = %s, %d%%", "[8,8]", -7);
    EXPECT_EQ(log.body(), Records{"INFO CpuInfo::CpuInfo: cpu core counts = [8,8], -7%"});
}

TEST_F(LoggerTest, DebugThresholdWritesAllLevels) {
    LogCapture log(LogLevel::Debug);
    writeOneOfEach();
    EXPECT_EQ(log.body(), allFour);
}

TEST_F(LoggerTest, InfoThresholdDropsDebugOnly) {
    LogCapture log(LogLevel::Info);
    writeOneOfEach();
    EXPECT_EQ(log.body(), (Records{allFour[1], allFour[2], allFour[3]}));
}

TEST_F(LoggerTest, ErrorThresholdWritesErrorsOnly) {
    LogCapture log(LogLevel::Error);
    writeOneOfEach();
    EXPECT_EQ(log.body(), Records{allFour[3]});
}

TEST_F(LoggerTest, NegativeThresholdWritesOnlyTheBanner) {
    LogCapture log(static_cast<LogLevel>(-1));
    writeOneOfEach();
    EXPECT_EQ(log.records().size(), 1u);
}

TEST_F(LoggerTest, MessageIsCutAt2047Bytes) {
    LogCapture log;
    const std::string exact(Logger::maxMessageBytes, 'a');
    const std::string longer(Logger::maxMessageBytes + 1, 'b');
    const std::string huge(5000, 'c');
    Logger::instance()->info("l", "%s", exact.c_str());
    Logger::instance()->info("l", "%s", longer.c_str());
    Logger::instance()->info("l", "%s", huge.c_str());
    EXPECT_EQ(log.body(), (Records{"INFO l: " + exact, "INFO l: " + longer.substr(0, 2047),
                                   "INFO l: " + huge.substr(0, 2047)}));
}

TEST_F(LoggerTest, SecondInitChangesNothing) {
    LogCapture log(LogLevel::Debug);
    const std::string other = scratchPath(".other.log");
    Logger::init(other, LogLevel::Error);
    Logger::instance()->debug("here", "still debug");
    EXPECT_EQ(log.body(), Records{"DEBUG here: still debug"});
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(LoggerTest, InitAfterShutdownStartsAFreshLogger) {
    const std::string path = scratchPath();
    Logger::init(path, LogLevel::Debug);
    Logger::instance()->info("first", "run");
    Logger::shutdown();
    EXPECT_EQ(Logger::instance(), nullptr);
    Logger::shutdown();  // harmless without a logger

    Logger::init(path, LogLevel::Error);
    Logger::instance()->info("second", "dropped");
    Logger::shutdown();
    const Records records = recordsIn(readBytes(path));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].rfind("Begin Brennix", 0), 0u);
    EXPECT_EQ(records[1], "INFO first: run");
    EXPECT_EQ(records[2].rfind("Begin Brennix", 0), 0u);
    removePath(path);
}

TEST_F(LoggerTest, AppendsToAnExistingLog) {
    const std::string path = scratchPath();
    const std::string old = std::string("[Mon Jan  1 00:00:00 2024] INFO old: record") + lineEnd;
    writeBytes(path, old);
    Logger::init(path, LogLevel::Debug);
    Logger::instance()->warning("new", "record");
    Logger::shutdown();
    const std::string text = readBytes(path);
    EXPECT_EQ(text.substr(0, old.size()), old);
    const Records records = recordsIn(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], "WARNING new: record");
    removePath(path);
}

TEST_F(LoggerTest, UnusableTargetsLeaveTheLoggerSilent) {
    const std::string directory = scratchPath(".dir");
    std::filesystem::create_directory(directory);
    for (const std::string& target : {directory + "/missing/sub.log", directory, std::string()}) {
        SCOPED_TRACE(target);
        Logger::init(target, LogLevel::Debug);
        ASSERT_NE(Logger::instance(), nullptr);
        writeOneOfEach();
        Logger::shutdown();
    }
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    removePath(directory);
}

TEST_F(LoggerTest, TargetsThatOnlyResembleConsoleAreFiles) {
    const std::string directory = scratchPath(".dir");
    std::filesystem::create_directory(directory);
    CapturedStdout out;
    for (const std::string name : {"my-console", "console ", "console.log"}) {
        const std::string path = directory + "/" + name;
        Logger::init(path, LogLevel::Debug);
        Logger::instance()->info("x", "y");
        Logger::shutdown();
        EXPECT_EQ(recordsIn(readBytes(path)).size(), 2u) << name;
    }
    EXPECT_EQ(out.text(), "");
    removePath(directory);
}

TEST_F(LoggerTest, FileIsReopenedForEveryRecord) {
    LogCapture log;
    const std::string path = scratchPath();
    // Made unopenable between records, the file skips one record and is
    // created afresh by the next.
    removePath(path);
    std::filesystem::create_directory(path);
    Logger::instance()->info("lost", "while a directory");
    removePath(path);
    Logger::instance()->info("kept", "after");
    EXPECT_EQ(log.records(), Records{"INFO kept: after"});
}

TEST_F(LoggerTest, ConsoleTargetWritesToStandardOutput) {
    CapturedStdout out;
    Logger::init("console", LogLevel::Debug);
    Logger::instance()->error("here", "e%d", 0);
    Logger::shutdown();
    const Records records = recordsIn(out.text(), "\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].rfind("Begin Brennix", 0), 0u);
    EXPECT_EQ(records[1], "ERROR here: e0");
}

TEST_F(LoggerTest, ConsoleRecordsStopOnceStandardOutputFailed) {
    CapturedStdout out;
    Logger::init("console", LogLevel::Debug);
    std::cout.setstate(std::ios::badbit);
    Logger::instance()->info("here", "skipped");
    std::cout.clear();
    Logger::instance()->info("here", "written");
    EXPECT_EQ(recordsIn(out.text(), "\n").back(), "INFO here: written");
    EXPECT_EQ(recordsIn(out.text(), "\n").size(), 2u);
}

TEST(FileAppenderTest, CreatesTheFileAndLeavesItClosed) {
    const std::string path = scratchPath();
    {
        FileAppender appender(path);
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
        // Closed between records: the file can be removed and comes back.
        removePath(path);
        appender.open() << "x\n";
        appender.close();
    }
    EXPECT_EQ(readBytes(path), std::string("x") + lineEnd);
    removePath(path);
}

TEST(FileAppenderTest, ConstructionFailsWithThePath) {
    const std::string path = scratchPath(".dir") + "/missing/a.log";
    try {
        FileAppender appender(path);
        FAIL() << "constructed for an unusable path";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to open " + path);
    }
}

}  // namespace
