// Host entry point: arguments arrive as bytes already.
#include <iostream>

#include "driver.h"

int main(int argc, char** argv) {
    return runCpuInfo({argv + 1, argv + argc}, std::cout, std::cerr);
}
