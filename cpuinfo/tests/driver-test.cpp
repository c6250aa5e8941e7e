// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The driver: the command-line check, the result line and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <streambuf>

#include "driver.h"
#include "log-capture.h"
#include "logger.h"

namespace {

using Arguments = std::vector<std::string>;

const std::string usage = "error: use --logfile to specify a log file\n";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const Arguments& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCpuInfo(arguments, out, err);
    return {status, out.str(), err.str()};
}

TEST(Driver, RejectsAWrongNumberOfArguments) {
    const std::string path = scratchPath();
    for (const Arguments& arguments :
         {Arguments{}, Arguments{"--logfile"}, Arguments{"--logfile", path, "extra"}}) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, usage);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(Logger::instance(), nullptr);
}

TEST(Driver, RejectsAnythingButTheExactOption) {
    const std::string path = scratchPath();
    for (const std::string option :
         {"--LOGFILE", "--Logfile", "-logfile", "--logfile=x", "--logfile ", "logfile", ""}) {
        const Outcome result = run({option, path});
        EXPECT_EQ(result.status, 1) << option;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, usage);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Driver, PrintsOneResultLineAndLogsToTheFile) {
    const std::string path = scratchPath();
    const Outcome result = run({"--logfile", path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(std::regex_match(result.out, std::regex(R"(\[\d+(,\d+)*\]\n)"))) << result.out;
    EXPECT_EQ(Logger::instance(), nullptr);

    const std::vector<std::string> records = recordsIn(readBytes(path));
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records.front().rfind("Begin Brennix", 0), 0u);
    const std::string counts = result.out.substr(0, result.out.size() - 1);
    EXPECT_EQ(records.back(), "INFO CpuInfo::CpuInfo: cpu core counts = " + counts);
    removePath(path);
}

TEST(Driver, UnusableLogTargetIsNoError) {
    const Outcome result = run({"--logfile", scratchPath(".dir") + "/missing/x.log"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(std::regex_match(result.out, std::regex(R"(\[\d+(,\d+)*\]\n)")));
}

TEST(Driver, ReportsAResultLineThatCannotBeWritten) {
    const std::string path = scratchPath();
    std::ostream broken(nullptr);  // every write fails
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, broken, err), 2);
    EXPECT_EQ(err.str(), "error: cannot write the result to standard output\n");
    EXPECT_EQ(Logger::instance(), nullptr);
    removePath(path);
}

// Takes every write into its buffer and fails when asked to flush, as a full
// disk can behind a buffered standard output.
class FailsOnFlush : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    int sync() override { return -1; }
};

TEST(Driver, ReportsAResultLineWhoseFlushFails) {
    const std::string path = scratchPath();
    FailsOnFlush buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, out, err), 2);
    EXPECT_EQ(err.str(), "error: cannot write the result to standard output\n");
    removePath(path);
}

}  // namespace
