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
    std::vsnprintf(message, sizeof message, format, arguments);
    message[maxMessageBytes] = '\0';

    std::ostream& out = appender_->open();
    if (out.rdstate() == std::ios::goodbit) {
        out << '[' << logTimestamp() << label << location << ": " << message << '\n' << std::flush;
    }
    appender_->close();
}

#define LOGGER_WRITER(name, level, label)                              \
    void Logger::name(const char* location, const char* format, ...) { \
        va_list arguments;                                             \
        va_start(arguments, format);                                   \
        write(level, label, location, format, arguments);              \
        va_end(arguments);                                             \
    }

LOGGER_WRITER(debug, LogLevel::Debug, "] DEBUG ")
LOGGER_WRITER(info, LogLevel::Info, "] INFO ")
LOGGER_WRITER(warning, LogLevel::Warning, "] WARNING ")
LOGGER_WRITER(error, LogLevel::Error, "] ERROR ")
