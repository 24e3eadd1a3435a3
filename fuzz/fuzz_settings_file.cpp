// A settings file with any content is read (from /dev/shm: on disk, rewriting the file each run
// waits for the flush that replacing by truncation triggers); the values that come out must lie
// within what the rest of the program can take.
#include "protocol/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath() {
    static const std::string path =
        "/dev/shm/tessaly-fuzz-settings-" + std::to_string(getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const tessaly::Settings settings = tessaly::readSettingsFile(path, "/tmp");
    if (settings.helpUrl.size() > tessaly::kSettingsValueLimit) {
        __builtin_trap();
    }
    return 0;
}
