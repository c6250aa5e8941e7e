#include "console-appender.h"

#include <iostream>

std::ostream& ConsoleAppender::open() {
    return std::cout;
}

void ConsoleAppender::close() {
    std::cout.flush();
}
