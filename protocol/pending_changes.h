#pragma once

#include "protocol/receiver_table.h"

#include <string>
#include <vector>

namespace tessaly {

// One receiver whose name, frequency or RX/TX settings wait to be sent when monitoring
// connects to it, with what changes: "Name: OLD -> NEW", "Frequency: OLD -> NEW",
// "RX/TX settings". OLD is what the receivers were last known to hold, "?" when unknown.
struct PendingChange {
    int number = 0;
    std::string name;
    std::vector<std::string> changes;
};

// The receivers of `table` with pending changes. `known` holds what the receivers were last
// known to hold (its count may be smaller than the table's).
std::vector<PendingChange> pendingChanges(const ReceiverTable& table, const ReceiverTable& known);

// What the receivers were last known to hold: the table as monitoring last sent it, or as a
// download read it. Empty (count 0) until then.
ReceiverTable& knownReceiverValues();

// Drops every pending change: monitoring connects without sending them.
void clearPendingChanges(ReceiverTable& table);

} // namespace tessaly
