#pragma once

#include "protocol/shared_int.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace tessaly {

constexpr int kMaxReceivers = 60;

// Communication state of a record.
constexpr int32_t kCommNotContacted = -1;
constexpr int32_t kCommOk = 0;
constexpr int32_t kCommError = 1;

// Address lookup state set by the receiver list editor.
constexpr int32_t kLookupNone = 0;
constexpr int32_t kLookupFound = 1;
constexpr int32_t kLookupNotFound = 2;

constexpr uint32_t kDefaultColors[4] = {0x00FF8000, 0x002F1209, 0x0029110F, 0x007F4000};

constexpr int32_t kDefaultAnswerTimeoutMs = 3000;
constexpr int32_t kDefaultPollIntervalMs = 50;
constexpr int32_t kDefaultPortNumber = 5025;

// One receiver. Integer fields are SharedInt because monitor engines read and write them from
// their own threads; texts are only ever read by an engine from a snapshot taken under the
// table's text lock (see ReceiverTable::lockTexts).
struct ReceiverRecord {
    std::string ip;
    SharedInt commState{kCommNotContacted};
    std::string mac;
    std::string name;
    std::string freqText;
    SharedInt freqKhz{0};
    std::array<uint32_t, 4> colors{kDefaultColors[0], kDefaultColors[1], kDefaultColors[2],
                                   kDefaultColors[3]};
    std::string comment; // lines separated by "\r\n"
    SharedInt freqChanged{0};
    SharedInt nameChanged{0};
    SharedInt rxtxChanged{0};
    std::string systemInfo;
    SharedInt lookupState{kLookupNone};

    // The ten RX/TX settings, in the order the protocol sends them.
    SharedInt afVolume{0};
    SharedInt lineMic{1};
    SharedInt antennaSwitch{0};
    SharedInt rxKeyLock{0};
    SharedInt rxKeyLockPin{0};
    SharedInt squelch{20};
    SharedInt rfPower{1};
    SharedInt micGain{0};
    SharedInt txKeyLock{0};
    SharedInt batteryKind{0};

    SharedInt dhcpServer{-1};
    SharedInt ipSelect{-1};
    std::string configuredIp;
    std::string subnetMask;
    SharedInt lowestFreqKhz{-1};
    SharedInt highestFreqKhz{-1};
    SharedInt band{-1};
    std::string statusText;

    void reset() { *this = ReceiverRecord{}; }

    // Copies every field; the frequency in kHz is recomputed from the copied text.
    void copyFrom(const ReceiverRecord& source);

    // Sets the frequency text and its kHz value together.
    void setFrequencyText(const std::string& text);
};

// The receiver table: a small header of communication settings and 60 records. Records beyond
// the count are not in use but keep what they last held, and copies carry them along.
class ReceiverTable {
public:
    ReceiverTable() = default;
    ReceiverTable(const ReceiverTable& other);
    ReceiverTable& operator=(const ReceiverTable& other);

    SharedInt count{0};
    SharedInt displayMode{0};
    SharedInt answerTimeoutMs{kDefaultAnswerTimeoutMs};
    SharedInt pollIntervalMs{kDefaultPollIntervalMs};
    SharedInt portNumber{kDefaultPortNumber};
    uint32_t setMask = 0;
    uint32_t getMask = 0;
    std::array<ReceiverRecord, kMaxReceivers> records;

    void reset();
    void copyFrom(const ReceiverTable& source);
    void fillDefaultFrequency(const std::string& freqText);

    // Receiver numbers are 1-based; callers guarantee 1 <= number <= kMaxReceivers.
    ReceiverRecord& byNumber(int number) { return records[number - 1]; }
    const ReceiverRecord& byNumber(int number) const { return records[number - 1]; }

    // Held by whoever changes texts of a table that monitor engines are reading, and by an
    // engine while it copies its record's texts. Copying a table takes it on both sides.
    std::unique_lock<std::mutex> lockTexts() const { return std::unique_lock(textMutex_); }

private:
    mutable std::mutex textMutex_;
};

// A monitor level (RF in tenths of dBm, AF in tenths of dB) that nothing has polled yet.
constexpr int32_t kNoLevel = -1001;

// Latest readings that one monitor engine polled from its receiver.
struct MonitorValues {
    SharedInt spare{0}; // the view's own
    std::string name;   // never written by the poll in use
    SharedInt freqKhz{-1};
    SharedInt rfLevelA{kNoLevel}; // tenths of dBm
    SharedInt rfLevelB{kNoLevel};
    SharedInt afLevel{kNoLevel};
    SharedInt battery{-1};
    SharedInt mute{-1};
    SharedInt antennaSelect{-1};

    void reset() { *this = MonitorValues{}; }
};

struct MonitorValueTable {
    SharedInt count{0};
    std::array<MonitorValues, kMaxReceivers> entries;

    void reset();
    MonitorValues& byNumber(int number) { return entries[number - 1]; }
    const MonitorValues& byNumber(int number) const { return entries[number - 1]; }
};

// The process-wide tables, alive for the whole run.
ReceiverTable& programReceiverTable();
MonitorValueTable& programMonitorValues();

} // namespace tessaly
