#include "sim/answer_delivery.h"

#include "sim/sim_hash.h"

#include <algorithm>

namespace tessaly::sim {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kMinGarbageLength = 8;

std::string garbageLine(size_t length, uint64_t key) {
    std::string line(std::max(length, kMinGarbageLength), '\0');
    for (size_t i = 0; i < line.size(); ++i) {
        char c = static_cast<char>(hashOf(key, i) & 0xFF);
        if (c == '\n') {
            c = '#'; // the line ends only where the answer ends
        }
        line[i] = c;
    }
    return line;
}

} // namespace

std::optional<Delivery> deliveryFor(const LineOutcome& outcome, const Fault& fault,
                                    uint64_t garbageKey) {
    if (!outcome.hasQuery || fault.kind == FaultKind::Silent) {
        return std::nullopt;
    }
    Delivery delivery;
    std::string line = outcome.answer();
    switch (fault.kind) {
    case FaultKind::Late:
        delivery.delayMs = fault.parameter;
        break;
    case FaultKind::CloseMidAnswer:
        delivery.bytes = line.substr(0, std::max<size_t>(1, line.size() / 2));
        delivery.closeAfter = true;
        return delivery;
    case FaultKind::ShortAnswer:
        if (outcome.values.size() > 1) {
            LineOutcome shorter = outcome;
            shorter.values.resize(outcome.values.size() / 2);
            line = shorter.answer();
        }
        break;
    case FaultKind::Garbage:
        line = garbageLine(line.size(), garbageKey);
        break;
    case FaultKind::LongLine:
        if (line.size() < static_cast<size_t>(fault.parameter)) {
            line.insert(0, static_cast<size_t>(fault.parameter) - line.size(), ' ');
        }
        break;
    case FaultKind::LargeBlock: {
        const size_t withEnd = line.size() + 2;
        if (withEnd < static_cast<size_t>(fault.parameter)) {
            line.insert(0, static_cast<size_t>(fault.parameter) - withEnd, ' ');
        }
        break;
    }
    case FaultKind::ByteByByte:
        delivery.byteByByte = true;
        delivery.byteGapMs = fault.parameter;
        break;
    default:
        break;
    }
    delivery.bytes = line + kLineEnd;
    if (fault.kind == FaultKind::BlankLineFirst) {
        delivery.bytes.insert(0, kLineEnd);
    }
    return delivery;
}

} // namespace tessaly::sim
