// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "logger.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <exception>
#include <ostream>

#include "build-info.h"
#include "console-appender.h"
#include "file-appender.h"

namespace {

Logger* processLogger = nullptr;

}  // namespace

std::string logTimestamp() {
    const std::time_t now = std::time(nullptr);
    const char* text = std::ctime(&now);
    if (text == nullptr) return {};
    std::string stamp(text);
    stamp.erase(std::min(stamp.find('\n'), stamp.size()));
    return stamp;
}

void Logger::init(const std::string& name, LogLevel level) {
    if (processLogger != nullptr) return;
    std::unique_ptr<Appender> appender;
    if (name == "console") {
        appender = std::make_unique<ConsoleAppender>();
    } else {
        try {
            appender = std::make_unique<FileAppender>(name);
        } catch (const std::exception&) {
            // An unusable log target must not stop the program: log nothing.
        }
    }
    processLogger = new Logger(std::move(appender), level);
    processLogger->writeBanner();
}

Logger* Logger::instance() {
    return processLogger;
}

void Logger::shutdown() {
    delete processLogger;
    processLogger = nullptr;
}

Logger::Logger(std::unique_ptr<Appender> appender, LogLevel level)
    : appender_(std::move(appender)), level_(level) {}

Logger::~Logger() = default;

void Logger::writeBanner() {
    if (!appender_) return;
    const std::string stamp = logTimestamp();
    std::ostream& out = appender_->open();
    out << '[' << stamp << "] Begin Brennix version " << buildinfo::version
        << ", build date: " << buildinfo::buildDate << ", HEAD: " << buildinfo::revision << '\n'
        << std::flush;
    appender_->close();
}

void Logger::write(LogLevel level, const char* label, const char* location, const char* format,
                   va_list arguments) {
    if (level_ < level || !appender_) return;
    char message[maxMessageBytes + 1];
    // Longer output is cut: the length it would have had does not matter.
    (void)std::vsnprintf(message, sizeof message, format, arguments);
    message[maxMessageBytes] = '\0';

    std::ostream& out = appender_->open();
    if (out.rdstate() == std::ios::goodbit) {
        out << '[' << logTimestamp() << label << location << ": " << message << '\n' << std::flush;
    }
    appender_->close();
}

void Logger::debug(const char* location, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write(LogLevel::Debug, "] DEBUG ", location, format, arguments);
    va_end(arguments);
}

void Logger::info(const char* location, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write(LogLevel::Info, "] INFO ", location, format, arguments);
    va_end(arguments);
}

void Logger::warning(const char* location, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write(LogLevel::Warning, "] WARNING ", location, format, arguments);
    va_end(arguments);
}

void Logger::error(const char* location, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write(LogLevel::Error, "] ERROR ", location, format, arguments);
    va_end(arguments);
}
