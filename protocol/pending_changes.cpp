#include "protocol/pending_changes.h"

namespace tessaly {

namespace {
constexpr const char* kUnknown = "?";
} // namespace

std::vector<PendingChange> pendingChanges(const ReceiverTable& table, const ReceiverTable& known) {
    std::vector<PendingChange> list;
    for (int number = 1; number <= table.count; ++number) {
        const ReceiverRecord& record = table.byNumber(number);
        const bool isKnown = number <= known.count;
        const ReceiverRecord& before = known.byNumber(number);
        PendingChange change;
        change.number = number;
        change.name = record.name;
        if (record.nameChanged != 0) {
            change.changes.push_back("Name: " + (isKnown ? before.name : kUnknown) + " -> " +
                                     record.name);
        }
        if (record.freqChanged != 0) {
            change.changes.push_back("Frequency: " + (isKnown ? before.freqText : kUnknown) +
                                     " -> " + record.freqText);
        }
        if (record.rxtxChanged != 0) {
            change.changes.push_back("RX/TX settings");
        }
        if (!change.changes.empty()) {
            list.push_back(std::move(change));
        }
    }
    return list;
}

ReceiverTable& knownReceiverValues() {
    static ReceiverTable table;
    return table;
}

void clearPendingChanges(ReceiverTable& table) {
    for (ReceiverRecord& record : table.records) {
        record.nameChanged = 0;
        record.freqChanged = 0;
        record.rxtxChanged = 0;
    }
}

} // namespace tessaly
