#pragma once

#include "sim/command_interpreter.h"
#include "sim/fault.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::sim {

// How one answer leaves the receiver.
struct Delivery {
    std::string bytes; // what is written, line end included where one is sent
    int delayMs = 0;   // wait this long before the first byte
    bool byteByByte = false;
    int byteGapMs = 0; // between single bytes when byteByByte
    bool closeAfter = false;
};

// The answer to a line as the fault shapes it; nothing when the receiver stays silent.
// `garbageKey` varies the garbage from answer to answer.
std::optional<Delivery> deliveryFor(const LineOutcome& outcome, const Fault& fault,
                                    uint64_t garbageKey);

} // namespace tessaly::sim
