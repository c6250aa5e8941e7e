// Host file access: paths are byte strings already.
#include "platform/platform.h"

namespace platform {

void openForAppend(std::ofstream& stream, const std::string& path) {
    stream.open(path, std::ios::out | std::ios::app);
}

}  // namespace platform
