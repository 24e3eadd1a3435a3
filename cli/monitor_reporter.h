#pragma once

#include "protocol/receiver_table.h"

#include <QString>
#include <QTextStream>

#include <array>
#include <optional>

namespace tessaly::cli {

// What one receiver showed at the last report.
struct ReceiverSnapshot {
    int32_t commState = kCommNotContacted;
    int32_t rfLevelA = -1001;
    int32_t rfLevelB = -1001;
    int32_t afLevel = -1001;
    int32_t battery = -1;
    int32_t antennaSelect = -1;
    int32_t mute = -1;
    bool operator==(const ReceiverSnapshot&) const = default;
};

// Prints a line for every receiver whose communication state or polled values changed since
// the last sample: plain text, or one JSON object a line.
class MonitorReporter {
public:
    MonitorReporter(const ReceiverTable& table, const MonitorValueTable& values, bool json,
                    QTextStream& out);

    // Compares every receiver in use with its last report; returns how many lines it printed.
    int sample(qint64 elapsedMs);

    // Receivers whose last sample showed them connected.
    int connectedCount() const;

    static QString stateText(int32_t commState);
    static ReceiverSnapshot snapshotOf(const ReceiverRecord& record, const MonitorValues& values);

private:
    QString textLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const;
    QString jsonLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const;

    const ReceiverTable& table_;
    const MonitorValueTable& values_;
    bool json_;
    QTextStream& out_;
    std::array<std::optional<ReceiverSnapshot>, kMaxReceivers> last_;
};

} // namespace tessaly::cli
