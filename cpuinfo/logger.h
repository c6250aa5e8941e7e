// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The process-wide logger of cpuinfo: a level threshold and one sink.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <memory>
#include <string>

#include "appender.h"
#include "log-level.h"

#if defined(__MINGW32__)
#define LOGGER_PRINTF_FORMAT(format_index, first_arg) \
    __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define LOGGER_PRINTF_FORMAT(format_index, first_arg) \
    __attribute__((format(printf, format_index, first_arg)))
#endif

class Logger {
  public:
    // Longest message a record carries; longer output is cut.
    static constexpr std::size_t maxMessageBytes = 2047;

    // Creates the process-wide logger for `name` ("console" for standard
    // output, anything else a file path) unless one exists already, then
    // writes the start banner. A file that cannot be opened leaves the logger
    // without a sink: silent, and no error.
    static void init(const std::string& name, LogLevel level);
    // The process-wide logger; null before init and after shutdown.
    static Logger* instance();
    // Destroys the process-wide logger, if any.
    static void shutdown();

    Logger(std::unique_ptr<Appender> appender, LogLevel level);
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    virtual ~Logger();

    // Each writes one record "[stamp] LEVEL location: message", if the
    // threshold admits its level and there is a sink.
    void debug(const char* location, const char* format, ...) LOGGER_PRINTF_FORMAT(3, 4);
    void info(const char* location, const char* format, ...) LOGGER_PRINTF_FORMAT(3, 4);
    void warning(const char* location, const char* format, ...) LOGGER_PRINTF_FORMAT(3, 4);
    void error(const char* location, const char* format, ...) LOGGER_PRINTF_FORMAT(3, 4);

  private:
    void write(LogLevel level, const char* label, const char* location, const char* format,
               va_list arguments) LOGGER_PRINTF_FORMAT(5, 0);
    void writeBanner();

    std::unique_ptr<Appender> appender_;
    LogLevel level_;
};

// The current local time as ctime renders it, without the line end.
std::string logTimestamp();
