#pragma once

#include "protocol/receiver_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Results of the monitor parser; the monitor engine treats both failures as a communication
// failure.
constexpr int32_t kMonitorParseOk = 0;
constexpr int32_t kMonitorParseShortage = 1;     // a poll answer with fewer than six fields
constexpr int32_t kMonitorParseUnknownItem = 99; // not an item the monitor engine sends

constexpr int kPollAnswerFields = 6;

struct MonitorParseResult {
    int32_t code = kMonitorParseOk;
    std::string message; // for the engine's trace; empty on success
};

// Stores the answer line to the item with the given id into the record. Never fails: text that
// is not a number reads as 0, and answers to items that store nothing are ignored.
void parseConfigurationAnswer(int32_t itemId, std::string_view line, ReceiverRecord& record);

// Stores the answer line to a poll or connect-time command into the monitor values entry. A
// short poll answer keeps the fields read so far and fails with "Answer Data Shortage [n/6]".
MonitorParseResult parseMonitorAnswer(int32_t itemId, std::string_view line, MonitorValues& values);

// The integer at the start of a text: leading white space skipped, optional sign, decimal
// digits, anything after them ignored; 0 without digits, and held to the int32 range.
int32_t parseLeadingInt(std::string_view text);

} // namespace tessaly
