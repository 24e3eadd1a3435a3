// Command lines a client sends the simulated receiver. Several lines run against one state, as
// on a connection; an answer must come exactly when a query was asked.
#include "sim/command_interpreter.h"
#include "sim/live_levels.h"
#include "sim/receiver_state.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tessaly::sim::ReceiverState state;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    int levelCalls = 0;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        levelCalls = 0;
        const tessaly::sim::LineOutcome outcome =
            tessaly::sim::interpretLine(all.substr(start, end - start), state, [&levelCalls] {
                ++levelCalls;
                return tessaly::sim::LiveLevels{};
            });
        if (levelCalls > 1 || (!outcome.hasQuery && !outcome.values.empty())) {
            __builtin_trap();
        }
        (void)outcome.answer();
        start = end + 1;
    }
    return 0;
}
