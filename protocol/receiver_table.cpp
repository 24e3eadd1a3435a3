#include "protocol/receiver_table.h"

#include "protocol/frequency.h"

namespace tessaly {

void ReceiverRecord::copyFrom(const ReceiverRecord& source) {
    if (this == &source) {
        return;
    }
    *this = source;
    freqKhz = textToKhz(freqText);
}

void ReceiverRecord::setFrequencyText(const std::string& text) {
    freqText = text;
    freqKhz = textToKhz(text);
}

ReceiverTable::ReceiverTable(const ReceiverTable& other) {
    copyFrom(other);
}

ReceiverTable& ReceiverTable::operator=(const ReceiverTable& other) {
    copyFrom(other);
    return *this;
}

void ReceiverTable::reset() {
    auto lock = lockTexts();
    count = 0;
    displayMode = 0;
    answerTimeoutMs = kDefaultAnswerTimeoutMs;
    pollIntervalMs = kDefaultPollIntervalMs;
    portNumber = kDefaultPortNumber;
    setMask = 0;
    getMask = 0;
    for (auto& record : records) {
        record.reset();
    }
}

void ReceiverTable::copyFrom(const ReceiverTable& source) {
    if (this == &source) {
        return;
    }
    std::scoped_lock lock(textMutex_, source.textMutex_);
    count = source.count;
    displayMode = source.displayMode;
    answerTimeoutMs = source.answerTimeoutMs;
    pollIntervalMs = source.pollIntervalMs;
    portNumber = source.portNumber;
    setMask = source.setMask;
    getMask = source.getMask;
    for (int i = 0; i < kMaxReceivers; ++i) {
        records[i].copyFrom(source.records[i]);
    }
}

void ReceiverTable::fillDefaultFrequency(const std::string& freqText) {
    auto lock = lockTexts();
    for (auto& record : records) {
        record.setFrequencyText(freqText);
    }
}

void MonitorValueTable::reset() {
    count = 0;
    for (auto& entry : entries) {
        entry.reset();
    }
}

ReceiverTable& programReceiverTable() {
    static ReceiverTable table;
    return table;
}

MonitorValueTable& programMonitorValues() {
    static MonitorValueTable table;
    return table;
}

} // namespace tessaly
