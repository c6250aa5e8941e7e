#include "file-appender.h"

#include <stdexcept>
#include <utility>

#include "platform/platform.h"

FileAppender::FileAppender(std::string path) : path_(std::move(path)) {
    open();
    if (!stream_.good()) throw std::invalid_argument("Failed to open " + path_);
    close();
}

std::ostream& FileAppender::open() {
    platform::openForAppend(stream_, path_);
    return stream_;
}

void FileAppender::close() {
    stream_.close();
}
