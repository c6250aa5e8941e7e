// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "log-capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "logger.h"

namespace {

// Tells this process's files from those of test programs running at once.
const std::string& processToken() {
    static const std::string token =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    return token;
}

}  // namespace

std::string scratchPath(const std::string& suffix) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "cpuinfo-" + processToken() + "-";
    name += test != nullptr ? std::string(test->test_suite_name()) + "-" + test->name() : "test";
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    const auto path = std::filesystem::temp_directory_path() / (name + suffix);
    std::filesystem::remove_all(path);
    return path.string();
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void removePath(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> recordsIn(const std::string& logText, const std::string& end) {
    // ctime pads a one-digit day with a blank in glibc and with a zero in msvcrt.
    static const std::regex stamped(
        R"(\[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
        R"([ 0-3]\d \d\d:\d\d:\d\d \d{4}\] ([^\r\n]*))");
    std::vector<std::string> records;
    std::size_t start = 0;
    while (start < logText.size()) {
        const std::size_t stop = logText.find(end, start);
        if (stop == std::string::npos) {
            ADD_FAILURE() << "log ends without a line end: " << logText.substr(start);
            break;
        }
        const std::string line = logText.substr(start, stop - start);
        std::smatch match;
        if (std::regex_match(line, match, stamped)) {
            records.push_back(match[3]);
        } else {
            ADD_FAILURE() << "not a stamped log line: " << line;
        }
        start = stop + end.size();
    }
    return records;
}

LogCapture::LogCapture(LogLevel level) : path_(scratchPath()) {
    Logger::init(path_, level);
}

LogCapture::~LogCapture() {
    Logger::shutdown();
    removePath(path_);
}

std::vector<std::string> LogCapture::records() const {
    return recordsIn(readBytes(path_));
}

std::vector<std::string> LogCapture::body() const {
    std::vector<std::string> all = records();
    if (!all.empty()) all.erase(all.begin());
    return all;
}
