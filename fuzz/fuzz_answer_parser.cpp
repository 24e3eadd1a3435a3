// Answer lines from a receiver, stored by both parsers. The first byte chooses the item the
// line answers (ids beyond the known ones too), the rest is the line.
#include "protocol/answer_parser.h"
#include "protocol/receiver_table.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const int32_t itemId = data[0] % 64;
    const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);

    tessaly::ReceiverRecord record;
    tessaly::parseConfigurationAnswer(itemId, line, record);

    tessaly::MonitorValues values;
    const tessaly::MonitorParseResult result = tessaly::parseMonitorAnswer(itemId, line, values);
    if (result.code == tessaly::kMonitorParseOk && !result.message.empty()) {
        __builtin_trap(); // success carries no message
    }
    (void)tessaly::parseLeadingInt(line);
    return 0;
}
