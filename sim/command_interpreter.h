#pragma once

#include "sim/live_levels.h"
#include "sim/receiver_state.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// What one command line did.
struct LineOutcome {
    bool hasQuery = false;           // the line holds a query, so one answer line is due
    std::vector<std::string> values; // one per query, in order
    bool monitorQuery = false;       // some value came from the live levels
    bool reboot = false;             // ":SYST:REBOOT" was among the commands

    // The answer line without its "\r\n": the values joined by ";".
    std::string answer() const;
};

// Runs one command line (without its line end) against a receiver's state the way a receiver
// does: commands separated by ";" (outside double quotes), keywords without a leading colon
// continuing the path of the previous command, keywords case-insensitive. Unknown sets are
// ignored and unknown queries answer an empty value. The live levels are asked for at most
// once, and only when the line queries them. With `ignoreNameFrequency` the name and frequency
// sets are dropped silently, as by a receiver that acknowledges them and changes nothing.
LineOutcome interpretLine(std::string_view line, ReceiverState& state,
                          const std::function<LiveLevels()>& levels,
                          bool ignoreNameFrequency = false);

// The name as the receiver answers it: quoted, right-aligned in 10 characters.
std::string quotedName(const std::string& name);

} // namespace tessaly::sim
