#pragma once

#include "sim/fault.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// One line of the rehearsal control (tessaly-sim --control): "RX KEY VALUE...", where RX is a
// number, a list or range ("2,5-7") or "all".
enum class ControlKey { Battery, Drain, Rf, Af, Mute, Fault, Down, Up };

struct ControlCommand {
    std::vector<int> receivers; // 1-based, every one within the simulator's count
    ControlKey key = ControlKey::Battery;
    int value = 0;                // battery level, drain seconds a level, mute 0/1
    std::optional<double> levelA; // rf antenna A dBm or af dB; unset: back to the live levels
    std::optional<double> levelB; // rf antenna B dBm
    Fault fault;
};

constexpr size_t kMaxControlLineLength = 1024;
constexpr int kMaxDrainSecondsPerLevel = 24 * 3600;

// Parses a whole line against `receiverCount` receivers; false with `error` for anything it
// does not fully understand, so that a bad line changes nothing.
bool parseControlLine(std::string_view line, int receiverCount, ControlCommand& command,
                      std::string& error);

} // namespace tessaly::sim
