#include "protocol/command_builder.h"

#include "protocol/frequency.h"
#include "protocol/ipv4_address.h"

#include <cstdio>

namespace tessaly {

namespace {

// A plain-decimal frequency text longer than this is not one we ever write; it travels in the
// "%.3f" form of its kHz value instead, which keeps the connect-time line within its length.
constexpr size_t kMaxUnchangedFrequencyText = 16;

std::string intText(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}

std::string pinText(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", static_cast<int>(value));
    return buffer;
}

std::string paddedName(std::string_view name) {
    std::string value = nameForCommand(name);
    if (value.size() < kNameFieldWidth) {
        value.insert(0, kNameFieldWidth - value.size(), ' ');
    }
    return value;
}

// The ten RX/TX settings as one chain of set commands, shared by both builders.
std::string rxTxSetText(const ReceiverRecord& record) {
    return ":AFV " + intText(record.afVolume) + ";:AFV:LVL " + intText(record.lineMic) +
           ";:ANT:SW " + intText(record.antennaSwitch) + ";:LOCK " + intText(record.rxKeyLock) +
           ";:LOCK:PIN " + pinText(record.rxKeyLockPin) + ";:SQUELCH " + intText(record.squelch) +
           ";:TXSET:RFP " + intText(record.rfPower) + ";MICG " + intText(record.micGain) +
           ";LOCK " + intText(record.txKeyLock) + ";BATK " + intText(record.batteryKind);
}

class ItemList {
public:
    // Queues the item unless its line is too long; a cut set command would send a wrong value.
    bool add(int32_t id, int32_t answerKind, std::string_view text) {
        CommandItem item;
        if (!item.assign(id, answerKind, text)) {
            return false;
        }
        items.push_back(item);
        return true;
    }

    std::vector<CommandItem> items;
};

void addSetPart(ReceiverRecord& record, uint32_t setMask, ItemList& list) {
    if (setMask & kMaskName) {
        list.add(kItemName, kAnswerLine, ":NAME \"" + paddedName(record.name) + "\";:NAME?");
    }
    if (setMask & kMaskFrequency) {
        const std::string mhz = formatFixed(parseDecimal(record.freqText), 4);
        if (list.add(kItemFrequency, kAnswerLine, ":FREQ " + mhz + ";:FREQ?")) {
            record.freqChanged = 0;
            record.nameChanged = 0;
        }
        if (record.rxtxChanged.seen() != 0 &&
            list.add(kItemRxTxSettings, kAnswerLine, rxTxSetText(record) + ";:LOCK?")) {
            record.rxtxChanged = 0;
        }
    }
    if (setMask & kMaskAfVolume) {
        list.add(kItemAfVolume, kAnswerLine, ":AFV " + intText(record.afVolume) + ";:AFV?");
    }
    if (setMask & kMaskLineMic) {
        list.add(kItemLineMic, kAnswerLine, ":AFV:LVL " + intText(record.lineMic) + ";:AFV:LVL?");
    }
    if (setMask & kMaskAntennaSwitch) {
        list.add(kItemAntennaSwitch, kAnswerLine,
                 ":ANT:SW " + intText(record.antennaSwitch) + ";:ANT:SW?");
    }
    if (setMask & kMaskRxKeyLock) {
        list.add(kItemRxKeyLock, kAnswerLine, ":LOCK " + intText(record.rxKeyLock) + ";:LOCK?");
    }
    if (setMask & kMaskRxKeyLockPin) {
        list.add(kItemRxKeyLockPin, kAnswerNone, ":LOCK:PIN " + pinText(record.rxKeyLockPin));
    }
    if (setMask & kMaskSquelch) {
        list.add(kItemSquelch, kAnswerLine, ":SQUELCH " + intText(record.squelch) + ";:SQUELCH?");
    }
    if (setMask & kMaskRfPower) {
        list.add(kItemRfPower, kAnswerLine,
                 ":TXSET:RFP " + intText(record.rfPower) + ";:TXSET:RFP?");
    }
    if (setMask & kMaskMicGain) {
        list.add(kItemMicGain, kAnswerLine,
                 ":TXSET:MICG " + intText(record.micGain) + ";:TXSET:MICG?");
    }
    if (setMask & kMaskTxKeyLock) {
        list.add(kItemTxKeyLock, kAnswerLine,
                 ":TXSET:LOCK " + intText(record.txKeyLock) + ";:TXSET:LOCK?");
    }
    if (setMask & kMaskBatteryKind) {
        list.add(kItemBatteryKind, kAnswerLine,
                 ":TXSET:BATK " + intText(record.batteryKind) + ";:TXSET:BATK?");
    }
    // Addresses come from files and answers unchecked; only a real address may be sent.
    if ((setMask & kMaskConfiguredIp) && isDottedIpv4(record.configuredIp)) {
        list.add(kItemConfiguredIp, kAnswerLine,
                 ":COMM:LAN:IPADR " + record.configuredIp + ";:COMM:LAN:IPADR?");
    }
    if ((setMask & kMaskSubnetMask) && isDottedIpv4(record.subnetMask)) {
        list.add(kItemSubnetMask, kAnswerLine,
                 ":COMM:LAN:MASK " + record.subnetMask + ";:COMM:LAN:MASK?");
    }
    if (setMask & kMaskDhcpServer) {
        list.add(kItemDhcpServer, kAnswerLine,
                 ":COMM:LAN:DHCPD " + intText(record.dhcpServer) + ";:COMM:LAN:DHCPD?");
    }
    if (setMask & kMaskIpSelect) {
        list.add(kItemIpSelect, kAnswerLine,
                 ":COMM:LAN:DHCP " + intText(record.ipSelect) + ";:COMM:LAN:DHCP?");
    }
    if (setMask & kMaskReboot) {
        list.add(kItemReboot, kAnswerNone, ":SYST:REBOOT");
    }
}

void addGetPart(uint32_t getMask, ItemList& list) {
    struct Query {
        uint32_t bit;
        int32_t id;
        std::string_view text;
    };
    static constexpr Query kQueries[] = {
        {kMaskName, kItemName, ":NAME?"},
        {kMaskFrequency, kItemFrequency, ":FREQ?"},
        {kMaskAfVolume, kItemAfVolume, ":AFV?"},
        {kMaskLineMic, kItemLineMic, ":AFV:LVL?"},
        {kMaskAntennaSwitch, kItemAntennaSwitch, ":ANT:SW?"},
        {kMaskRxKeyLock, kItemRxKeyLock, ":LOCK?"},
        {kMaskSquelch, kItemSquelch, ":SQUELCH?"},
        {kMaskRfPower, kItemRfPower, ":TXSET:RFP?"},
        {kMaskMicGain, kItemMicGain, ":TXSET:MICG?"},
        {kMaskTransmitterInput, kItemTransmitterInput, ":TXSET:INPUT?"},
        {kMaskTxKeyLock, kItemTxKeyLock, ":TXSET:LOCK?"},
        {kMaskBatteryKind, kItemBatteryKind, ":TXSET:BATK?"},
        {kMaskConfiguredIp, kItemConfiguredIp, ":COMM:LAN:IPADR?"},
        {kMaskSubnetMask, kItemSubnetMask, ":COMM:LAN:MASK?"},
        {kMaskDhcpServer, kItemDhcpServer, ":COMM:LAN:DHCPD?"},
        {kMaskIpSelect, kItemIpSelect, ":COMM:LAN:DHCP?"},
        {kMaskMacAddress, kItemMacAddress, ":COMM:LAN:MAC?"},
        {kMaskSystemInfo, kItemSystemInfo, ":SYST:INF?"},
        {kMaskFrequencyRange, kItemFrequencyRange, ":FREQ? MIN;:FREQ? MAX"},
        {kMaskBand, kItemBand, ":BAND?"},
        {kMaskRemoteState, kItemRemoteState, ":REMOTE?"},
    };
    for (const Query& query : kQueries) {
        if (getMask & query.bit) {
            list.add(query.id, kAnswerLine, query.text);
        }
    }
}

std::string connectTimeText(const std::string& frequencyPart, const std::string& rxTxPart,
                            const std::string& namePart) {
    std::string text;
    for (const std::string* part : {&frequencyPart, &rxTxPart, &namePart}) {
        if (!part->empty()) {
            text += *part;
            text += ';';
        }
    }
    text += ":REMOTE 1";
    text += frequencyPart.empty() ? ";:LOCK?" : ";:FREQ?";
    return text;
}

} // namespace

std::string nameForCommand(std::string_view name) {
    std::string value;
    value.reserve(name.size());
    for (char c : name) {
        if (c != '"' && c != ';' && c != '\r' && c != '\n' && c != '\0') {
            value += c;
        }
    }
    return value;
}

bool isDottedIpv4(std::string_view text) {
    return parseIpv4Text(text).has_value();
}

std::vector<CommandItem> buildConfigurationExchange(ReceiverRecord& record, uint32_t setMask,
                                                    uint32_t getMask) {
    ItemList list;
    addSetPart(record, setMask, list);
    addGetPart(getMask, list);
    return std::move(list.items);
}

CommandItem buildConnectTimeCommand(ReceiverRecord& record) {
    std::string frequencyPart;
    if (record.freqChanged.seen() != 0) {
        const bool sendUnchanged =
            isPlainDecimal(record.freqText) && record.freqText.size() <= kMaxUnchangedFrequencyText;
        frequencyPart =
            ":FREQ " + (sendUnchanged ? record.freqText : khzToText(textToKhz(record.freqText)));
    }
    std::string rxTxPart;
    if (record.rxtxChanged.seen() != 0) {
        rxTxPart = rxTxSetText(record);
    }
    std::string namePart;
    if (record.nameChanged.seen() != 0) {
        namePart = ":NAME \"" + nameForCommand(record.name) + "\"";
    }

    // Only the name is unbounded. When it would make the line too long it is left out and stays
    // pending, so that the frequency, the RX/TX settings and remote control still reach the
    // receiver; a name that long cannot be sent in any command.
    CommandItem item;
    const int32_t id = frequencyPart.empty() ? kItemRxTxSettings : kItemConnectWithFrequency;
    bool nameSent = !namePart.empty();
    if (!item.assign(id, kAnswerLine, connectTimeText(frequencyPart, rxTxPart, namePart))) {
        nameSent = false;
        item.assign(id, kAnswerLine, connectTimeText(frequencyPart, rxTxPart, {}));
    }
    if (!frequencyPart.empty()) {
        record.freqChanged = 0;
    }
    if (!rxTxPart.empty()) {
        record.rxtxChanged = 0;
    }
    if (nameSent) {
        record.nameChanged = 0;
    }
    return item;
}

const CommandItem& pollCommandItem() {
    static const CommandItem item = [] {
        CommandItem poll;
        poll.assign(kItemPoll, kAnswerLine, kPollCommandText);
        return poll;
    }();
    return item;
}

} // namespace tessaly
