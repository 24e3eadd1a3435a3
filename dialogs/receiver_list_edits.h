#pragma once

#include "comm/reachability.h"
#include "protocol/receiver_table.h"

#include <string>
#include <vector>

namespace tessaly {

// The receiver list editor's work on its table, apart from the window.

// The status of a receiver with a MAC address that did not answer the search.
constexpr const char* kStatusNotFound = "Not found";

// Brings the table's addresses in line with the neighbour table: a receiver found by its MAC
// address takes the address it has now (lookup state 1, else 2); a receiver not found loses an
// address that another receiver of the table has, or that answers with another MAC address, and
// otherwise keeps it (a receiver that is switched off is still where it was); a receiver without
// a MAC address takes the MAC address found at its address. A receiver with a MAC address that
// was not found gets the status "Not found"; one found again loses that status.
void reconcileWithNeighbours(ReceiverTable& table, const std::vector<NeighbourEntry>& neighbours);

// Whether two records hold the same receiver: everything that is saved or sent (addresses,
// name, frequency, settings, colours, comment, system information, pending changes), not the
// status of the last exchange or search.
bool sameReceiver(const ReceiverRecord& first, const ReceiverRecord& second);
// The same count of receivers, each the same.
bool sameReceivers(const ReceiverTable& first, const ReceiverTable& second);

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
