// An environment file with any content is read into a receiver table and a display state; the
// table must stay within its 60 records and the display state within its documented ranges.
#include "protocol/environment_file.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/dev/shm/tessaly-fuzz-environment-" + std::to_string(getpid()) + ".ini";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    static const tessaly::Settings settings;
    auto table = std::make_unique<tessaly::ReceiverTable>();
    tessaly::DisplayState display;
    tessaly::readEnvironmentFile(path, *table, settings, display);

    const int count = table->count.load();
    if (count < 0 || count > tessaly::kMaxReceivers) {
        __builtin_trap();
    }
    const int mode = table->displayMode.load();
    if (mode < 0 || mode >= tessaly::kLayoutModeCount) {
        __builtin_trap();
    }
    if (display.layoutMode < 0 || display.layoutMode >= tessaly::kLayoutModeCount) {
        __builtin_trap();
    }
    if (display.rfUnit != tessaly::kRfUnitDbm && display.rfUnit != tessaly::kRfUnitMw) {
        __builtin_trap();
    }
    for (const tessaly::MatrixPair& pair : display.matrix) {
        if (pair.a < 1 || pair.a > tessaly::kMaxReceivers || pair.b < 1 ||
            pair.b > tessaly::kMaxReceivers) {
            __builtin_trap();
        }
    }
    return 0;
}
