// Received blocks cut into answer lines. The input is split into blocks at bytes chosen by the
// input itself, and every line handed out must fit the collector's buffer and hold no line end.
#include "protocol/answer_line_collector.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tessaly::AnswerLineCollector collector;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    size_t position = 0;
    while (position < all.size()) {
        // The byte at the cut point picks the size of the next block (1 to 256 bytes).
        const size_t blockSize = 1 + static_cast<uint8_t>(all[position]);
        const std::string_view block = all.substr(position, blockSize);
        position += block.size();
        collector.feed(block, [](std::string_view line) {
            if (line.size() >= tessaly::AnswerLineCollector::kBufferSize ||
                line.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) {
                __builtin_trap();
            }
        });
        if (collector.pendingSize() >= tessaly::AnswerLineCollector::kBufferSize) {
            __builtin_trap();
        }
    }
    return 0;
}
