#include "dialogs/receiver_list_edits.h"

#include "protocol/bands.h"
#include "protocol/frequency.h"

#include <array>
#include <utility>

namespace tessaly {

namespace {

std::string text(const QString& value) {
    return value.toStdString();
}

// Some other host of ours answers at `ip`.
bool answersWithOtherMac(const std::vector<NeighbourEntry>& neighbours, const std::string& ip,
                         const std::string& mac) {
    for (const NeighbourEntry& entry : neighbours) {
        if (text(entry.ip) == ip && text(entry.mac) != mac) {
            return true;
        }
    }
    return false;
}

} // namespace

void reconcileWithNeighbours(ReceiverTable& table, const std::vector<NeighbourEntry>& neighbours) {
    const int count = table.count;
    auto lock = table.lockTexts();
    for (int p = 0; p < count; ++p) {
        ReceiverRecord& record = table.records[static_cast<size_t>(p)];
        bool found = false;
        std::string address;
        for (const NeighbourEntry& entry : neighbours) {
            if (text(entry.mac) != record.mac) {
                continue;
            }
            found = true;
            address = text(entry.ip);
            if (address == record.ip) {
                break;
            }
        }
        if (found) {
            record.lookupState = kLookupFound;
            record.ip = address;
        } else {
            record.lookupState = kLookupNotFound;
        }
    }
    for (int p = 0; p < count; ++p) {
        ReceiverRecord& record = table.records[static_cast<size_t>(p)];
        if (record.lookupState != kLookupNotFound) {
            continue;
        }
        for (int other = 0; other < count; ++other) {
            if (other != p && table.records[static_cast<size_t>(other)].ip == record.ip) {
                record.ip.clear();
                break;
            }
        }
    }
    for (int p = 0; p < count; ++p) {
        ReceiverRecord& record = table.records[static_cast<size_t>(p)];
        if (record.mac.empty()) {
            continue;
        }
        if (record.lookupState == kLookupNotFound) {
            // Switched off or out of reach: its address stays unless someone else answers there.
            if (answersWithOtherMac(neighbours, record.ip, record.mac)) {
                record.ip.clear();
            }
            record.statusText = kStatusNotFound;
        } else if (record.statusText == kStatusNotFound) {
            record.statusText.clear();
        }
    }
    for (int p = 0; p < count; ++p) {
        ReceiverRecord& record = table.records[static_cast<size_t>(p)];
        if (!record.mac.empty()) {
            continue;
        }
        for (const NeighbourEntry& entry : neighbours) {
            if (text(entry.ip) == record.ip) {
                record.mac = text(entry.mac);
                break;
            }
        }
    }
}

bool sameReceiver(const ReceiverRecord& a, const ReceiverRecord& b) {
    const auto settings = [](const ReceiverRecord& r) {
        return std::array<int32_t, 14>{
            r.freqKhz,      r.afVolume,    r.lineMic,     r.antennaSwitch, r.rxKeyLock,
            r.rxKeyLockPin, r.squelch,     r.rfPower,     r.micGain,       r.txKeyLock,
            r.batteryKind,  r.freqChanged, r.nameChanged, r.rxtxChanged};
    };
    return a.ip == b.ip && a.mac == b.mac && a.name == b.name && a.freqText == b.freqText &&
           a.colors == b.colors && a.comment == b.comment && a.systemInfo == b.systemInfo &&
           settings(a) == settings(b);
}

bool sameReceivers(const ReceiverTable& first, const ReceiverTable& second) {
    const int count = first.count;
    if (second.count != count) {
        return false;
    }
    for (int p = 0; p < count; ++p) {
        if (!sameReceiver(first.records[static_cast<size_t>(p)],
                          second.records[static_cast<size_t>(p)])) {
            return false;
        }
    }
    return true;
}

std::string duplicatedIp(const ReceiverTable& table) {
    const int count = table.count;
    std::string duplicate;
    for (int p = 0; p < count; ++p) {
        const std::string& ip = table.records[static_cast<size_t>(p)].ip;
        if (ip.empty()) {
            continue;
        }
        for (int later = p + 1; later < count; ++later) {
            if (table.records[static_cast<size_t>(later)].ip == ip) {
                duplicate = ip;
            }
        }
    }
    return duplicate;
}

std::string newReceiverFrequency(const ReceiverTable& table, int defaultBand,
                                 const std::string& defaultFreqText) {
    const int count = table.count;
    for (const std::string& channel : channelTexts(effectiveDefaultBand(defaultBand))) {
        const int32_t khz = textToKhz(channel);
        bool used = false;
        for (int p = 0; p < count && !used; ++p) {
            used = table.records[static_cast<size_t>(p)].freqKhz == khz;
        }
        if (!used) {
            return channel;
        }
    }
    return defaultFreqText;
}

ReceiverRecord newReceiverRecord(const std::string& freqText) {
    ReceiverRecord record;
    record.setFrequencyText(freqText);
    return record;
}

MergeResult mergeFoundReceivers(ReceiverTable& table, const ReceiverTable& found, int startRow,
                                int defaultBand, const std::string& defaultFreqText) {
    MergeResult result;
    result.lastTouchedRow = startRow;
    const int foundCount = found.count;
    for (int f = 0; f < foundCount; ++f) {
        const ReceiverRecord& entry = found.records[static_cast<size_t>(f)];
        const int count = table.count;
        int touched = -1;
        for (int p = 0; p < count && touched < 0; ++p) {
            ReceiverRecord& record = table.records[static_cast<size_t>(p)];
            if (record.mac == entry.mac) {
                record.ip = entry.ip;
                record.lookupState = kLookupFound;
                if (record.statusText == kStatusNotFound) {
                    record.statusText.clear();
                }
                touched = p;
            }
        }
        for (int p = 0; p < count && touched < 0; ++p) {
            ReceiverRecord& record = table.records[static_cast<size_t>(p)];
            if (record.ip == entry.ip) {
                record.mac = entry.mac;
                record.lookupState = kLookupFound;
                touched = p;
            }
        }
        if (touched < 0) {
            if (count >= kMaxReceivers) {
                break; // this entry and all after it are dropped
            }
            ReceiverRecord record =
                newReceiverRecord(newReceiverFrequency(table, defaultBand, defaultFreqText));
            record.ip = entry.ip;
            record.mac = entry.mac;
            record.nameChanged = 1;
            record.freqChanged = 1;
            table.records[static_cast<size_t>(count)].copyFrom(record);
            table.count = count + 1;
            touched = count;
            if (!result.appended) {
                result.firstAppended = count + 1;
            }
            result.appended = true;
        }
        result.lastTouchedRow = touched;
    }
    return result;
}

void deleteRecord(ReceiverTable& table, int position) {
    const int count = table.count;
    for (int p = position; p + 1 < count; ++p) {
        table.records[static_cast<size_t>(p)].copyFrom(table.records[static_cast<size_t>(p + 1)]);
    }
    table.count = count - 1;
}

void insertRecord(ReceiverTable& table, int position, const ReceiverRecord& record) {
    const int count = table.count;
    for (int p = count; p > position; --p) {
        table.records[static_cast<size_t>(p)].copyFrom(table.records[static_cast<size_t>(p - 1)]);
    }
    table.records[static_cast<size_t>(position)].copyFrom(record);
    table.count = count + 1;
}

void swapRecords(ReceiverTable& table, int first, int second) {
    ReceiverRecord held;
    held.copyFrom(table.records[static_cast<size_t>(first)]);
    table.records[static_cast<size_t>(first)].copyFrom(table.records[static_cast<size_t>(second)]);
    table.records[static_cast<size_t>(second)].copyFrom(held);
}

void deleteAllRecords(ReceiverTable& table) {
    for (ReceiverRecord& record : table.records) {
        record.reset();
    }
    table.count = 0;
}

} // namespace tessaly
