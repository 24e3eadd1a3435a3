#include "protocol/answer_parser.h"

#include "protocol/command_builder.h"
#include "protocol/frequency.h"
#include "protocol/number_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaly {

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int32_t clampToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(std::trunc(value));
}

// Levels arrive in dB with one decimal and are kept in tenths.
int32_t tenthsOf(std::string_view field) {
    return clampToInt32(parseDecimal(field) * 10.0);
}

std::string nameFromAnswer(std::string_view line) {
    if (!line.empty() && line.back() == '"') {
        line.remove_suffix(1);
    }
    // Blanks before the opening quote too: a line cut down to its end by the line buffer keeps
    // the padding that stood in front of it, and the quote must not end up in the name.
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    if (!line.empty() && line.front() == '"') {
        line.remove_prefix(1);
    }
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    return std::string(line);
}

SharedInt* integerField(int32_t itemId, ReceiverRecord& record) {
    switch (itemId) {
    case kItemAfVolume:
        return &record.afVolume;
    case kItemLineMic:
        return &record.lineMic;
    case kItemAntennaSwitch:
        return &record.antennaSwitch;
    case kItemRxKeyLock:
        return &record.rxKeyLock;
    case kItemRfPower:
        return &record.rfPower;
    case kItemMicGain:
        return &record.micGain;
    case kItemTxKeyLock:
        return &record.txKeyLock;
    case kItemBatteryKind:
        return &record.batteryKind;
    case kItemDhcpServer:
        return &record.dhcpServer;
    case kItemIpSelect:
        return &record.ipSelect;
    case kItemBand:
        return &record.band;
    case kItemSquelch:
        return &record.squelch;
    default:
        return nullptr;
    }
}

} // namespace

int32_t parseLeadingInt(std::string_view text) {
    return atoiRule(text);
}

void parseConfigurationAnswer(int32_t itemId, std::string_view line, ReceiverRecord& record) {
    if (SharedInt* field = integerField(itemId, record)) {
        *field = parseLeadingInt(line);
        return;
    }
    switch (itemId) {
    case kItemFrequency: {
        // Stored in our own form, not in the receiver's formatting.
        const int32_t khz = textToKhz(line);
        record.freqKhz = khz;
        record.freqText = khzToText(khz);
        break;
    }
    case kItemName:
        record.name = nameFromAnswer(line);
        break;
    case kItemConfiguredIp:
        record.configuredIp = std::string(line);
        break;
    case kItemSubnetMask:
        record.subnetMask = std::string(line);
        break;
    case kItemMacAddress:
        record.mac = std::string(line);
        break;
    case kItemSystemInfo: {
        // The first field is the model; the rest is what the dialogs show.
        const size_t comma = line.find(',');
        record.systemInfo =
            comma == std::string_view::npos ? std::string() : std::string(line.substr(comma + 1));
        break;
    }
    case kItemFrequencyRange: {
        const size_t separator = line.find(';');
        record.lowestFreqKhz = textToKhz(line.substr(0, separator));
        if (separator != std::string_view::npos) {
            record.highestFreqKhz = textToKhz(line.substr(separator + 1));
        }
        break;
    }
    default:
        break; // answers that only confirm a command
    }
}

MonitorParseResult parseMonitorAnswer(int32_t itemId, std::string_view line,
                                      MonitorValues& values) {
    MonitorParseResult result;
    switch (itemId) {
    case kItemPoll:
        break;
    case kItemConnectWithFrequency:
        values.freqKhz = textToKhz(line);
        return result;
    case kItemRxTxSettings:
        return result;
    default:
        result.code = kMonitorParseUnknownItem;
        return result;
    }

    SharedInt* const integers[] = {&values.battery, &values.antennaSelect, &values.mute};
    SharedInt* const levels[] = {&values.rfLevelA, &values.rfLevelB, &values.afLevel};
    int stored = 0;
    size_t pos = 0;
    // An empty text after the last ";" is no field.
    while (stored < kPollAnswerFields && pos < line.size()) {
        const size_t end = std::min(line.find(';', pos), line.size());
        const std::string_view field = line.substr(pos, end - pos);
        if (stored < 3) {
            *levels[stored] = tenthsOf(field);
        } else {
            *integers[stored - 3] = parseLeadingInt(field);
        }
        ++stored;
        pos = end + 1;
    }
    if (stored < kPollAnswerFields) {
        result.code = kMonitorParseShortage;
        result.message = "Answer Data Shortage [" + std::to_string(stored) + "/6]";
    }
    return result;
}

} // namespace tessaly
