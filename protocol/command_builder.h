#pragma once

#include "protocol/command_item.h"
#include "protocol/receiver_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Bits of the receiver table's set and get masks. A bit names the same setting in both masks;
// some settings can only be set (PIN, reboot) or only be read (transmitter input, MAC address,
// system information, frequency range, band, remote state).
constexpr uint32_t kMaskName = 0x1;
constexpr uint32_t kMaskFrequency = 0x2;
constexpr uint32_t kMaskAfVolume = 0x4;
constexpr uint32_t kMaskLineMic = 0x8;
constexpr uint32_t kMaskAntennaSwitch = 0x10;
constexpr uint32_t kMaskRxKeyLock = 0x20;
constexpr uint32_t kMaskRxKeyLockPin = 0x40;
constexpr uint32_t kMaskRfPower = 0x80;
constexpr uint32_t kMaskMicGain = 0x100;
constexpr uint32_t kMaskTransmitterInput = 0x200;
constexpr uint32_t kMaskTxKeyLock = 0x400;
constexpr uint32_t kMaskBatteryKind = 0x800;
constexpr uint32_t kMaskConfiguredIp = 0x1000;
constexpr uint32_t kMaskSubnetMask = 0x2000;
constexpr uint32_t kMaskMacAddress = 0x4000;
constexpr uint32_t kMaskDhcpServer = 0x8000;
constexpr uint32_t kMaskSystemInfo = 0x10000;
constexpr uint32_t kMaskIpSelect = 0x20000;
constexpr uint32_t kMaskReboot = 0x40000;
constexpr uint32_t kMaskFrequencyRange = 0x80000;
constexpr uint32_t kMaskBand = 0x100000;
constexpr uint32_t kMaskRemoteState = 0x200000;
constexpr uint32_t kMaskSquelch = 0x400000;

// The mask pairs the dialogs use.
constexpr uint32_t kUploadSetMask = kMaskName | kMaskFrequency;
constexpr uint32_t kUploadGetMask = kMaskAfVolume | kMaskLineMic | kMaskAntennaSwitch |
                                    kMaskRxKeyLock | kMaskSquelch | kMaskRfPower | kMaskMicGain |
                                    kMaskTxKeyLock | kMaskBatteryKind | kMaskSystemInfo | kMaskBand;
constexpr uint32_t kDownloadSetMask = 0;
constexpr uint32_t kDownloadGetMask = kUploadGetMask | kMaskName | kMaskFrequency;
constexpr uint32_t kReadBackSetMask = 0; // what an upload reads before and after it sends
constexpr uint32_t kReadBackGetMask = kMaskName | kMaskFrequency;
constexpr uint32_t kInformationSetMask = 0;
constexpr uint32_t kInformationGetMask = kDownloadGetMask;
static_assert(kUploadSetMask == 0x3 && kUploadGetMask == 0x510DBC);
static_assert(kDownloadGetMask == 0x510DBF && kInformationGetMask == 0x510DBF);

// Item ids: they tell the parsers what an answer line means.
constexpr int32_t kItemFrequency = 11;
constexpr int32_t kItemName = 12;
constexpr int32_t kItemAfVolume = 13;
constexpr int32_t kItemLineMic = 14;
constexpr int32_t kItemAntennaSwitch = 15;
constexpr int32_t kItemRxKeyLock = 16;
constexpr int32_t kItemRxKeyLockPin = 17;
constexpr int32_t kItemRfPower = 18;
constexpr int32_t kItemMicGain = 19;
constexpr int32_t kItemTransmitterInput = 20;
constexpr int32_t kItemTxKeyLock = 21;
constexpr int32_t kItemBatteryKind = 22;
constexpr int32_t kItemConfiguredIp = 28;
constexpr int32_t kItemSubnetMask = 30;
constexpr int32_t kItemMacAddress = 31;
constexpr int32_t kItemDhcpServer = 32;
constexpr int32_t kItemSystemInfo = 35;
constexpr int32_t kItemIpSelect = 37;
constexpr int32_t kItemReboot = 38;
constexpr int32_t kItemBand = 40;
constexpr int32_t kItemPoll = 41;
constexpr int32_t kItemFrequencyRange = 43;
constexpr int32_t kItemRxTxSettings = 44; // also the connect-time command without a frequency
constexpr int32_t kItemConnectWithFrequency = 45;
constexpr int32_t kItemRemoteState = 46;
constexpr int32_t kItemSquelch = 47;

constexpr int kNameFieldWidth = 10; // names are sent right-aligned in this many characters

constexpr std::string_view kPollCommandText = ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?";
// Sent bare (with "\r\n", not queued, no answer awaited) when monitoring of a receiver stops.
constexpr std::string_view kEndRemoteCommandText = ":REMOTE 0";

// The items of one configuration exchange with one receiver, set commands first, then queries,
// each only when its bit is in the mask. Building the frequency set clears the record's
// frequency-changed and name-changed flags and, when RX/TX settings are pending, adds the RX/TX
// line and clears that flag too. Items whose line would exceed the command length are left out.
// Reads the record's texts: the caller holds the text lock of a table that engines share.
std::vector<CommandItem> buildConfigurationExchange(ReceiverRecord& record, uint32_t setMask,
                                                    uint32_t getMask);

// The first command a monitor engine sends after connecting: the pending frequency, RX/TX
// settings and name, ":REMOTE 1" and a query. Clears the pending-change flags it consumed.
// Reads the record's texts: the caller holds the text lock of a table that engines share.
CommandItem buildConnectTimeCommand(ReceiverRecord& record);

// The poll the monitor engine repeats every poll interval (id 41, one answer line).
const CommandItem& pollCommandItem();

// A name as it may appear between the double quotes of a command: without the characters that
// would end the value or the line (", ;, CR, LF, NUL).
std::string nameForCommand(std::string_view name);

// True for an IPv4 address text that parseIpv4Text reads.
bool isDottedIpv4(std::string_view text);

} // namespace tessaly
