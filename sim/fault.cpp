#include "sim/fault.h"

#include <charconv>

namespace tessaly::sim {

namespace {

struct KindName {
    FaultKind kind;
    const char* name;
    int defaultParameter; // 0: the kind takes no parameter
};

constexpr KindName kKindNames[] = {
    {FaultKind::None, "none", 0},
    {FaultKind::Refuse, "refuse", 0},
    {FaultKind::Silent, "silent", 0},
    {FaultKind::Late, "late", kDefaultLateMs},
    {FaultKind::CloseMidAnswer, "close-mid", 0},
    {FaultKind::ShortAnswer, "short", 0},
    {FaultKind::Garbage, "garbage", 0},
    {FaultKind::LongLine, "long-line", kDefaultLongLineLength},
    {FaultKind::LargeBlock, "large-block", kDefaultLargeBlockBytes},
    {FaultKind::ByteByByte, "byte-by-byte", kDefaultByteGapMs},
};

const KindName& entryOf(FaultKind kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.kind == kind) {
            return entry;
        }
    }
    return kKindNames[0];
}

bool parseNumber(std::string_view text, int& value) {
    if (text.empty()) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

Fault makeFault(FaultKind kind) {
    return Fault{kind, entryOf(kind).defaultParameter};
}

Fault makeFault(FaultKind kind, int parameter) {
    return Fault{kind, parameter};
}

bool parseFault(std::string_view text, Fault& fault, std::string& error) {
    const size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const KindName& entry : kKindNames) {
        if (name != entry.name) {
            continue;
        }
        Fault parsed = makeFault(entry.kind);
        if (colon != std::string_view::npos) {
            int value = 0;
            if (entry.defaultParameter == 0) {
                error = "fault \"" + std::string(name) + "\" takes no value";
                return false;
            }
            if (!parseNumber(text.substr(colon + 1), value) || value < 0 ||
                value > kMaxFaultParameter) {
                error = "bad value in fault \"" + std::string(text) + "\"";
                return false;
            }
            parsed.parameter = value;
        }
        fault = parsed;
        return true;
    }
    error = "unknown fault \"" + std::string(name) + "\" (known: " + faultNamesText() + ")";
    return false;
}

std::string faultText(const Fault& fault) {
    const KindName& entry = entryOf(fault.kind);
    std::string text = entry.name;
    if (entry.defaultParameter != 0) {
        text += ":" + std::to_string(fault.parameter);
    }
    return text;
}

std::string faultNamesText() {
    std::string text;
    for (const KindName& entry : kKindNames) {
        if (!text.empty()) {
            text += ", ";
        }
        text += entry.name;
        if (entry.defaultParameter != 0) {
            text += "[:" + std::to_string(entry.defaultParameter) + "]";
        }
    }
    return text;
}

bool parseReceiverNumbers(std::string_view text, std::vector<int>& numbers, std::string& error) {
    std::vector<int> parsed;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        const bool ok = dash == std::string_view::npos
                            ? parseNumber(item, first) && (last = first, true)
                            : parseNumber(item.substr(0, dash), first) &&
                                  parseNumber(item.substr(dash + 1), last);
        if (!ok || first < 1 || last < first || last > 255) {
            error = "bad receiver numbers \"" + std::string(item) + "\" in \"" + std::string(text) +
                    "\"";
            return false;
        }
        for (int number = first; number <= last; ++number) {
            parsed.push_back(number);
        }
    }
    if (parsed.empty()) {
        error = "no receiver numbers in \"" + std::string(text) + "\"";
        return false;
    }
    numbers = std::move(parsed);
    return true;
}

bool parseFaultAssignment(std::string_view text, FaultAssignment& assignment, std::string& error) {
    FaultAssignment parsed;
    const size_t equals = text.find('=');
    std::string_view faultPart = text;
    if (equals != std::string_view::npos) {
        faultPart = text.substr(equals + 1);
        if (!parseReceiverNumbers(text.substr(0, equals), parsed.numbers, error)) {
            return false;
        }
    }
    if (!parseFault(faultPart, parsed.fault, error)) {
        return false;
    }
    assignment = parsed;
    return true;
}

} // namespace tessaly::sim
