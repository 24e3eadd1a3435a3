#pragma once

#include "comm/reachability.h"
#include "protocol/receiver_table.h"

#include <string>
#include <vector>

namespace tessaly {

// The receiver list editor's work on its table, apart from the window.

// Brings the table's addresses in line with the neighbour table, in five passes: a receiver
// found by its MAC address takes the address it has now (lookup state 1, else 2); a receiver not
// found loses an address another receiver has, and loses its address when it has a MAC address;
// a receiver with a MAC address loses an address nobody answers at; a receiver without a MAC
// address takes the MAC address found at its address.
void reconcileWithNeighbours(ReceiverTable& table, const std::vector<NeighbourEntry>& neighbours);

// The address that two receivers share (the last such pair in table order), empty when none.
std::string duplicatedIp(const ReceiverTable& table);

// A new receiver's frequency text: the first channel of the default band that no receiver uses,
// or the default frequency when every channel is taken.
std::string newReceiverFrequency(const ReceiverTable& table, int defaultBand,
                                 const std::string& defaultFreqText);

// A new receiver at a frequency, with both pending-change flags set.
ReceiverRecord newReceiverRecord(const std::string& freqText);

// What merging the IP Search result did.
struct MergeResult {
    int lastTouchedRow = -1; // the row of the last receiver updated or appended
    int firstAppended = 0;   // receiver number of the first appended receiver, 0 when none
    bool appended = false;
};

// Merges found entries (IP and MAC address each) into the table: a known MAC address takes the
// new address, a known address takes the MAC address, anything else is appended at a new
// receiver frequency while there is room. `startRow` is the row selected before the merge.
MergeResult mergeFoundReceivers(ReceiverTable& table, const ReceiverTable& found, int startRow,
                                int defaultBand, const std::string& defaultFreqText);

// Moves the records after `position` one place up and drops the count by one.
void deleteRecord(ReceiverTable& table, int position);
// Moves the records from `position` on one place down and raises the count by one; the record at
// `position` is then `record`.
void insertRecord(ReceiverTable& table, int position, const ReceiverRecord& record);
void swapRecords(ReceiverTable& table, int first, int second);
// Every record reset and the count 0; the header (mode, timeout, poll interval, port) stays.
void deleteAllRecords(ReceiverTable& table);

} // namespace tessaly
